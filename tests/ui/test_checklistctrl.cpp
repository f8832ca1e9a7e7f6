// The logo list control: shortened cells and their alignment as painted, the row
// highlight, the per-row check boxes and sorting.
#include <QCheckBox>
#include <QHeaderView>
#include <QSignalSpy>
#include <QtTest>

#include "tests/ui/support/ListHelpers.h"
#include "ui/CheckListCtrl.h"

using namespace testing_support;

namespace {

const QString kEllipsis = QStringLiteral("...");

// A list laid out like the Selection page's: check, number, name, size.
struct ListFixture {
    CCheckListCtrl list;
    explicit ListFixture(int rows = 0)
    {
        list.resize(320, 240);
        list.InsertColumn(0, QStringLiteral(" "), Qt::AlignHCenter, 17);
        list.InsertColumn(1, QStringLiteral("   No."), Qt::AlignHCenter, 50);
        list.InsertColumn(2, QStringLiteral("Name"), Qt::AlignLeft, 120);
        list.InsertColumn(3, QStringLiteral("Size"), Qt::AlignRight, 86);
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
    void Show()
    {
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
    }
    // Columns of the row's cell (viewport coordinates) that hold a pixel unlike the background.
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
    std::vector<bool> Ticks() const
    {
        std::vector<bool> ticks;
        for (int row = 0; row < list.GetItemCount(); ++row)
            ticks.push_back(list.GetCheck(row));
        return ticks;
    }
};

} // namespace

class TestCheckListCtrl : public QObject {
    Q_OBJECT
private slots:
    void shortenedTextIsTheLongestFittingBeginning_data();
    void shortenedTextIsTheLongestFittingBeginning();
    void narrowColumnsAndFittingTexts();
    void paintedCellsAreAlignedAsTheirColumnUnlessShortened();
    void firstColumnIsCentredAndNeverShortened();
    void selectionIsHighlightedOnlyWithFocusOrShowAlways();
    void deletingARowMovesTheLaterTicksUp();
    void deletingAllRowsRemovesEveryBox();
    void clickingABoxOnlyTogglesIt();
    void spaceTicksTheFocusedRow();
    void sortingByNameTwiceReversesTheRows();
    void sortingIgnoresCaseAndKeepsEqualRowsInOrder();
    void sortingOnTheBlankColumnKeepsTheOrder();
    void boxesStayWithTheirPositionWhenRowsAreSorted();
    void hiddenCheckColumnHidesTheBoxes();
};

void TestCheckListCtrl::shortenedTextIsTheLongestFittingBeginning_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::newRow("name") << QStringLiteral("a-very-long-logo-file-name.bmp") << 120;
    QTest::newRow("wide letters") << QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWW") << 90;
    QTest::newRow("narrow letters") << QStringLiteral("iiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii") << 60;
    QTest::newRow("size text") << QStringLiteral("%1").arg(2600, 15) << 40;
    QTest::newRow("just above 14") << QStringLiteral("logo.bmp") << 15;
}

void TestCheckListCtrl::shortenedTextIsTheLongestFittingBeginning()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    ListFixture f;
    const QFontMetrics fm = f.list.fontMetrics();
    const int margin = CCheckListCtrl::kCellMargin;
    // The ellipsis is reserved as four characters: the three dots and a terminating zero.
    const int ellipsis = fm.horizontalAdvance(QString::fromLatin1("...\0", 4));
    QVERIFY(ellipsis > fm.horizontalAdvance(kEllipsis));

    const QString shown = CCheckListCtrl::ShortenToWidth(fm, text, width, margin);
    QVERIFY2(shown.endsWith(kEllipsis), qPrintable(shown));
    const QString kept = shown.chopped(3);
    QVERIFY(!kept.isEmpty());
    QVERIFY(text.startsWith(kept));
    // What was kept fits with the margin and the ellipsis; one character more does not
    // (unless only the first character is left).
    if (kept.size() > 1)
        QVERIFY(fm.horizontalAdvance(kept) + margin + ellipsis <= width);
    QVERIFY(fm.horizontalAdvance(text.left(kept.size() + 1)) + margin + ellipsis > width);
}

void TestCheckListCtrl::narrowColumnsAndFittingTexts()
{
    ListFixture f;
    const QFontMetrics fm = f.list.fontMetrics();
    const QString text = QStringLiteral("logo.bmp");
    const int exact = fm.horizontalAdvance(text) + 6;
    QCOMPARE(CCheckListCtrl::ShortenToWidth(fm, text, exact, 6), text);
    QVERIFY(CCheckListCtrl::ShortenToWidth(fm, text, exact - 1, 6).endsWith(kEllipsis));
    QCOMPARE(CCheckListCtrl::ShortenToWidth(fm, text, 14, 6), QString());
    QCOMPARE(CCheckListCtrl::ShortenToWidth(fm, text, 0, 6), QString());
    QCOMPARE(CCheckListCtrl::ShortenToWidth(fm, QString(), 0, 6), QString());
    // Even a single character that does not fit stays, followed by the ellipsis.
    QCOMPARE(CCheckListCtrl::ShortenToWidth(fm, QStringLiteral("WWWW"), 15, 6), QStringLiteral("W..."));
}

