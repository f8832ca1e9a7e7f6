// The Selection page: building the list through the file dialog, removing and
// resetting it, the ticks and sorting.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <cstdio>

#include "app/SharedRecord.h"
#include "platform/qt/QtPlatform.h"
#include "tests/support/ImageWriters.h"
#include "tests/ui/support/PageHarness.h"
#include "ui/CheckListCtrl.h"
#include "ui/Page1Selection.h"

using namespace testing_support;

namespace {

constexpr int kReset = 1014, kRemove = 1015, kOpenFile = 1016;

void Press(PageHarness& h, int button)
{
    h.selection->findChild<QPushButton*>(QStringLiteral("button%1").arg(button))->click();
}

// Open File, the dialog answering with new 16 x 16 logos of these names.
void Open(PageHarness& h, const std::vector<std::string>& names)
{
    h.fake.files.openChoices.push_back({true, h.Logos(names)});
    Press(h, kOpenFile);
}

// The counters of stored images and of kilobytes.
QStringList Counters(PageHarness& h)
{
    return {h.selection->findChild<QLineEdit*>(QStringLiteral("edit1075"))->text(),
            h.selection->findChild<QLineEdit*>(QStringLiteral("edit1074"))->text()};
}

} // namespace

class TestSelectionPage : public QObject {
    Q_OBJECT
private slots:
    void filesAddedThroughTheDialogKeepTheirTicksThroughATripToPreview();
    void removingRows1And3RemovesBothAndFreesTheirNumbersThenSorting();
    void resetRebuildsTheListFromTheProfile();
    void theDialogOffersEveryKindAndAPngJoinsTheList();
};

void TestSelectionPage::filesAddedThroughTheDialogKeepTheirTicksThroughATripToPreview()
{
    PageHarness h;
    h.Show(0);
    QCOMPARE(Counters(h), QStringList({"  0 / 255", "  0 / 384 KByte"}));
    const auto paths = h.Logos({"one.bmp", "two.bmp", "three.bmp"});
    h.fake.files.openChoices.push_back({true, paths});
    h.fake.files.openChoices.push_back({false, {}});
    Press(h, kOpenFile);
    CCheckListCtrl* list = h.selection->m_list;
    QCOMPARE(ColumnTexts(*list, 1), QStringList({"  1", "  2", "  3"}));
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"one.bmp", "two.bmp", "three.bmp"}));
    QCOMPARE(list->GetItemText(0, 3), QStringLiteral("%1").arg(32, 15));
    QCOMPARE(Counters(h), QStringList({"  3 / 255", "  1 / 384 KByte"}));
    // The next dialog opens at the last file chosen; cancelling changes nothing.
    Press(h, kOpenFile);
    QCOMPARE(h.fake.files.initialPaths, std::vector<std::string>({"", paths.back()}));

    QTest::mouseClick(list->m_checks[2], Qt::LeftButton);
    QCOMPARE(list->GetSelectedCount(), 0); // a click on a box only ticks it
    ClickRow(*list, 0);
    QTest::keyClick(list, Qt::Key_Space); // so does Space, on the focused row
    h.Activate(1);
    QCOMPARE(g_Shared.m_arrAutoCenter[2], 1);
    h.Activate(0);
    Open(h, {"four.bmp"}); // and adding files keeps the ticks
    QCOMPARE(Ticks(*list), std::vector<bool>({true, false, true, false}));
    // Removing a row moves the ticks of the rows after it up with their logos.
    ClickRow(*list, 1);
    Press(h, kRemove);
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"one.bmp", "three.bmp", "four.bmp"}));
    QCOMPARE(Ticks(*list), std::vector<bool>({true, true, false}));
    h.Activate(1);
    QCOMPARE(g_Shared.m_arrAutoCenter[1], 1);
}

