// The Download page: its controls and texts, the printer details, and the list it
// shares with the Selection page.
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/SharedRecord.h"
#include "tests/ui/support/DownloadHarness.h"
#include "ui/CheckListCtrl.h"
#include "ui/Page1Selection.h"
#include "ui/Page3Upload.h"

using namespace testing_support;

namespace {

QLineEdit* Edit(QWidget* page, int id)
{
    return page->findChild<QLineEdit*>(QStringLiteral("edit%1").arg(id));
}

const auto kPlain = [](int x, int y) { return x == y; };

} // namespace

class TestDownloadPage : public QObject {
    Q_OBJECT
private slots:
    void controlsAndFirstVisitWithoutFiles();
    void printerDetailsFollowThePort();
    void showsTheLatestListAndTheSharedSelection();
    void headerClicksSortAndClearTheSharedSelection();
};

void TestDownloadPage::controlsAndFirstVisitWithoutFiles()
{
    DownloadHarness h;
    h.Show();
    CPage3Upload* page = h.upload;
    QCOMPARE(page->Caption(), QStringLiteral("Download Bitmap"));
    QCOMPARE(page->TemplateId(), 131);
    QCOMPARE(g_Shared.m_nActivePage, 2);
    QCOMPARE(Edit(page, 1075)->text(), QStringLiteral("  0 / 255"));
    QCOMPARE(Edit(page, 1074)->text(), QStringLiteral("  0 / 384 KByte"));

    auto* download = page->findChild<QPushButton*>(QStringLiteral("button1023"));
    QVERIFY(download);
    QCOMPARE(download->text(), QStringLiteral("&Download"));
    QVERIFY(download->isDefault());
    QVERIFY(download->isEnabled()); // also with an empty list: it offers to delete all
    QCOMPARE(download->geometry(), page->Dlu().Rect(182, 19, 74, 14));

    CCheckListCtrl* list = page->m_list;
    QCOMPARE(list->objectName(), QStringLiteral("list1001"));
    QCOMPARE(list->geometry(), page->Dlu().Rect(7, 19, 170, 175));
    QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(list->columnCount(), 4);
    QCOMPARE(list->columnWidth(0), 0);
    QCOMPARE(list->columnWidth(1), 50);
    QCOMPARE(list->columnWidth(2), list->width() - 141);
    QCOMPARE(list->columnWidth(3), 86);
    QCOMPARE(list->headerItem()->text(1), QStringLiteral("   No."));
    QCOMPARE(list->headerItem()->text(3), QStringLiteral("Size"));

    auto* group = page->findChild<QGroupBox*>(QStringLiteral("group1024"));
    QVERIFY(group);
    QCOMPARE(group->title(), QStringLiteral("Printer Details"));
    QCOMPARE(group->geometry(), page->Dlu().Rect(183, 39, 168, 52));
    for (const auto& [id, x, y] : {std::tuple{1077, 240, 52}, std::tuple{1076, 240, 72}}) {
        QLineEdit* edit = Edit(page, id);
        QVERIFY(edit);
        QVERIFY(edit->isReadOnly());
        QCOMPARE(edit->mapTo(page, QPoint(0, 0)), page->Dlu().Rect(x, y, 104, 12).topLeft());
    }
    QCOMPARE(page->HelpTopic(), QStringLiteral("Logo Upload"));
}

void TestDownloadPage::printerDetailsFollowThePort()
{
    DownloadHarness h;
    h.Show();
    QCOMPARE(Edit(h.upload, 1077)->text(), QStringLiteral("TM-T88"));
    QCOMPARE(Edit(h.upload, 1076)->text(), QStringLiteral("COM1"));
    QVERIFY(!h.upload->m_bToFile);

    h.UseFile();
    h.page.Activate(0);
    h.page.Activate(2);
    QCOMPARE(Edit(h.upload, 1077)->text(), QStringLiteral("To File"));
    QCOMPARE(Edit(h.upload, 1076)->text(), QStringLiteral("To File"));
    QVERIFY(h.upload->m_bToFile);

    h.UseSerialPrinter();
    g_Shared.m_strPortName = "COM3";
    h.page.Activate(1);
    h.page.Activate(2);
    QCOMPARE(Edit(h.upload, 1077)->text(), QStringLiteral("TM-T88"));
    QCOMPARE(Edit(h.upload, 1076)->text(), QStringLiteral("COM3"));
    QVERIFY(!h.upload->m_bToFile);
}

void TestDownloadPage::showsTheLatestListAndTheSharedSelection()
{
    DownloadHarness h;
    h.List(h.Logo("a.bmp", 8, 8, kPlain), 1);
    h.List(h.Logo("b.bmp", 100, 50, kPlain), 2);
    h.Show();
    QCOMPARE(ColumnTexts(*h.upload->m_list, 2), QStringList({"a.bmp", "b.bmp"}));
    QCOMPARE(Edit(h.upload, 1075)->text(), QStringLiteral("  2 / 255"));

    // A row chosen on the Selection page is the row shown selected here.
    h.page.Activate(1);
    h.List(h.Logo("c.bmp", 16, 16, kPlain), 3);
    h.page.Activate(0);
    ClickRow(*h.page.selection->m_list, 2);
    QCOMPARE(g_Shared.m_nSelItem, 2);
    h.page.Activate(2);
    QCOMPARE(ColumnTexts(*h.upload->m_list, 1), QStringList({"  1", "  2", "  3"}));
    QCOMPARE(ColumnTexts(*h.upload->m_list, 3).last().trimmed(), QStringLiteral("32"));
    QCOMPARE(Edit(h.upload, 1075)->text(), QStringLiteral("  3 / 255"));
    QCOMPARE(h.upload->m_list->GetSelectedRows(), std::vector<int>({2}));
    QCOMPARE(g_Shared.m_nSelItem, 2);

    // A row chosen here travels back.
    ClickRow(*h.upload->m_list, 0);
    QCOMPARE(g_Shared.m_nSelItem, 0);
    h.page.Activate(0);
    QCOMPARE(h.page.selection->m_list->GetSelectedRows(), std::vector<int>({0}));
}

// The first click on a header keeps the direction (descending after initialisation),
// the same header again reverses it, another header keeps it.
void TestDownloadPage::headerClicksSortAndClearTheSharedSelection()
{
    DownloadHarness h;
    h.List(h.Logo("b.bmp", 8, 8, kPlain), 1);
    h.List(h.Logo("c.bmp", 64, 64, kPlain), 2);
    h.List(h.Logo("a.bmp", 16, 16, kPlain), 3);
    h.Show();
    CCheckListCtrl* list = h.upload->m_list;
    ClickRow(*list, 1);
    QCOMPARE(g_Shared.m_nSelItem, 1);
    ClickHeader(*list, 2);
    QCOMPARE(g_Shared.m_nSelItem, -1);
    QCOMPARE(h.upload->m_nSortColumn, 2);
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"c.bmp", "b.bmp", "a.bmp"}));
    ClickHeader(*list, 2);
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"a.bmp", "b.bmp", "c.bmp"}));
    ClickHeader(*list, 3);
    QCOMPARE(h.upload->m_nSortColumn, 3);
    QVERIFY(h.upload->m_bSortAscending);
    QCOMPARE(ColumnTexts(*list, 2), QStringList({"b.bmp", "a.bmp", "c.bmp"}));
    QCOMPARE(list->GetSelectedCount(), 0);
}

QTEST_MAIN(TestDownloadPage)
#include "test_downloadpage.moc"
