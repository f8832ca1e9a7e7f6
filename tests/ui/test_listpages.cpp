// The three list pages over the one table model: what the model gives its views, how
// the view paints a cell, and a user's work on the Selection page with the other two
// pages following: refusals named, ticks and the shared selection that stay with their
// logos through sorting, removal and Reset, the sort rules, and the pages' layout.
#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>
#include <map>

#include "app/Session.h"
#include "platform/qt/QtPlatform.h"
#include "tests/ui/support/PageHarness.h"
#include "ui/CheckListCtrl.h"
#include "ui/Page1Selection.h"
#include "ui/Page3Upload.h"

using namespace testing_support;

namespace {

constexpr int kReset = 1014, kRemove = 1015, kOpenFile = 1016;
constexpr int kNameColumn = 2, kSizeColumn = 3;

CCheckListCtrl& ListOn(PageHarness& h, int tab)
{
    return *FindChild<CCheckListCtrl>(h.Sheet()->GetPage(tab), QStringLiteral("list1001"));
}

void Press(PageHarness& h, int button)
{
    FindChild<QPushButton>(h.selection, QStringLiteral("button%1").arg(button))->click();
}

QStringList Counters(QWidget* page)
{
    return {FindChild<QLineEdit>(page, QStringLiteral("edit1075"))->text(),
            FindChild<QLineEdit>(page, QStringLiteral("edit1074"))->text()};
}

QStringList Selected(const CCheckListCtrl& list)
{
    QStringList names;
    for (const int row : list.GetSelectedRows())
        names << list.GetItemText(row, kNameColumn);
    return names;
}

int RowOf(const CCheckListCtrl& list, const QString& name)
{
    return static_cast<int>(ColumnTexts(list, kNameColumn).indexOf(name));
}

QStringList Ticked(const CCheckListCtrl& list)
{
    QStringList names;
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (list.GetCheck(row))
            names << list.GetItemText(row, kNameColumn);
    names.sort();
    return names;
}

} // namespace

class TestListPages : public QObject {
    Q_OBJECT
private slots:
    void theModelGivesItsViewsTypedValuesAndFollowsTheList();
    void cellsAreShortenedAndAlignedAsPainted();
    void openFileNamesEveryRefusedFileAndNumbersTheRest();
    void ticksAndTheSelectionStayWithTheirLogos();
    void removeAndResetAskFirst();
    void thePagesGrowWithTheWindowWithoutOverlapOrCutText();
};