void TestCheckListCtrl::paintedCellsAreAlignedAsTheirColumnUnlessShortened()
{
    ListFixture f;
    const int fits = f.Add(QStringLiteral("  1"), QStringLiteral("a.bmp"), QStringLiteral("  8"));
    const int cut = f.Add(QStringLiteral("  2"), QStringLiteral("b.bmp"),
                          QStringLiteral("a-size-text-far-too-long-for-its-column"));
    f.Show();
    f.list.selectionModel()->clearCurrentIndex(); // no focus rectangle over the cells
    const QFontMetrics fm = f.list.fontMetrics();
    const int slack = 2; // glyph side bearings

    // Right-aligned column, text that fits: ends at the cell's right margin.
    QCOMPARE(f.list.DisplayText(fits, 3), QStringLiteral("  8"));
    QCOMPARE(f.list.DisplayAlignment(fits, 3), Qt::AlignRight);
    const QRect sizeText = f.list.TextRect(fits, 3);
    auto [first, last] = f.InkColumns(fits, 3);
    QVERIFY2(qAbs(last - sizeText.right()) <= slack, qPrintable(QString::number(last)));

    // The same column with a shortened text: left-aligned at the left margin.
    const QString shortened = CCheckListCtrl::ShortenToWidth(fm, f.list.GetItemText(cut, 3), 86, 6);
    QCOMPARE(f.list.DisplayText(cut, 3), shortened);
    QCOMPARE(f.list.DisplayAlignment(cut, 3), Qt::AlignLeft);
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
}

void TestCheckListCtrl::firstColumnIsCentredAndNeverShortened()
{
    ListFixture f;
    const int row = f.Add(QStringLiteral("  1"), QStringLiteral("a.bmp"));
    f.list.topLevelItem(row)->setText(0, QStringLiteral("a text far wider than seventeen pixels"));
    QCOMPARE(f.list.DisplayText(row, 0), f.list.GetItemText(row, 0));
    QCOMPARE(f.list.DisplayAlignment(row, 0), Qt::AlignHCenter);
}

void TestCheckListCtrl::selectionIsHighlightedOnlyWithFocusOrShowAlways()
{
    ListFixture f(3);
    f.Show();
    f.list.SetItemFocusedSelected(1);
    f.list.clearFocus();
    QVERIFY(!f.list.hasFocus());
    // A point of row 1 that no text covers: the right end of the "Size" cell.
    const QRect size = f.list.TextRect(1, 3);
    const QPoint probe(size.right() + 3, size.top() + 2);
    const QColor highlight = f.list.palette().color(QPalette::Active, QPalette::Highlight);
    // The focus rectangle of some styles tints the row a little: near enough counts.
    auto looksHighlighted = [&] {
        const QColor c = f.list.viewport()->grab().toImage().pixelColor(probe);
        return qAbs(c.red() - highlight.red()) + qAbs(c.green() - highlight.green()) +
                   qAbs(c.blue() - highlight.blue()) <
               24;
    };

    QCOMPARE(f.list.viewport()->grab().toImage().pixelColor(probe), f.list.m_clrBkgnd);
    f.list.SetShowSelectionAlways(true);
    QVERIFY(looksHighlighted());
    f.list.SetShowSelectionAlways(false);
    f.list.activateWindow();
    f.list.setFocus();
    QTRY_VERIFY(f.list.hasFocus());
    QVERIFY(looksHighlighted());
}

void TestCheckListCtrl::deletingARowMovesTheLaterTicksUp()
{
    ListFixture f(5);
    const std::vector<bool> states = {true, false, true, true, false};
    for (int row = 0; row < 5; ++row)
        f.list.SetCheck(row, states[static_cast<size_t>(row)]);
    QVERIFY(f.list.DeleteItem(2));
    QCOMPARE(f.Ticks(), std::vector<bool>({true, false, true, false}));
    QVERIFY(f.list.m_checks[3] != nullptr);
    QVERIFY(f.list.m_checks[4] == nullptr);
    QCOMPARE(ColumnTexts(f.list, 2), QStringList({"logo1.bmp", "logo2.bmp", "logo4.bmp", "logo5.bmp"}));
}

