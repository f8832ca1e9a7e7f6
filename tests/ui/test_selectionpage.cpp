// The Selection page: building the list through the file dialog, removing and
// resetting it, the ticks and the shared selection.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/SharedRecord.h"
#include "app/Text.h"
#include "tests/ui/support/PageHarness.h"
#include "ui/CheckListCtrl.h"
#include "ui/Page1Selection.h"
#include "ui/PropertySheet.h"

using namespace testing_support;

namespace {

QLineEdit* Edit(QWidget* page, int id)
{
    return page->findChild<QLineEdit*>(QStringLiteral("edit%1").arg(id));
}
QPushButton* Button(QWidget* page, int id)
{
    return page->findChild<QPushButton*>(QStringLiteral("button%1").arg(id));
}
std::vector<std::string> Paths(PageHarness& h, const std::vector<std::string>& names)
{
    std::vector<std::string> paths;
    for (const std::string& name : names)
        paths.push_back(h.Logo(name, 16, 16));
    return paths;
}

} // namespace

class TestSelectionPage : public QObject {
    Q_OBJECT
private slots:
    void layoutAndFirstVisitWithoutStoredFiles();
    void openFileAddsTheChosenFilesAndRemembersTheLastOne();
    void removingRows1And3RemovesBothAndFreesTheirNumbers();
    void removeAsksFirstAndNeedsASelection();
    void ticksSurviveATripToPreviewAndBack();
    void openFileKeepsTheTicksOfTheRowsAlreadyListed();
    void resetRebuildsTheListFromTheProfile();
    void resetOfAProfileWhoseFilesAreGoneShowsZeroCounters();
    void headerClicksSortAndReverse();
    void selectionTravelsToThePreviewPage();
};

void TestSelectionPage::layoutAndFirstVisitWithoutStoredFiles()
{
    PageHarness h;
    h.Show(0);
    CPage1Selection* page = h.selection;
    QCOMPARE(Edit(page, 1075)->text(), QStringLiteral("  0 / 255"));
    QCOMPARE(Edit(page, 1074)->text(), QStringLiteral("  0 / 384 KByte"));
    QVERIFY(Edit(page, 1075)->isReadOnly());
    QVERIFY(h.app.m_bListLoaded);
    QCOMPARE(g_Shared.m_nActivePage, 0);
    QCOMPARE(Button(page, 1016)->text(), QStringLiteral("&Open File..."));
    QVERIFY(Button(page, 1016)->isDefault());
    QCOMPARE(Button(page, 1015)->text(), QStringLiteral("Re&move"));
    QCOMPARE(Button(page, 1014)->text(), QStringLiteral("&Reset"));
    QCOMPARE(Button(page, 1016)->geometry(), page->Dlu().Rect(185, 19, 74, 14));
    CCheckListCtrl* list = page->m_list;
    QCOMPARE(list->objectName(), QStringLiteral("list1001"));
    QCOMPARE(list->geometry(), page->Dlu().Rect(7, 19, 170, 175));
    QCOMPARE(list->columnCount(), 4);
    QCOMPARE(list->headerItem()->text(1), QStringLiteral("   No."));
    QCOMPARE(list->columnWidth(0), 17);
    QCOMPARE(list->columnWidth(2), list->width() - 17 - 50 - 86 - 5);
    QCOMPARE(list->columnWidth(3), 86);
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    page->WinHelp();
    QCOMPARE(page->HelpTopic(), QStringLiteral("Bitmap Selection"));
}