void TestSelectionPage::removingRows1And3RemovesBothAndFreesTheirNumbersThenSorting()
{
    PageHarness h;
    h.StartUp(h.Logos({"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}));
    h.Show(0);
    CCheckListCtrl* list = h.selection->m_list;
    Press(h, kRemove);
    QCOMPARE(h.fake.boxes.Texts(), std::vector<std::string>({"BMP file does not selected."}));
    QCOMPARE(h.fake.boxes.shown[0].flags, 0x30u);

    ClickRow(*list, 3);
    ClickRow(*list, 1, Qt::ControlModifier);
    QCOMPARE(list->GetSelectedRows(), std::vector<int>({1, 3}));
    QCOMPARE(g_Shared.m_nSelItem, 1); // the logo of the row clicked last
    h.fake.boxes.Answer(platform::IDNO);
    Press(h, kRemove);
    QCOMPARE(list->GetItemCount(), 5);
    Press(h, kRemove);
    QCOMPARE(h.fake.boxes.shown.size(), size_t{3});
    QCOMPARE(h.fake.boxes.shown[2].text, std::string("Remove selected file?"));
    QCOMPARE(h.fake.boxes.shown[2].caption, std::string("Nivora"));
    QCOMPARE(h.fake.boxes.shown[2].flags, 0x24u);
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"a.bmp", "c.bmp", "e.bmp"}));
    QCOMPARE(g_Shared.m_arrName, std::vector<std::string>({"a.bmp", "c.bmp", "e.bmp"}));
    QCOMPARE(g_Shared.m_nStoredCount, 3);
    QCOMPARE(g_Shared.m_nSelItem, -1);
    QCOMPARE(Counters(h)[0], QStringLiteral("  3 / 255"));

    // The freed numbers go to the next files, lowest first, then the count goes on.
    Open(h, {"f.bmp", "g.bmp", "h.bmp"});
    QCOMPARE(ColumnTexts(*list, 1), QStringList({"  1", "  3", "  5", "  2", "  4", "  6"}));

    // The first click on "Name" keeps the direction (descending after initialisation),
    // the second reverses it; the ticks go with their logos.
    list->SetCheck(0, true);
    ClickRow(*list, 2);
    ClickHeader(*list, 2);
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"h.bmp", "g.bmp", "f.bmp", "e.bmp", "c.bmp", "a.bmp"}));
    QCOMPARE(Ticks(*list), std::vector<bool>({false, false, false, false, false, true}));
    QCOMPARE(g_Shared.m_nSelItem, -1);
    ClickHeader(*list, 2);
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"a.bmp", "c.bmp", "e.bmp", "f.bmp", "g.bmp", "h.bmp"}));
    QCOMPARE(Ticks(*list), std::vector<bool>({true, false, false, false, false, false}));
}

void TestSelectionPage::resetRebuildsTheListFromTheProfile()
{
    PageHarness h;
    h.StartUp(h.Logos({"a.bmp", "b.bmp", "c.bmp"}));
    h.Show(0);
    CCheckListCtrl* list = h.selection->m_list;
    list->SetCheck(1, true);
    h.Activate(1); // b's tick is stored
    h.Activate(0);
    ClickRow(*list, 0);
    Press(h, kRemove);
    Open(h, {"new.bmp"});
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"b.bmp", "c.bmp", "new.bmp"}));

    h.fake.boxes.shown.clear();
    h.fake.boxes.Answer(platform::IDNO);
    Press(h, kReset);
    QCOMPARE(h.fake.boxes.shown.at(0).text, std::string("Reseting the file. \nContinue it?"));
    QCOMPARE(h.fake.boxes.shown.at(0).flags, 0x24u);
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"b.bmp", "c.bmp", "new.bmp"}));

    Press(h, kReset); // Yes
    QCOMPARE(ColumnTexts(*list, 1), QStringList({"  1", "  2", "  3"}));
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"a.bmp", "b.bmp", "c.bmp"}));
    QCOMPARE(g_Shared.m_arrName, std::vector<std::string>({"a.bmp", "b.bmp", "c.bmp"}));
    QCOMPARE(g_Shared.m_nStoredCount, 3);
    QCOMPARE(g_Shared.m_nSelItem, -1);
    QCOMPARE(Counters(h), QStringList({"  3 / 255", "  1 / 384 KByte"}));
    QCOMPARE(Ticks(*list), std::vector<bool>({false, true, false})); // b was listed before and keeps it
    Open(h, {"d.bmp"}); // the next file takes the next number again
    QCOMPARE(list->GetItemText(3, 1), QStringLiteral("  4"));

    // Every listed file gone from the disk: nothing listed, and the counters read zero.
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"})
        std::remove(h.work.File(name).c_str());
    Press(h, kReset);
    QCOMPARE(list->GetItemCount(), 0);
    QCOMPARE(Counters(h), QStringList({"  0 / 255", "  0 / 384 KByte"}));
    QCOMPARE(g_Shared.m_nTotalBytes, 0);
}

void TestSelectionPage::theDialogOffersEveryKindAndAPngJoinsTheList()
{
    PageHarness h;
    h.Show(0);
    const std::string png = WriteShadedPng(h.work.File("logo.png"), 100, 50);
    h.work.Write("notes.txt", "no picture");
    h.fake.files.openChoices.push_back({true, {png, h.work.File("notes.txt")}});
    Press(h, kOpenFile);
    const QStringList offered =
        platform::qt::QtFilterFromWindows(h.fake.files.filters.at(0)).split(QStringLiteral(";;"));
    QCOMPARE(offered.size(), 6);
    QCOMPARE(offered.front(),
             QStringLiteral("Images (*.bmp *.BMP *.png *.PNG *.jpg *.JPG *.jpeg *.JPEG *.gif *.GIF)"));
    QCOMPARE(offered.back(), QStringLiteral("All Files (*.*)"));
    QCOMPARE(ColumnTexts(*h.selection->m_list, 2), QStringList({"logo.png"}));
    QCOMPARE(h.selection->m_list->GetItemText(0, 3), QStringLiteral("%1").arg(728, 15));
    QCOMPARE(h.fake.boxes.Texts(),
             std::vector<std::string>({"Bitmap files that was defined with Log file is incorrect."}));
}

QTEST_MAIN(TestSelectionPage)
#include "test_selectionpage.moc"