void TestListPages::theModelGivesItsViewsTypedValuesAndFollowsTheList()
{
    FakePlatform fake;
    TempDir dir;
    LogoList list;
    CLogoLoader loader(list);
    LogoTableModel model(list);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted),
        removed(&model, &QAbstractItemModel::rowsRemoved), reset(&model, &QAbstractItemModel::modelReset),
        changed(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(loader.AddFile(0, WriteSolidBmp(dir.File("b.bmp"), 200, 100)).Added());
    QVERIFY(loader.AddFile(0, WriteSolidBmp(dir.File("a.bmp"), 8, 8)).Added());
    QCOMPARE(inserted.count(), 2);
    QCOMPARE(model.rowCount(), 2);
    const auto at = [&](int row, int column, int role) { return model.index(row, column).data(role); };
    QCOMPARE(at(0, 1, Qt::DisplayRole).toString(), QStringLiteral("  1"));
    QCOMPARE(at(0, 2, Qt::DisplayRole).toString(), QStringLiteral("b.bmp"));
    QCOMPARE(at(0, 3, Qt::DisplayRole).toString(), QStringLiteral("%1").arg(2600, 15));
    QCOMPARE(at(0, 2, Qt::ToolTipRole).toString(), QString::fromStdString(dir.File("b.bmp")));
    // Sorting compares the values, not their texts.
    QCOMPARE(at(1, 3, LogoTableModel::kSortRole), QVariant(8));
    QCOMPARE(at(0, 1, LogoTableModel::kSortRole), QVariant(1));
    QCOMPARE(at(1, 0, LogoTableModel::kSortRole), at(0, 0, LogoTableModel::kSortRole));

    // The tick is the logo's centring; a screen reader names the logo it belongs to.
    QCOMPARE(at(0, 0, Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
    QVERIFY(model.setData(model.index(0, 0), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(list.At(0).centre && !list.At(1).centre);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(at(0, 0, Qt::AccessibleTextRole).toString(), QStringLiteral("Centre b.bmp"));

    // The shared selection moves with its row and goes with it.
    model.SetSelectedRow(1);
    loader.RemoveFile(1);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(model.SelectedRow(), 0);
    loader.ReloadStored({});
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.SelectedRow(), -1);
}

void TestListPages::cellsAreShortenedAndAlignedAsPainted()
{
    QStandardItemModel model(0, 4);
    const Qt::Alignment formats[] = {Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignLeft, Qt::AlignRight};
    for (int column = 0; column < 4; ++column)
        model.setHeaderData(column, Qt::Horizontal, int(formats[column]), Qt::TextAlignmentRole);
    model.appendRow(
        {new QStandardItem, new QStandardItem("  1"), new QStandardItem("a.bmp"), new QStandardItem("  8")});
    model.appendRow({new QStandardItem, new QStandardItem("  2"), new QStandardItem("b.bmp"),
                     new QStandardItem("a-size-text-far-too-long-for-its-column")});
    CCheckListCtrl list;
    list.setModel(&model);
    list.resize(320, 240);
    for (const auto& [column, width] : {std::pair{0, 17}, {1, 50}, {2, 140}, {3, 86}})
        list.header()->resizeSection(column, width);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.selectionModel()->clearCurrentIndex(); // no focus rectangle over the cells
    const QFontMetrics fm = list.fontMetrics();
    const int margin = CCheckListCtrl::kCellMargin;

    // The longest beginning that fits with the margin and an ellipsis reserved as four
    // characters (the dots and a terminating zero); one character more would not fit.
    const int ellipsis = fm.horizontalAdvance(QString::fromLatin1("...\0", 4));
    for (const auto& [text, width] : {std::pair{QStringLiteral("a-very-long-logo-file-name.bmp"), 120},
                                      {QStringLiteral("%1").arg(2600, 15), 40}}) {
        const QString kept = CCheckListCtrl::ShortenToWidth(fm, text, width, margin).chopped(3);
        QVERIFY(text.startsWith(kept) && kept.size() > 1);
        QVERIFY(fm.horizontalAdvance(kept) + margin + ellipsis <= width);
        QVERIFY(fm.horizontalAdvance(text.left(kept.size() + 1)) + margin + ellipsis > width);
    }
    const QString text = QStringLiteral("logo.bmp");
    const int exact = fm.horizontalAdvance(text) + margin;
    QCOMPARE(CCheckListCtrl::ShortenToWidth(fm, text, exact, margin), text);
    QVERIFY(CCheckListCtrl::ShortenToWidth(fm, text, exact - 1, margin).endsWith(QStringLiteral("...")));
    QCOMPARE(CCheckListCtrl::ShortenToWidth(fm, text, 14, margin), QString());
    QCOMPARE(CCheckListCtrl::ShortenToWidth(fm, QStringLiteral("WWWW"), 15, margin), QStringLiteral("W..."));

    // Ink of a painted cell: a text that fits keeps its column's alignment, a shortened
    // one is left-aligned.
    const QImage image = list.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto ink = [&](int row, int column) {
        const QRect cell = list.TextRect(row, column).adjusted(-margin, 0, margin, 0);
        int first = -1, last = -1;
        for (int x = cell.left(); x <= cell.right(); ++x)
            for (int y = cell.top() + 1; y < cell.bottom(); ++y)
                if (image.pixel(x, y) != list.m_clrBkgnd.rgb()) {
                    first = first < 0 ? x : first;
                    last = x;
                }
        return std::pair{first, last};
    };
    const int slack = 2; // glyph side bearings
    QVERIFY(qAbs(ink(0, 3).second - list.TextRect(0, 3).right()) <= slack);
    QCOMPARE(list.DisplayText(1, 3), CCheckListCtrl::ShortenToWidth(fm, list.GetItemText(1, 3), 86, margin));
    QVERIFY(qAbs(ink(1, 3).first - list.TextRect(1, 3).left()) <= slack);
    QVERIFY(qAbs(ink(0, 2).first - list.TextRect(0, 2).left()) <= slack);
    const QRect number = list.TextRect(0, 1);
    const int advance = fm.horizontalAdvance(QStringLiteral("  1"));
    QVERIFY(qAbs(ink(0, 1).second - (number.left() + (number.width() - advance) / 2 + advance)) <= slack);
}

void TestListPages::openFileNamesEveryRefusedFileAndNumbersTheRest()
{
    PageHarness h;
    h.Show(0);
    QCOMPARE(Counters(h.selection), QStringList({"  0 / 255", "  0 / 384 KByte"}));
    const auto paths = h.Logos({"one.bmp", "two.bmp", "three.bmp"});
    h.work.Write("notes.txt", "no picture");
    h.fake.files.openChoices.push_back({true, {paths[0], h.work.File("notes.txt"), paths[1], paths[2]}});
    Press(h, kOpenFile);
    QCOMPARE(h.fake.boxes.Texts(),
             std::vector<std::string>{"This file was not added:\r\n" + h.work.File("notes.txt") +
                                      ": not a BMP, PNG, JPEG or GIF file"});
    QCOMPARE(h.fake.boxes.shown[0].flags, 0x30u);
    QCOMPARE(ColumnTexts(*h.selection->m_list, kNameColumn),
             QStringList({"one.bmp", "two.bmp", "three.bmp"}));
    QCOMPARE(Counters(h.selection), QStringList({"  3 / 255", "  1 / 384 KByte"}));
    const QStringList offered =
        platform::qt::QtFilterFromWindows(h.fake.files.filters.at(0)).split(QStringLiteral(";;"));
    QCOMPARE(offered.front(),
             QStringLiteral("Images (*.bmp *.BMP *.png *.PNG *.jpg *.JPG *.jpeg *.JPEG *.gif *.GIF)"));
    QCOMPARE(offered.back(), QStringLiteral("All Files (*.*)"));
    // Classic would print these dark logos as solid blocks: the status line says so, in
    // full for the first and by name for the others, once per file.
    auto* status = FindChild<QLabel>(h.selection, QStringLiteral("labelSelectionStatus"));
    QTRY_VERIFY(status->text().endsWith(QStringLiteral("\nAlso: two.bmp, three.bmp")));
    QVERIFY(status->text().startsWith(QStringLiteral("one.bmp would print 100 % black under Classic.")));
    QVERIFY(status->isVisible());
    h.Activate(2);
    QCOMPARE(Counters(h.upload), QStringList({"  3 / 255", "  1 / 384 KByte"}));
    h.Activate(0);
    h.fake.files.openChoices.push_back({true, {paths[0]}});
    Press(h, kOpenFile);
    QCoreApplication::processEvents(); // a file to look at would be looked at now
    QVERIFY(!status->isVisible());
}

// The logos listed in this order, their sizes (8 dots high: the width; else width x
// bands) following another, and one name starting with a capital.
void TestListPages::ticksAndTheSelectionStayWithTheirLogos()
{
    PageHarness h;
    h.StartUp({h.Logo("Beta.bmp", 24, 8), h.Logo("alpha.bmp", 8, 8), h.Logo("gamma_tall.bmp", 8, 40),
               h.Logo("delta.bmp", 16, 8)});
    h.Show(0);
    CCheckListCtrl& list = *h.selection->m_list;
    ClickHeader(list, kSizeColumn); // descending at first
    QCOMPARE(ColumnTexts(list, kNameColumn),
             QStringList({"gamma_tall.bmp", "Beta.bmp", "delta.bmp", "alpha.bmp"}));
    ClickCheck(list, RowOf(list, "Beta.bmp"));
    QCOMPARE(list.GetSelectedCount(), 0); // a click on a box only ticks it
    ClickRow(list, RowOf(list, "alpha.bmp"));
    QTest::keyClick(&list, Qt::Key_Space);           // so does Space, on the focused row
    QVERIFY(h.CurrentSession().m_list.At(1).centre); // alpha
    h.Activate(1);
    h.Activate(0);
    QCOMPARE(Ticked(list), QStringList({"Beta.bmp", "alpha.bmp"}));
    // Names sort without regard to case; a click on the same header turns the order.
    ClickHeader(list, kNameColumn);
    ClickHeader(list, kNameColumn);
    QCOMPARE(ColumnTexts(list, kNameColumn),
             QStringList({"alpha.bmp", "Beta.bmp", "delta.bmp", "gamma_tall.bmp"}));
    QCOMPARE(Ticked(list), QStringList({"Beta.bmp", "alpha.bmp"}));

    // The logo chosen on one page is the one the others show chosen (and the preview
    // draws: PreviewPageTest).
    ClickHeader(list, kSizeColumn);
    ClickRow(list, RowOf(list, "gamma_tall.bmp"));
    h.Activate(1);
    QCOMPARE(Selected(ListOn(h, 1)), QStringList({"gamma_tall.bmp"}));
    h.Activate(2);
    QCOMPARE(Selected(ListOn(h, 2)), QStringList({"gamma_tall.bmp"}));
    ClickHeader(ListOn(h, 2), kNameColumn);
    QCOMPARE(Selected(ListOn(h, 2)), QStringList()); // a header click clears the choice
    ClickHeader(ListOn(h, 2), kNameColumn);
    ClickRow(ListOn(h, 2), RowOf(ListOn(h, 2), "delta.bmp"));
    h.Activate(1);
    QCOMPARE(Selected(ListOn(h, 1)), QStringList({"delta.bmp"}));
    h.Activate(0);
    QCOMPARE(Selected(list), QStringList({"delta.bmp"}));
    // The list's own order on every visit; the boxes show only on the Selection page.
    QCOMPARE(ColumnTexts(list, kNameColumn),
             QStringList({"Beta.bmp", "alpha.bmp", "gamma_tall.bmp", "delta.bmp"}));
    QVERIFY(ListOn(h, 1).CheckRect(0).isEmpty() && !list.CheckRect(0).isEmpty());
}

void TestListPages::removeAndResetAskFirst()
{
    PageHarness h;
    h.StartUp(h.Logos({"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}));
    h.Show(0);
    CCheckListCtrl& list = *h.selection->m_list;
    Press(h, kRemove);
    QCOMPARE(h.fake.boxes.Texts(), std::vector<std::string>({"BMP file does not selected."}));
    QCOMPARE(h.fake.boxes.shown[0].flags, 0x30u);
    ClickRow(list, 3);
    ClickRow(list, 1, Qt::ControlModifier);
    h.fake.boxes.Answer(platform::IDNO);
    Press(h, kRemove);
    QCOMPARE(list.GetItemCount(), 5);
    Press(h, kRemove);
    QCOMPARE(h.fake.boxes.shown.size(), size_t{3});
    QCOMPARE(h.fake.boxes.shown[2].text, std::string("Remove selected file?"));
    QCOMPARE(h.fake.boxes.shown[2].caption, std::string("Nivora"));
    QCOMPARE(h.fake.boxes.shown[2].flags, 0x24u);
    QCOMPARE(ColumnTexts(list, kNameColumn), QStringList({"a.bmp", "c.bmp", "e.bmp"}));
    QCOMPARE(h.Model().SelectedRow(), -1);
    QCOMPARE(Counters(h.selection)[0], QStringLiteral("  3 / 255"));

    // Reset lists the stored files again (which numbers and ticks they get is
    // LogoListTest's), once the user agrees.
    h.fake.boxes.shown.clear();
    h.fake.boxes.Answer(platform::IDNO);
    Press(h, kReset);
    QCOMPARE(h.fake.boxes.shown.at(0).text, std::string("Reseting the file. \nContinue it?"));
    QCOMPARE(h.fake.boxes.shown.at(0).flags, 0x24u);
    QCOMPARE(list.GetItemCount(), 3);
    Press(h, kReset);
    QCOMPARE(ColumnTexts(list, kNameColumn), QStringList({"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}));
    QCOMPARE(Counters(h.selection), QStringList({"  5 / 255", "  1 / 384 KByte"}));
}

namespace {

// Every control of a page and of its group boxes: inside its container, clear of its
// neighbours, its text whole; the page's font throughout.
void CheckForm(const QWidget* page, const QWidget* container)
{
    const QList<QWidget*> controls = container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (const QWidget* control : controls) {
        if (!control->isVisible())
            continue;
        const QString name = control->objectName() + " " + container->objectName();
        QVERIFY2(container->rect().contains(control->geometry()), qPrintable(name + " sticks out"));
        for (const QWidget* other : controls)
            if (other != control && other->isVisible())
                QVERIFY2(!control->geometry().intersects(other->geometry()),
                         qPrintable(name + " overlaps " + other->objectName()));
        if (!qobject_cast<const QLabel*>(control) && !qobject_cast<const QAbstractButton*>(control) &&
            !qobject_cast<const QGroupBox*>(control))
            continue;
        QVERIFY2(control->font() == page->font(), qPrintable(name + " has another font"));
        const auto* label = qobject_cast<const QLabel*>(control);
        if (label && !label->wordWrap()) {
            const QString shown = label->text().remove(QRegularExpression(QStringLiteral("&(?!&)")));
            QVERIFY2(label->fontMetrics().horizontalAdvance(shown) <= label->width(),
                     qPrintable(label->text()));
        }
        if (qobject_cast<const QCheckBox*>(control) || qobject_cast<const QRadioButton*>(control))
            QVERIFY2(control->sizeHint().width() <= control->width(), qPrintable(name + " is cut"));
        if (const auto* group = qobject_cast<const QGroupBox*>(control)) {
            QVERIFY2(group->fontMetrics().horizontalAdvance(group->title()) < group->width(),
                     qPrintable(name));
            CheckForm(page, group);
        }
    }
}

} // namespace

// The window opens at its pages' template size and every page follows a larger one:
// the lists, the preview and the boxes grow, nothing overlaps and no text is cut. A
// full list keeps its sizes whole at either size.
void TestListPages::thePagesGrowWithTheWindowWithoutOverlapOrCutText()
{
    PageHarness h;
    for (int i = 1; i <= kMaxLogos; ++i)
        h.CurrentSession().m_list.Append(
            {0, "/logos/logo.bmp", "logo.bmp", ImageKind::Bmp, 512, 2304, 147456, false});
    h.ShowProgram();
    CPropertySheet* sheet = h.Sheet();
    QCOMPARE(sheet->size(), sheet->sizeHint());
    QCOMPARE(sheet->minimumSize(), sheet->sizeHint());
    std::map<QString, QSize> before;
    for (const QSize size : {sheet->sizeHint(), QSize(1400, 1000)}) {
        sheet->resize(size);
        for (int tab = 0; tab < sheet->GetPageCount(); ++tab) {
            h.Activate(tab);
            QWidget* page = sheet->GetPage(tab);
            QTRY_COMPARE(page->size(), sheet->Tabs()->currentWidget()->size());
            if (size == sheet->sizeHint()) { // the template's size, give or take the tab frame's rounding
                const QSize extra = page->size() - page->minimumSize();
                QVERIFY(extra.width() >= 0 && extra.width() <= 2 && extra.height() >= 0 &&
                        extra.height() <= 2);
            }
            CheckForm(page, page);
            // What grows: the lists, the preview, the Setup boxes.
            for (const char* grows : {"list1001", "frame1017", "combo1045", "combo1044"}) {
                auto* widget = page->findChild<QWidget*>(QString::fromLatin1(grows));
                if (!widget)
                    continue;
                const QString key = page->objectName() + grows;
                if (size == sheet->sizeHint())
                    before[key] = widget->size();
                else
                    QVERIFY2(widget->width() > before[key].width() + 200, qPrintable(key));
            }
            if (tab > 2)
                continue;
            CCheckListCtrl& list = ListOn(h, tab);
            QTRY_VERIFY(list.verticalScrollBar()->isVisible());
            QTRY_VERIFY(!list.horizontalScrollBar()->isVisible());
            const QHeaderView* header = list.header();
            QVERIFY(header->sectionViewportPosition(3) + header->sectionSize(3) <= list.viewport()->width());
            QVERIFY(header->sectionViewportPosition(3) + header->sectionSize(3) >=
                    list.viewport()->width() - 2);
            for (const int row : {0, kMaxLogos - 1}) {
                list.scrollTo(list.model()->index(row, 2));
                QCOMPARE(list.DisplayText(row, 3), list.GetItemText(row, 3));
            }
            // Only the Download page's counters go without a border.
            QCOMPARE(FindChild<QLineEdit>(page, QStringLiteral("edit1075"))->hasFrame(), tab != 2);
            QVERIFY(list.isColumnHidden(LogoTableModel::kAdjustColumn)); // no logo has adjustments
        }
    }
    // An adjusted logo brings its column, and the sizes still show whole beside it.
    Adjustments adjust;
    adjust.gamma = 1.4;
    h.CurrentSession().m_list.SetAdjust(0, adjust, 147456);
    sheet->resize(sheet->sizeHint());
    h.Activate(0);
    CCheckListCtrl& selection = ListOn(h, 0);
    QVERIFY(!selection.isColumnHidden(LogoTableModel::kAdjustColumn));
    QTRY_VERIFY(!selection.horizontalScrollBar()->isVisible());
    QCOMPARE(selection.DisplayText(0, 3), selection.GetItemText(0, 3));
    QCOMPARE(selection.DisplayText(0, LogoTableModel::kAdjustColumn), QStringLiteral("\u03b31.4"));
}

QTEST_MAIN(TestListPages)
#include "test_listpages.moc"
