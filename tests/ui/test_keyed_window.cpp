// Logos stored by key, from the window, against the virtual printer on a loopback port:
// the Setup page's choice and Apply's memory line, the Key column, Download with its
// questions, the Printer Memory dialog and keys on the Print page. The protocol itself
// is the keyed runs' tests.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "app/Session.h"
#include "download/PrintedDots.h"
#include "download/StreamDecoder.h"
#include "keyed/KeyedRun.h"
#include "printer/NetPrinterList.h"
#include "tests/support/FakeNetPrinter.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/NetVirtualPrinter.h"
#include "tests/ui/support/PageHarness.h"
#include "ui/CheckListCtrl.h"
#include "ui/Page3Upload.h"
#include "ui/Page4Print.h"
#include "ui/Page5Setup.h"
#include "ui/PrinterMemoryDlg.h"

using namespace testing_support;

namespace {

enum Tab { kSelectionTab = 0, kDownloadTab = 2, kPrintTab = 3, kSetupTab = 4 };

// The program on a network printer at address, storing by key, its ledgers in the test's
// folder.
void Open(PageHarness& h, const std::string& address)
{
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(h.work.File("state")));
    QVERIFY(h.CurrentSession().Profile().WriteProfileString(printer::kNetSection, "Printer1", address));
    h.ShowProgram();
    QWidget* setup = h.Sheet()->GetPage(kSetupTab);
    QVERIFY(Choose(FindChild<QComboBox>(setup, "combo1045"), QString::fromStdString("NET:" + address)));
    QVERIFY(Choose(FindChild<QComboBox>(setup, "comboNvStorage"), "By key (GS ( L)"));
}

// Clicks a button of a page and waits for the run it starts to end.
void Run(PageHarness& h, int tab, const char* button, const RunHost& run)
{
    h.Activate(tab);
    FindChild<QPushButton>(h.Sheet()->GetPage(tab), button)->click();
    QTRY_VERIFY_WITH_TIMEOUT(!run.Running(), 20000);
}

RunHost& DownloadRun(PageHarness& h)
{
    return static_cast<CPage3Upload*>(h.Sheet()->GetPage(kDownloadTab))->m_run;
}

// The key-coded definitions and prints the printer received from offset on: "define 01",
// "print 01 3".
QStringList Commands(const NetVirtualPrinter& printer, size_t from)
{
    const std::vector<uint8_t> all = printer.Received();
    const DecodedStream stream = DecodeStream({all.begin() + static_cast<std::ptrdiff_t>(from), all.end()});
    QStringList commands;
    for (const StreamEvent& event : stream.events) {
        const QString key = QString::fromStdString(event.key);
        if (event.kind == StreamEventKind::KeyedDefine)
            commands << "define " + key;
        else if (event.kind == StreamEventKind::KeyedPrint)
            commands << QStringLiteral("print %1 %2").arg(key).arg(event.mode);
    }
    return commands;
}

std::string LastBox(const PageHarness& h)
{
    return h.fake.boxes.shown.empty() ? std::string() : h.fake.boxes.shown.back().text;
}

} // namespace

class TestKeyedWindow : public QObject {
    Q_OBJECT
private slots:
    void aJourneyByKeyFromApplyToThePrintPage();
    void applyTellsThatThereIsNoKeyCodedMemory();
    void theKeyColumnIsShownByKeyAndRefusesWhatIsNoFreeKey();
};