void TestCheckListCtrl::deletingAllRowsRemovesEveryBox()
{
    ListFixture f(4);
    f.list.SetCheck(0, true);
    QVERIFY(f.list.DeleteAllItems());
    QCOMPARE(f.list.GetItemCount(), 0);
    QCOMPARE(f.list.viewport()->findChildren<QCheckBox*>().size(), 0);
    f.Add(QStringLiteral("  1"), QStringLiteral("a.bmp"));
    QVERIFY(!f.list.GetCheck(0));
}

void TestCheckListCtrl::clickingABoxOnlyTogglesIt()
{
    ListFixture f(4);
    f.Show();
    f.list.SetItemFocusedSelected(1);
    QSignalSpy changed(&f.list, &CCheckListCtrl::ItemChanged);
    QCheckBox* box = f.list.m_checks[3];
    QVERIFY(box && box->isVisible());
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(f.list.GetCheck(3));
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(!f.list.GetCheck(3));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(f.list.GetSelectedRows(), std::vector<int>({1}));
    QCOMPARE(f.list.currentIndex().row(), 1);
}

void TestCheckListCtrl::spaceTicksTheFocusedRow()
{
    ListFixture f(3);
    f.Show();
    f.list.setFocus();
    f.list.SetItemFocusedSelected(2);
    QTest::keyClick(&f.list, Qt::Key_Space);
    QCOMPARE(f.Ticks(), std::vector<bool>({false, false, true}));
}

void TestCheckListCtrl::sortingByNameTwiceReversesTheRows()
{
    ListFixture f;
    for (const char* name : {"delta.bmp", "alpha.bmp", "echo.bmp", "charlie.bmp", "bravo.bmp"})
        f.Add(QStringLiteral("  1"), QString::fromLatin1(name));
    QCOMPARE(f.list.SortByColumn(2, true), 5);
    const QStringList ascending = ColumnTexts(f.list, 2);
    QCOMPARE(ascending, QStringList({"alpha.bmp", "bravo.bmp", "charlie.bmp", "delta.bmp", "echo.bmp"}));
    QCOMPARE(f.list.SortByColumn(2, false), 5);
    QStringList reversed = ascending;
    std::reverse(reversed.begin(), reversed.end());
    QCOMPARE(ColumnTexts(f.list, 2), reversed);
}

void TestCheckListCtrl::sortingIgnoresCaseAndKeepsEqualRowsInOrder()
{
    ListFixture f;
    const char* names[] = {"b", "A", "a", "C", "B"};
    for (int i = 0; i < 5; ++i)
        f.Add(QStringLiteral("%1").arg(i + 1, 3), QString::fromLatin1(names[i]));
    f.list.SortByColumn(2, true);
    QCOMPARE(ColumnTexts(f.list, 1), QStringList({"  2", "  3", "  1", "  5", "  4"}));
    f.list.SortByColumn(2, false);
    // Equal names keep the order they had, in either direction.
    QCOMPARE(ColumnTexts(f.list, 1), QStringList({"  4", "  1", "  5", "  2", "  3"}));
}

void TestCheckListCtrl::sortingOnTheBlankColumnKeepsTheOrder()
{
    // Many rows: an unstable sort would visibly reorder equal keys.
    ListFixture f(60);
    const QStringList before = ColumnTexts(f.list, 1);
    QCOMPARE(f.list.SortByColumn(0, true), 60);
    QCOMPARE(ColumnTexts(f.list, 1), before);
    QCOMPARE(f.list.SortByColumn(0, false), 60);
    QCOMPARE(ColumnTexts(f.list, 1), before);
}

void TestCheckListCtrl::boxesStayWithTheirPositionWhenRowsAreSorted()
{
    ListFixture f;
    f.Add(QStringLiteral("  1"), QStringLiteral("zulu.bmp"));
    f.Add(QStringLiteral("  2"), QStringLiteral("alpha.bmp"));
    f.list.SetCheck(0, true);
    QSignalSpy changed(&f.list, &CCheckListCtrl::ItemChanged);
    f.list.SortByColumn(2, true);
    QCOMPARE(ColumnTexts(f.list, 2), QStringList({"alpha.bmp", "zulu.bmp"}));
    QCOMPARE(f.Ticks(), std::vector<bool>({true, false}));
    QCOMPARE(changed.count(), 0);
}

void TestCheckListCtrl::hiddenCheckColumnHidesTheBoxes()
{
    ListFixture f(2);
    f.Show();
    QVERIFY(f.list.m_checks[0]->isVisible());
    f.list.header()->resizeSection(0, 0);
    QCOMPARE(f.list.header()->sectionSize(0), 0);
    QVERIFY(!f.list.m_checks[0]->isVisible());
    QVERIFY(!f.list.m_checks[1]->isVisible());
}

QTEST_MAIN(TestCheckListCtrl)
#include "test_checklistctrl.moc"