void TestSelectionPage::openFileAddsTheChosenFilesAndRemembersTheLastOne()
{
    PageHarness h;
    h.Show(0);
    const auto paths = Paths(h, {"one.bmp", "two.bmp", "three.bmp"});
    h.fake.files.openChoices.push_back({true, paths});
    h.fake.files.openChoices.push_back({false, {}});
    QTest::mouseClick(Button(h.selection, 1016), Qt::LeftButton);
    CCheckListCtrl* list = h.selection->m_list;
    QCOMPARE(ColumnTexts(*list, 1), QStringList({"  1", "  2", "  3"}));
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"one.bmp", "two.bmp", "three.bmp"}));
    QCOMPARE(list->GetItemText(0, 3), QStringLiteral("%1").arg(32, 15));
    QCOMPARE(Edit(h.selection, 1075)->text(), QStringLiteral("  3 / 255"));
    QCOMPARE(Edit(h.selection, 1074)->text(), QStringLiteral("  1 / 384 KByte"));
    // The next dialog opens at the last file chosen; cancelling changes nothing.
    QTest::mouseClick(Button(h.selection, 1016), Qt::LeftButton);
    QCOMPARE(h.fake.files.initialPaths, std::vector<std::string>({"", paths.back()}));
    QCOMPARE(list->GetItemCount(), 3);
    QVERIFY(h.fake.boxes.shown.empty());
}

void TestSelectionPage::removingRows1And3RemovesBothAndFreesTheirNumbers()
{
    PageHarness h;
    h.StoreProfile(Paths(h, {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}));
    h.StartUp();
    h.Show(0);
    CCheckListCtrl* list = h.selection->m_list;
    QCOMPARE(g_Shared.m_nStoredCount, 5);
    ClickRow(*list, 3);
    ClickRow(*list, 1, Qt::ControlModifier);
    QCOMPARE(list->GetSelectedRows(), std::vector<int>({1, 3}));
    QCOMPARE(g_Shared.m_nSelItem, 1); // the row clicked last

    QTest::mouseClick(Button(h.selection, 1015), Qt::LeftButton);
    QCOMPARE(h.fake.boxes.shown.size(), size_t{1});
    QCOMPARE(h.fake.boxes.shown[0].text, std::string("Remove selected file?"));
    QCOMPARE(h.fake.boxes.shown[0].caption, std::string("Nivora"));
    QCOMPARE(h.fake.boxes.shown[0].flags, 0x24u);
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"a.bmp", "c.bmp", "e.bmp"}));
    QCOMPARE(g_Shared.m_arrName, std::vector<std::string>({"a.bmp", "c.bmp", "e.bmp"}));
    QCOMPARE(g_Shared.m_nStoredCount, 3);
    QCOMPARE(g_Shared.m_nSelItem, -1);
    QCOMPARE(Edit(h.selection, 1075)->text(), QStringLiteral("  3 / 255"));

    // The freed numbers go to the next files, lowest first, then the count goes on.
    h.fake.files.openChoices.push_back({true, Paths(h, {"f.bmp", "g.bmp", "h.bmp"})});
    QTest::mouseClick(Button(h.selection, 1016), Qt::LeftButton);
    QCOMPARE(ColumnTexts(*list, 1), QStringList({"  1", "  3", "  5", "  2", "  4", "  6"}));

    // Shown again after leaving: no row is selected.
    h.Activate(1);
    h.Activate(0);
    QCOMPARE(list->GetSelectedCount(), 0);
}

void TestSelectionPage::removeAsksFirstAndNeedsASelection()
{
    PageHarness h;
    h.StoreProfile(Paths(h, {"a.bmp", "b.bmp"}));
    h.StartUp();
    h.Show(0);
    CCheckListCtrl* list = h.selection->m_list;
    QTest::mouseClick(Button(h.selection, 1015), Qt::LeftButton);
    QCOMPARE(h.fake.boxes.Texts(), std::vector<std::string>({"BMP file does not selected."}));
    QCOMPARE(h.fake.boxes.shown[0].flags, 0x30u);

    ClickRow(*list, 0);
    h.fake.boxes.Answer(platform::IDNO);
    QTest::mouseClick(Button(h.selection, 1015), Qt::LeftButton);
    QCOMPARE(list->GetItemCount(), 2);
    QCOMPARE(g_Shared.LogoCount(), 2);
    QCOMPARE(g_Shared.m_nStoredCount, 2);
}