// Apply tells the memory; Download asks, stores, stores again only what changed or, told
// to, all; Printer Memory prints and deletes; the Print page prints typed keys.
void TestKeyedWindow::aJourneyByKeyFromApplyToThePrintPage()
{
    PageHarness h;
    FakeDeviceRoot root{h.CurrentSession().m_context};
    NetVirtualPrinter printer({}, h.pauses);
    h.StartUp({h.Logo("a.bmp", 16, 16), h.Logo("wide.bmp", 200, 64, 0x102030)});
    Open(h, printer.Port().substr(6));
    QVERIFY(h.CurrentSession().Profile().GetProfileString("SETUP", "NvStorage") == "ByKey");
    auto* setup = static_cast<CPage5Setup*>(h.Sheet()->GetPage(kSetupTab));
    auto* status = FindChild<QLabel>(setup, "labelSetupStatus");
    h.Sheet()->GetButton(CPropertySheet::Button::Apply)->click();
    QTRY_VERIFY_WITH_TIMEOUT(!setup->m_run.Running(), 20000);
    QVERIFY2(status->text().endsWith("\nKey-coded memory: 262,144 bytes, 262,144 free, 0 logos stored"),
             qPrintable(status->text()));

    // No to the erasure of the FS q images: nothing is written.
    h.fake.boxes.Answer(platform::IDNO);
    Run(h, kDownloadTab, "button1023", DownloadRun(h));
    QCOMPARE(h.fake.boxes.shown.at(0).text, std::string(keyed::kMutualErasureText));
    QVERIFY(printer.Memory().KeyedGraphics().empty());

    Run(h, kDownloadTab, "button1023", DownloadRun(h));
    QVERIFY2(LastBox(h).starts_with("Stored: 01, 02.\n"), LastBox(h).c_str());
    const Session& session = h.CurrentSession();
    const NvMemory memory = printer.Memory();
    for (const Logo& logo : session.m_list.Logos()) {
        DotImage preview;
        std::string why;
        QVERIFY(ConvertToDots(logo.path, session.Conversion(logo.adjust), preview, why));
        QVERIFY(memory.Keyed(logo.key) && memory.Keyed(logo.key)->Dots() == preview);
    }

    // Again: the printer holds them unchanged, nothing is written.
    size_t sent = printer.Received().size();
    Run(h, kDownloadTab, "button1023", DownloadRun(h));
    QVERIFY2(LastBox(h).starts_with("Already stored: 01, 02.\n"), LastBox(h).c_str());
    QCOMPARE(Commands(printer, sent), QStringList());
    // "Store all again" writes them even so.
    FindChild<QCheckBox>(h.Sheet()->GetPage(kDownloadTab), "checkStoreAll")->setChecked(true);
    Run(h, kDownloadTab, "button1023", DownloadRun(h));
    QCOMPARE(Commands(printer, sent), QStringList({"define 01", "define 02"}));

    FindChild<QPushButton>(h.Sheet()->GetPage(kDownloadTab), "buttonPrinterMemory")->click();
    auto* dialog = h.Sheet()->findChild<CPrinterMemoryDlg*>();
    QVERIFY(dialog);
    QTRY_COMPARE_WITH_TIMEOUT(dialog->m_keys->count(), 2, 20000);
    QTRY_VERIFY(!dialog->m_run.Running());
    sent = printer.Received().size();
    dialog->m_keys->item(1)->setSelected(true);
    dialog->m_size->setCurrentIndex(1); // double width
    FindChild<QPushButton>(dialog, "buttonPrint")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->m_run.Running(), 20000);
    QCOMPARE(Commands(printer, sent), QStringList({"print 02 1"}));
    dialog->m_keys->item(1)->setSelected(false);
    dialog->m_keys->item(0)->setSelected(true);
    FindChild<QPushButton>(dialog, "buttonDelete")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->m_run.Running(), 20000);
    QVERIFY(!printer.Memory().Keyed("01"));
    QCOMPARE(dialog->m_keys->count(), 1);
    dialog->reject();

    // The Print page: a text that is no key list is refused before the printer is
    // reached.
    auto* page = static_cast<CPage4Print*>(h.Sheet()->GetPage(kPrintTab));
    h.Activate(kPrintTab);
    FindChild<QRadioButton>(page, "radio1033")->click();
    FindChild<QRadioButton>(page, "radio1021")->click(); // double height
    auto* selection = FindChild<QLineEdit>(page, "edit1034");
    selection->setText("02,L");
    sent = printer.Received().size();
    Run(h, kPrintTab, "button1029", page->m_run);
    QCOMPARE(LastBox(h), std::string("Type keys separated by commas, such as L1,L2: 'L' is no key."));
    selection->setText("02,02");
    Run(h, kPrintTab, "button1029", page->m_run);
    QCOMPARE(Commands(printer, sent), QStringList({"print 02 2", "print 02 2"}));
}

// A printer that keeps no logo by key says nothing to the requests.
void TestKeyedWindow::applyTellsThatThereIsNoKeyCodedMemory()
{
    PageHarness h;
    FakeDeviceRoot root{h.CurrentSession().m_context};
    FakeNetPrinter silent;
    Open(h, silent.Address());
    auto* setup = static_cast<CPage5Setup*>(h.Sheet()->GetPage(kSetupTab));
    h.Sheet()->GetButton(CPropertySheet::Button::Apply)->click();
    QTRY_VERIFY_WITH_TIMEOUT(!setup->m_run.Running(), 20000);
    QVERIFY(FindChild<QLabel>(setup, "labelSetupStatus")->text().endsWith(keyed::kNoAnswerText));
}

void TestKeyedWindow::theKeyColumnIsShownByKeyAndRefusesWhatIsNoFreeKey()
{
    PageHarness h;
    FakeDeviceRoot root{h.CurrentSession().m_context};
    h.StartUp(h.Logos({"a.bmp", "b.bmp"}));
    h.ShowProgram();
    h.Activate(kSelectionTab);
    auto* list = FindChild<CCheckListCtrl>(h.Sheet()->GetPage(kSelectionTab), "list1001");
    QVERIFY(list->isColumnHidden(LogoTableModel::kKeyColumn)); // all at once: as it always was
    h.CurrentSession().SetKeyedStorage(true);
    h.Activate(kDownloadTab);
    h.Activate(kSelectionTab);
    QVERIFY(!list->isColumnHidden(LogoTableModel::kKeyColumn));
    QCOMPARE(list->GetItemText(1, LogoTableModel::kKeyColumn), QStringLiteral("02"));

    const auto type = [&](const QString& text) {
        list->setFocus();
        list->setCurrentIndex(list->model()->index(0, LogoTableModel::kKeyColumn));
        QTest::keyClick(list, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
    };
    type("02");
    QTRY_COMPARE(LastBox(h), std::string("The key 02 is taken by b.bmp."));
    QCOMPARE(h.CurrentSession().m_list.At(0).key, std::string("01"));
    type("L1");
    QTRY_COMPARE(h.CurrentSession().m_list.At(0).key, std::string("L1")); // committed once Return is handled
    QCOMPARE(h.fake.boxes.shown.size(), size_t{1});
}

QTEST_MAIN(TestKeyedWindow)
#include "test_keyed_window.moc"
