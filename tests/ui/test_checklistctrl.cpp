// The logo list control: shortened cells and their alignment as painted, the per-row
// check boxes and sorting.
#include <QtTest>

#include "tests/ui/support/ListHelpers.h"
#include "ui/CheckListCtrl.h"
#include "ui/LogoListControls.h"

using namespace testing_support;

namespace {

const QString kEllipsis = QStringLiteral("...");

// A list laid out as on the Selection page: check, number, name, size.
struct ListFixture {
    CCheckListCtrl list;
    explicit ListFixture(int rows = 0)
    {
        list.resize(320, 240);
        InsertLogoColumns(list, 17);
        for (int i = 0; i < rows; ++i)
            Add(QStringLiteral("%1").arg(i + 1, 3), QStringLiteral("logo%1.bmp").arg(i + 1));
    }
    int Add(const QString& number, const QString& name, const QString& size = QStringLiteral("64"))
    {
        const int row = list.InsertItem(list.GetItemCount(), QStringLiteral(" "));
        list.SetItemText(row, 1, number);
        list.SetItemText(row, 2, name);
        list.SetItemText(row, 3, size);
        return row;
    }
    // The first and last columns of the row's cell (viewport coordinates) that hold a
    // pixel unlike the background.
    std::pair<int, int> InkColumns(int row, int column)
    {
        const QImage image = list.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QRect cell = list.TextRect(row, column)
                         .adjusted(-CCheckListCtrl::kCellMargin, 0, CCheckListCtrl::kCellMargin, 0);
        int first = -1, last = -1;
        for (int x = cell.left(); x <= cell.right(); ++x)
            for (int y = cell.top() + 1; y < cell.bottom(); ++y)
                if (image.pixel(x, y) != list.m_clrBkgnd.rgb()) {
                    first = first < 0 ? x : first;
                    last = x;
                }
        return {first, last};
    }
};

} // namespace

class TestCheckListCtrl : public QObject {
    Q_OBJECT
private slots:
    void shortenedTextIsTheLongestFittingBeginning();
    void paintedCellsAreAlignedAsTheirColumnUnlessShortened();
    void deletingRowsMovesTheLaterTicksUp();
    void sortingIsByTextWithoutCaseStableAndCarriesTheTicks();
};

void TestCheckListCtrl::shortenedTextIsTheLongestFittingBeginning()
{
    ListFixture f;
    const QFontMetrics fm = f.list.fontMetrics();
    const int margin = CCheckListCtrl::kCellMargin;
    // The ellipsis is reserved as four characters: the three dots and a terminating zero.
    const int ellipsis = fm.horizontalAdvance(QString::fromLatin1("...\0", 4));
    const std::pair<QString, int> cases[] = {
        {QStringLiteral("a-very-long-logo-file-name.bmp"), 120},
        {QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWW"), 90},
        {QStringLiteral("%1").arg(2600, 15), 40},
        {QStringLiteral("logo.bmp"), 15},
    };
    for (const auto& [text, width] : cases) {
        const QString shown = CCheckListCtrl::ShortenToWidth(fm, text, width, margin);
        QVERIFY2(shown.endsWith(kEllipsis), qPrintable(shown));
        const QString kept = shown.chopped(3);
        QVERIFY(!kept.isEmpty() && text.startsWith(kept));
        // What was kept fits with the margin and the ellipsis; one character more does
        // not (unless only the first character is left).
        if (kept.size() > 1)
            QVERIFY(fm.horizontalAdvance(kept) + margin + ellipsis <= width);
        QVERIFY(fm.horizontalAdvance(text.left(kept.size() + 1)) + margin + ellipsis > width);
    }
    const QString text = QStringLiteral("logo.bmp");
    const int exact = fm.horizontalAdvance(text) + margin;
    QCOMPARE(CCheckListCtrl::ShortenToWidth(fm, text, exact, margin), text);
    QVERIFY(CCheckListCtrl::ShortenToWidth(fm, text, exact - 1, margin).endsWith(kEllipsis));
    QCOMPARE(CCheckListCtrl::ShortenToWidth(fm, text, 14, margin), QString());
    QCOMPARE(CCheckListCtrl::ShortenToWidth(fm, QStringLiteral("WWWW"), 15, margin), QStringLiteral("W..."));
}

void TestCheckListCtrl::paintedCellsAreAlignedAsTheirColumnUnlessShortened()
{
    ListFixture f;
    const int fits = f.Add(QStringLiteral("  1"), QStringLiteral("a.bmp"), QStringLiteral("  8"));
    const int cut = f.Add(QStringLiteral("  2"), QStringLiteral("b.bmp"),
                          QStringLiteral("a-size-text-far-too-long-for-its-column"));
    f.list.topLevelItem(cut)->setText(0, QStringLiteral("a text far wider than seventeen pixels"));
    f.list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.list));
    f.list.selectionModel()->clearCurrentIndex(); // no focus rectangle over the cells
    const QFontMetrics fm = f.list.fontMetrics();
    const int slack = 2; // glyph side bearings

    // Right-aligned column, text that fits: ends at the cell's right margin.
    auto [first, last] = f.InkColumns(fits, 3);
    QVERIFY2(qAbs(last - f.list.TextRect(fits, 3).right()) <= slack, qPrintable(QString::number(last)));
    // The same column with a shortened text: left-aligned at the left margin.
    QCOMPARE(f.list.DisplayText(cut, 3),
             CCheckListCtrl::ShortenToWidth(fm, f.list.GetItemText(cut, 3), 86, 6));
    std::tie(first, last) = f.InkColumns(cut, 3);
    QVERIFY2(qAbs(first - f.list.TextRect(cut, 3).left()) <= slack, qPrintable(QString::number(first)));
    // Centred column: "  1" is centred with its leading blanks, so its ink ends where
    // the centred text's advance ends.
    std::tie(first, last) = f.InkColumns(fits, 1);
    const QRect number = f.list.TextRect(fits, 1);
    const int advance = fm.horizontalAdvance(QStringLiteral("  1"));
    const int end = number.left() + (number.width() - advance) / 2 + advance;
    QVERIFY2(qAbs(last - end) <= slack, qPrintable(QStringLiteral("%1 vs %2").arg(last).arg(end)));
    // Left column: starts at the left margin.
    std::tie(first, last) = f.InkColumns(fits, 2);
    QVERIFY(qAbs(first - f.list.TextRect(fits, 2).left()) <= slack);
    // Column 0 is centred and never shortened.
    QCOMPARE(f.list.DisplayText(cut, 0), f.list.GetItemText(cut, 0));
    QCOMPARE(f.list.DisplayAlignment(cut, 0), Qt::AlignHCenter);
}