void TestSelectionPage::ticksSurviveATripToPreviewAndBack()
{
    PageHarness h;
    h.Show(0);
    h.fake.files.openChoices.push_back({true, Paths(h, {"a.bmp", "b.bmp", "c.bmp"})});
    QTest::mouseClick(Button(h.selection, 1016), Qt::LeftButton);
    CCheckListCtrl* list = h.selection->m_list;
    QTest::mouseClick(list->m_checks[2], Qt::LeftButton);
    QVERIFY(list->GetCheck(2));

    h.Activate(1);
    QCOMPARE(g_Shared.m_arrAutoCenter[2], 1);
    QCOMPARE(g_Shared.m_arrAutoCenter[0], 0);
    h.Activate(0);
    QCOMPARE(std::vector<bool>({list->GetCheck(0), list->GetCheck(1), list->GetCheck(2)}),
             std::vector<bool>({false, false, true}));

    // Removing a row moves the ticks of the rows after it up with their logos.
    ClickRow(*list, 1);
    QTest::mouseClick(Button(h.selection, 1015), Qt::LeftButton);
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"a.bmp", "c.bmp"}));
    QVERIFY(list->GetCheck(1));
    h.Activate(1);
    QCOMPARE(g_Shared.m_arrAutoCenter[1], 1);
}

void TestSelectionPage::openFileKeepsTheTicksOfTheRowsAlreadyListed()
{
    PageHarness h;
    h.Show(0);
    h.fake.files.openChoices.push_back({true, Paths(h, {"a.bmp", "b.bmp"})});
    QTest::mouseClick(Button(h.selection, 1016), Qt::LeftButton);
    CCheckListCtrl* list = h.selection->m_list;
    list->SetCheck(0, true);
    h.fake.files.openChoices.push_back({true, Paths(h, {"c.bmp"})});
    QTest::mouseClick(Button(h.selection, 1016), Qt::LeftButton);
    QCOMPARE(list->GetItemCount(), 3);
    QCOMPARE(std::vector<bool>({list->GetCheck(0), list->GetCheck(1), list->GetCheck(2)}),
             std::vector<bool>({true, false, false}));
}

void TestSelectionPage::resetRebuildsTheListFromTheProfile()
{
    PageHarness h;
    h.StoreProfile(Paths(h, {"a.bmp", "b.bmp", "c.bmp"}));
    h.StartUp();
    h.Show(0);
    CCheckListCtrl* list = h.selection->m_list;
    list->SetCheck(1, true);
    h.Activate(1); // the tick is stored per row
    h.Activate(0);
    ClickRow(*list, 0);
    QTest::mouseClick(Button(h.selection, 1015), Qt::LeftButton);
    h.fake.files.openChoices.push_back({true, Paths(h, {"new.bmp"})});
    QTest::mouseClick(Button(h.selection, 1016), Qt::LeftButton);
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"b.bmp", "c.bmp", "new.bmp"}));

    h.fake.boxes.shown.clear();
    h.fake.boxes.Answer(platform::IDNO);
    QTest::mouseClick(Button(h.selection, 1014), Qt::LeftButton);
    QCOMPARE(h.fake.boxes.shown.at(0).text, std::string("Reseting the file. \nContinue it?"));
    QCOMPARE(h.fake.boxes.shown.at(0).flags, 0x24u);
    QCOMPARE(list->GetItemCount(), 3);
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"b.bmp", "c.bmp", "new.bmp"}));

    h.fake.boxes.Answer(platform::IDYES);
    QTest::mouseClick(Button(h.selection, 1014), Qt::LeftButton);
    QCOMPARE(ColumnTexts(*list, 1), QStringList({"  1", "  2", "  3"}));
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"a.bmp", "b.bmp", "c.bmp"}));
    QCOMPARE(g_Shared.m_arrName, std::vector<std::string>({"a.bmp", "b.bmp", "c.bmp"}));
    QCOMPARE(g_Shared.m_nStoredCount, 3);
    QCOMPARE(g_Shared.m_nSelItem, -1);
    QCOMPARE(Edit(h.selection, 1075)->text(), QStringLiteral("  3 / 255"));
    QCOMPARE(Edit(h.selection, 1074)->text(), QStringLiteral("  1 / 384 KByte"));
    // The ticks stored per row index come back with the rows.
    QVERIFY(list->GetCheck(1));
    QVERIFY(!list->GetCheck(0));
    // A file added after the reset takes the next number again.
    h.fake.files.openChoices.push_back({true, Paths(h, {"d.bmp"})});
    QTest::mouseClick(Button(h.selection, 1016), Qt::LeftButton);
    QCOMPARE(list->GetItemText(3, 1), QStringLiteral("  4"));
}