void TestCheckListCtrl::deletingRowsMovesTheLaterTicksUp()
{
    ListFixture f(5);
    for (const int row : {0, 2, 3})
        f.list.SetCheck(row, true);
    QVERIFY(f.list.DeleteItem(2));
    QCOMPARE(Ticks(f.list), std::vector<bool>({true, false, true, false}));
    QVERIFY(f.list.m_checks[4] == nullptr); // the last box went
    QCOMPARE(ColumnTexts(f.list, 2), QStringList({"logo1.bmp", "logo2.bmp", "logo4.bmp", "logo5.bmp"}));
}

void TestCheckListCtrl::sortingIsByTextWithoutCaseStableAndCarriesTheTicks()
{
    ListFixture f;
    for (const char* name : {"delta.bmp", "Alpha.bmp", "echo.bmp", "CHARLIE.bmp", "bravo.bmp"})
        f.Add(QStringLiteral("  1"), QString::fromLatin1(name));
    for (const int row : {0, 3}) // delta, CHARLIE
        f.list.SetCheck(row, true);
    QCOMPARE(f.list.SortByColumn(2, true), 5);
    const QStringList ascending = ColumnTexts(f.list, 2);
    QCOMPARE(ascending, QStringList({"Alpha.bmp", "bravo.bmp", "CHARLIE.bmp", "delta.bmp", "echo.bmp"}));
    QCOMPARE(Ticks(f.list), std::vector<bool>({false, false, true, true, false}));
    QCOMPARE(f.list.SortByColumn(2, false), 5);
    QCOMPARE(ColumnTexts(f.list, 2), QStringList(ascending.rbegin(), ascending.rend()));
    QCOMPARE(Ticks(f.list), std::vector<bool>({false, true, true, false, false}));

    // Names equal but for case keep the order they had, in either direction.
    ListFixture equal;
    const char* names[] = {"b", "A", "a", "C", "B"};
    for (int i = 0; i < 5; ++i)
        equal.Add(QStringLiteral("%1").arg(i + 1, 3), QString::fromLatin1(names[i]));
    equal.list.SortByColumn(2, true);
    QCOMPARE(ColumnTexts(equal.list, 1), QStringList({"  2", "  3", "  1", "  5", "  4"}));
    equal.list.SortByColumn(2, false);
    QCOMPARE(ColumnTexts(equal.list, 1), QStringList({"  4", "  1", "  5", "  2", "  3"}));

    // Column 0 is blank in every row. Many rows: an unstable sort would visibly
    // reorder equal keys.
    ListFixture many(60);
    const QStringList before = ColumnTexts(many.list, 1);
    for (const bool up : {true, false}) {
        QCOMPARE(many.list.SortByColumn(0, up), 60);
        QCOMPARE(ColumnTexts(many.list, 1), before);
    }
}

QTEST_MAIN(TestCheckListCtrl)
#include "test_checklistctrl.moc"