void TestSelectionPage::resetOfAProfileWhoseFilesAreGoneShowsZeroCounters()
{
    PageHarness h;
    h.StoreProfile({h.work.File("gone1.bmp"), h.work.File("gone2.bmp")});
    h.Show(0);
    h.fake.files.openChoices.push_back({true, Paths(h, {"a.bmp", "b.bmp"})});
    QTest::mouseClick(Button(h.selection, 1016), Qt::LeftButton);
    QCOMPARE(Edit(h.selection, 1075)->text(), QStringLiteral("  2 / 255"));

    QTest::mouseClick(Button(h.selection, 1014), Qt::LeftButton);
    QCOMPARE(h.selection->m_list->GetItemCount(), 0);
    QCOMPARE(h.fake.boxes.Texts().back(),
             std::string("Bitmap files that was defined with Log file is incorrect."));
    QCOMPARE(g_Shared.m_nBadCount, 2);
    QCOMPARE(Edit(h.selection, 1075)->text(), QStringLiteral("  0 / 255"));
    QCOMPARE(Edit(h.selection, 1074)->text(), QStringLiteral("  0 / 384 KByte"));
    QCOMPARE(g_Shared.m_nTotalBytes, 0);
}

void TestSelectionPage::headerClicksSortAndReverse()
{
    PageHarness h;
    h.StoreProfile({h.Logo("b.bmp", 8, 8), h.Logo("c.bmp", 64, 64), h.Logo("a.bmp", 16, 16)});
    h.StartUp();
    h.Show(0);
    CCheckListCtrl* list = h.selection->m_list;
    list->SetCheck(0, true);
    // The first click on "Name" keeps the direction (descending after initialisation),
    // the second reverses it, a click on "Size" keeps it again.
    ClickHeader(*list, 2);
    QCOMPARE(h.selection->m_nSortColumn, 2);
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"c.bmp", "b.bmp", "a.bmp"}));
    ClickHeader(*list, 2);
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"a.bmp", "b.bmp", "c.bmp"}));
    ClickHeader(*list, 3);
    QCOMPARE(h.selection->m_nSortColumn, 3);
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"b.bmp", "a.bmp", "c.bmp"}));
    QCOMPARE(g_Shared.m_nSelItem, -1);
    // The tick stays on the first row, whatever is shown there.
    QVERIFY(list->GetCheck(0));
    QVERIFY(!list->GetCheck(1));
}

void TestSelectionPage::selectionTravelsToThePreviewPage()
{
    PageHarness h;
    h.StoreProfile(Paths(h, {"a.bmp", "b.bmp", "c.bmp", "d.bmp"}));
    h.StartUp();
    h.Show(0);
    ClickRow(*h.selection->m_list, 3);
    QCOMPARE(g_Shared.m_nSelItem, 3);
    h.Activate(1);
    h.Activate(0);
    // Coming back, the shared selection is shown again and is what Remove takes.
    QCOMPARE(h.selection->m_list->GetSelectedRows(), std::vector<int>({3}));
    QCOMPARE(h.selection->m_arrSelRow[0], 3);
    QTest::mouseClick(Button(h.selection, 1015), Qt::LeftButton);
    QCOMPARE(ColumnTexts(*h.selection->m_list, 2), QStringList({"a.bmp", "b.bmp", "c.bmp"}));
}

QTEST_MAIN(TestSelectionPage)
#include "test_selectionpage.moc"
