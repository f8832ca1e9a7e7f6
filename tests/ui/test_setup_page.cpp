// The Setup page in a sheet of its own, with one plain page beside it to leave to, on
// fake message boxes, a temporary start-up directory and a fake device tree: what
// start-up restores and "Close" keeps, the lists as the page shows them, width and
// threshold with their checks, what leaving the page commits, the Apply test against a
// fake printer, and the page's help. The rules behind the lists: PortSettingsTest.
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTextBrowser>
#include <QtTest>
#include <filesystem>
#include <memory>
#include <tuple>

#include "app/Session.h"
#include "logo/PrivateProfile.h"
#include "print/PrintLink.h"
#include "printer/OpenLink.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/TempDir.h"
#include "tests/ui/support/UiTestSupport.h"
#include "ui/Page5Setup.h"
#include "ui/PropertySheet.h"

using namespace testing_support;
using Button = CPropertySheet::Button;

namespace {

class PlainPage : public CPropertyPage {
public:
    PlainPage() : CPropertyPage(QStringLiteral("Other"), 129) {}
    QString HelpTopic() const override { return QStringLiteral("Preview"); }
};

class SetupHarness {
public:
    static constexpr int kSetupTab = 1;

    FakePlatform fake;
    TempDir startDir;
    platform::Context context; // every run's session goes by it
    FakeDeviceRoot root{context};
    std::unique_ptr<Session> session;
    std::unique_ptr<CPropertySheet> sheet;
    CPage5Setup* page = nullptr;

    ~SetupHarness() { sheet.reset(); }

    // Opens the sheet on the Setup page, as start-up does; a second call is the next run.
    void Start()
    {
        sheet.reset();
        session = std::make_unique<Session>();
        session->m_context = context;
        session->m_strWorkDir = startDir.Path();
        session->m_strProfilePath = startDir.File("nivora.INI");
        session->LoadProfile();
        sheet = std::make_unique<CPropertySheet>(QStringLiteral("Setup"), nullptr, kSetupTab);
        sheet->AddPage(new PlainPage);
        page = new CPage5Setup(*session);
        sheet->AddPage(page);
        sheet->show();
    }

    template <class T> T* Find(const QString& name) const { return FindChild<T>(page, name); }
    QComboBox* Combo(int id) const { return Find<QComboBox>(QStringLiteral("combo%1").arg(id)); }
    QLineEdit* Edit(int id) const { return Find<QLineEdit>(QStringLiteral("edit%1").arg(id)); }
    QSlider* Slider() const { return Find<QSlider>(QStringLiteral("slider1067")); }
    QCheckBox* PrintToFile() const { return Find<QCheckBox>(QStringLiteral("check1064")); }
    QPushButton* Button(CPropertySheet::Button button) const { return sheet->GetButton(button); }
    bool ApplyEnabled() const { return Button(CPropertySheet::Button::Apply)->isEnabled(); }

    QStringList Entries(int id) const { return testing_support::Entries(Combo(id)); }
    bool Choose(int id, const QString& text) const { return testing_support::Choose(Combo(id), text); }

    bool Leave() const { return sheet->SetActivePage(0); }
    bool Return() const { return sheet->SetActivePage(kSetupTab); }

    std::vector<std::string> Boxes() const { return fake.boxes.Texts(); }
    const printer::SetupRecord& Settings() const { return session->m_settings; }
    bool DeviceIniExists() const { return std::filesystem::exists(startDir.File("Device.INI")); }
    std::string DeviceIni() const { return startDir.Read("Device.INI"); }
};

const QStringList kFullBauds = {"2400", "4800", "9600", "14400", "19200", "38400", "57600", "115200"};
constexpr int kSerialIds[] = {1046, 1047, 1048, 1049, 1050};

// The lists' entries are the rules' (PortSettingsTest); the page shows them, on.
void ExpectSerialDefaults(const SetupHarness& h, const QStringList& bauds, const QString& baud)
{
    QCOMPARE(h.Entries(1046), bauds);
    const QStringList chosen = {baud, "8", "NONE", "1", "DTR/DSR"};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(h.Combo(kSerialIds[i])->currentText(), chosen[i]);
        QVERIFY(h.Combo(kSerialIds[i])->isEnabled());
    }
}

void ExpectSerialBoxesEmptyAndOff(const SetupHarness& h)
{
    for (int id : kSerialIds) {
        QCOMPARE(h.Combo(id)->count(), 0);
        QVERIFY(!h.Combo(id)->isEnabled());
    }
}

} // namespace

class TestSetupPage : public QObject {
    Q_OBJECT
private slots:
    void theListsFollowTheModelAndLeavingCommitsTheChoices();
    void closeKeepsThePortKindForTheNextRun_data();
    void closeKeepsThePortKindForTheNextRun();
    void thresholdAndWidthAreCheckedAndOnlyLeavingTakesThem();
    void applyTestsThePrinterUnlessPrintingToFile();
    void theAskStateBoxIsKeptAndMakesApplyAskASerialPrinter();
    void applyOpensTheParallelPortTheRunsUse();
    void theTitleBarCloseSavesLikeCloseAndEscDoesNothing();
    void f1OpensThePagesOwnHelp();
    void halftoneThresholdAndWidthComeBackAtTheNextStart();
};

void TestSetupPage::theListsFollowTheModelAndLeavingCommitsTheChoices()
{
    SetupHarness h;
    for (int n = 0; n < 12; ++n)
        h.root.AddFile("ttyS" + std::to_string(n));
    h.Start();
    QCOMPARE(h.Entries(1044), QStringList({"ORVAN 7S/U", "ORVAN 7P", "ORVAN 4S/U", "ORVAN 4P"}));
    QCOMPARE(h.Combo(1044)->currentText(), QStringLiteral("ORVAN 7S/U"));
    QCOMPARE(h.Combo(1045)->count(), 14); // and "Add network printer...", "Find network printers..." last
    QCOMPARE(h.Combo(1045)->currentText(), QStringLiteral("COM1"));
    ExpectSerialDefaults(h, kFullBauds, "115200");
    QCOMPARE(h.Edit(1066)->text(), QStringLiteral("512"));
    QCOMPARE(h.Edit(1068)->text(), QStringLiteral("128"));
    QCOMPARE(h.Slider()->value(), 128);
    QVERIFY(!h.PrintToFile()->isChecked());
    QVERIFY(h.Boxes().empty());
    // The sheet's buttons as the page leaves them, and the About group.
    QCOMPARE(h.Button(Button::Ok)->text(), QStringLiteral("Close"));
    QVERIFY(!h.Button(Button::Cancel)->isEnabled());
    QVERIFY(h.ApplyEnabled());
    QVERIFY(h.Button(Button::Help)->isHidden());
    QVERIFY(!h.sheet->windowIcon().isNull());
    QCOMPARE(h.Find<QLabel>("label1063")->text(), QStringLiteral("V1.13"));
    QCOMPARE(h.Find<QLabel>("label1043")->text(), QStringLiteral("Bitmap Nivora "));
    QVERIFY(h.Combo(1045)->toolTip().contains("/dev/ttyUSB0")); // where the names lead
    // Screen readers name the threshold's box and slider.
    for (QWidget* control : {static_cast<QWidget*>(h.Edit(1068)), static_cast<QWidget*>(h.Slider())})
        QCOMPARE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name),
                 QStringLiteral("Black / White diverging point"));

    // Each list reaches the working copy and enables Apply; the stop bit "2" is code 2.
    QVERIFY(h.Leave());
    const std::pair<int, QString> choices[] = {{1044, "ORVAN 4S/U"}, {1045, "COM2"}, {1046, "4800"},
                                               {1047, "7"},          {1048, "ODD"},  {1049, "2"},
                                               {1050, "XON/XOFF"}};
    for (const auto& [id, entry] : choices) {
        QVERIFY(h.Return());
        QVERIFY(!h.ApplyEnabled());
        QVERIFY(h.Choose(id, entry));
        QVERIFY2(h.ApplyEnabled(), qPrintable(entry));
        QVERIFY(h.Leave());
    }
    QCOMPARE(h.Settings().m_strPrinterName, std::string("ORVAN 4S/U"));
    QCOMPARE(h.Settings().m_strPortDevice, std::string("COM2"));
    QCOMPARE((std::tuple{h.Settings().m_dwBaudRate, int(h.Settings().m_byByteSize),
                         int(h.Settings().m_byParity), int(h.Settings().m_byStopBits),
                         h.Settings().m_nHandshake, h.Settings().m_nMaxPrintWidth}),
             (std::tuple{4800u, 7, 1, 2, 1, 384}));

    // A parallel model: LPT1 alone however many serial ports there are, the serial
    // lists empty and off; Print To File turns every list off and writes to "FILE".
    QVERIFY(h.Return());
    QVERIFY(h.Choose(1044, "ORVAN 4P"));
    QCOMPARE(h.Entries(1045), QStringList({"LPT1", "Add network printer...", "Find network printers..."}));
    ExpectSerialBoxesEmptyAndOff(h);
    h.PrintToFile()->click();
    for (int id : {1044, 1045, 1046, 1047, 1048, 1049, 1050})
        QVERIFY(!h.Combo(id)->isEnabled());
    QCOMPARE(h.Settings().m_nPortType, 0); // nothing is committed before the page is left
    QVERIFY(h.Leave());
    QCOMPARE(std::tie(h.Settings().m_nPortType, h.Settings().m_strPortDevice), std::tuple(2, "FILE"));
    QVERIFY(h.Return());
    // Turned off as a screen reader does it: toggled, not clicked.
    QAccessibleInterface* check = QAccessible::queryAccessibleInterface(h.PrintToFile());
    check->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(!h.PrintToFile()->isChecked());
    QVERIFY(h.Combo(1045)->isEnabled() && !h.Combo(1046)->isEnabled()); // still parallel
    QVERIFY(h.Leave());
    QCOMPARE(std::tie(h.Settings().m_nPortType, h.Settings().m_strPortDevice), std::tuple(1, "LPT1"));
    QCOMPARE(h.Settings().m_dwBaudRate, 4800u); // the serial settings keep their last values
}

void TestSetupPage::closeKeepsThePortKindForTheNextRun_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<std::string>("stored");
    QTest::addColumn<QString>("restored");
    QTest::newRow("serial") << "ORVAN 4S/U" << std::string("0") << "ORVAN 7S/U";
    QTest::newRow("parallel") << "ORVAN 4P" << std::string("1") << "ORVAN 7P";
}

void TestSetupPage::closeKeepsThePortKindForTheNextRun()
{
    QFETCH(QString, model);
    QFETCH(std::string, stored);
    QFETCH(QString, restored);
    SetupHarness h;
    FakePrinter printer;
    h.root.Link("ttyS0", printer.Path());
    h.root.AddFile("usb/lp0"); // LPT1
    h.root.AddFile("lp1");     // LPT2
    h.startDir.Write("Device.INI", stored == "0" ? "1" : "0");
    TempDir elsewhere;
    h.Start();
    QVERIFY(h.Choose(1044, model));
    ScopedCurrentDir moved(elsewhere.Path()); // as a file dialog elsewhere in the program does
    h.Button(Button::Ok)->click();
    QVERIFY(!h.sheet->isVisible());
    QCOMPARE(h.sheet->result(), int(QDialog::Accepted));
    QCOMPARE(h.DeviceIni(), stored);
    QVERIFY(!std::filesystem::exists(elsewhere.File("Device.INI")));
    QVERIFY(h.Boxes().empty());
    QVERIFY(printer.Drain());
    QVERIFY(printer.Bytes().empty()); // closing never runs the connection test

    h.Start(); // the next run
    QCOMPARE(h.Combo(1044)->currentText(), restored);
    if (stored == "1") {
        QCOMPARE(h.Entries(1045),
                 QStringList({"LPT1", "LPT2", "Add network printer...", "Find network printers..."}));
        ExpectSerialBoxesEmptyAndOff(h);
    } else {
        ExpectSerialDefaults(h, kFullBauds, "115200");
    }
}

void TestSetupPage::thresholdAndWidthAreCheckedAndOnlyLeavingTakesThem()
{
    SetupHarness h;
    h.Start();
    h.sheet->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.sheet.get()));
    QVERIFY(h.Leave());
    QVERIFY(h.Return());
    h.Slider()->setValue(200);
    QCOMPARE(h.Edit(1068)->text(), QStringLiteral("200"));
    Type(h.Edit(1068), "77");
    QCOMPARE(h.Slider()->value(), 77);
    h.Edit(1068)->clear();
    QTest::keyClick(h.Edit(1068), Qt::Key_Backspace); // an empty box is no error
    QVERIFY(h.Boxes().empty());
    Type(h.Edit(1068), "30");
    h.Edit(1068)->end(false);
    QTest::keyClick(h.Edit(1068), Qt::Key_0); // 300
    QCOMPARE(h.Slider()->value(), 30);
    QCOMPARE(h.Boxes(), std::vector<std::string>{"Please enter an integer between 0 and 255."});
    Type(h.Edit(1068), "99");
    QCOMPARE(h.Slider()->value(), 99);

    // A width out of range keeps the page, with the bounds, on the value to correct;
    // nor does "Close" get past it.
    h.fake.boxes.shown.clear();
    Type(h.Edit(1066), "577");
    QVERIFY(!h.Leave());
    QCOMPARE(h.sheet->Tabs()->currentIndex(), SetupHarness::kSetupTab);
    QCOMPARE(h.Boxes(), std::vector<std::string>{"Please enter an integer between 1 and 576."});
    QVERIFY(h.Edit(1066)->hasFocus());
    h.Button(Button::Ok)->click();
    QVERIFY(h.sheet->isVisible());
    QVERIFY(!h.DeviceIniExists());
    h.Edit(1066)->clear();
    QVERIFY(!h.Leave());
    QCOMPARE(h.Boxes().back(), std::string("Please enter an integer."));
    QCOMPARE(h.Settings().m_nThreshold, 128); // nothing is taken before the page is left
    QCOMPARE(h.Settings().m_nMaxPrintWidth, 512);
    QVERIFY(!h.ApplyEnabled()); // and neither is a change to apply

    Type(h.Edit(1066), "300");
    QVERIFY(h.Leave());
    QCOMPARE(h.Settings().m_nThreshold, 99);
    QCOMPARE(h.Settings().m_nMaxPrintWidth, 300);

    // The paper sets the width and follows it, whoever set it.
    QVERIFY(h.Return());
    auto* paper = h.Find<QComboBox>(QStringLiteral("comboPaper"));
    QCOMPARE(Entries(paper),
             QStringList({"58 mm (384 dots)", "80 mm (512 dots)", "80 mm (576 dots)", "Other"}));
    QCOMPARE(paper->currentText(), QStringLiteral("Other"));
    QVERIFY(Choose(paper, QStringLiteral("80 mm (576 dots)")));
    QCOMPARE(h.Edit(1066)->text(), QStringLiteral("576"));
    QVERIFY(h.ApplyEnabled());
    QVERIFY(h.Choose(1044, QStringLiteral("ORVAN 4S/U")));
    QCOMPARE(paper->currentText(), QStringLiteral("58 mm (384 dots)"));
    Type(h.Edit(1066), "512");
    QCOMPARE(paper->currentText(), QStringLiteral("80 mm (512 dots)"));
    QVERIFY(Choose(paper, QStringLiteral("80 mm (576 dots)")));
    QVERIFY(h.Leave());
    QCOMPARE(h.Settings().m_nMaxPrintWidth, 576);
}

// Apply sends the test and says under the port settings whether a byte came back; an
// open that fails for another reason than permissions says nothing there.
void TestSetupPage::applyTestsThePrinterUnlessPrintingToFile()
{
    SetupHarness h;
    FakePrinter printer;
    h.root.Link("ttyS0", printer.Path());
    h.Start();
    auto* status = h.Find<QLabel>(QStringLiteral("labelSetupStatus"));
    QVERIFY(!status->isVisible());
    QVERIFY(status->geometry().top() >= h.Find<QGroupBox>(QStringLiteral("group1026"))->geometry().bottom());
    QVERIFY(h.page->rect().contains(status->geometry()));
    h.PrintToFile()->click();
    h.Button(Button::Apply)->click();
    QTRY_VERIFY(!h.page->m_run.Running());
    QVERIFY(h.Boxes().empty());
    QVERIFY(!h.DeviceIniExists());
    QCOMPARE(h.Settings().m_nPortType, 2); // applying left the page for a moment
    QVERIFY(printer.Drain());              // anything sent has arrived by now
    QVERIFY(printer.Bytes().empty());

    h.PrintToFile()->click();
    const int descriptors = OpenDescriptorCount();
    // What the answer means is the check's (PrinterCheckTest); the page shows it.
    QVERIFY(h.Choose(1046, "4800"));
    h.Button(Button::Apply)->click();
    QTRY_VERIFY(!h.page->m_run.Running());
    QVERIFY(printer.WaitForBytes(5));
    QCOMPARE(printer.Bytes(), (std::vector<uint8_t>{0x1B, 0x40, 0x1D, 0x49, 0x01}));
    QCOMPARE(status->text(), QStringLiteral("The printer answered. Model 0x20."));
    QVERIFY(status->isVisible());
    QVERIFY(h.Boxes().empty());
    QCOMPARE(h.DeviceIni(), std::string("0"));
    QCOMPARE(h.Settings().m_dwBaudRate, 4800u);
    QCOMPARE(OpenDescriptorCount(), descriptors); // the port is closed again
    QVERIFY(!h.ApplyEnabled());
    QVERIFY(h.sheet->isVisible());

    // Another program took the port: one message, and Apply still completes.
    printer.Clear();
    printer::PortRecord com1;
    com1.m_strPortDevice = "COM1";
    com1.m_dwBaudRate = 115200;
    com1.m_byByteSize = 8;
    printer::LinkStatus held;
    const std::unique_ptr<printer::Link> otherProgram = printer::OpenLink(h.context, com1, kPrintLink, held);
    QVERIFY(otherProgram);
    std::filesystem::remove(h.startDir.File("Device.INI"));
    Type(h.Edit(1066), "200");
    QVERIFY(h.Choose(1046, "9600")); // a change, so that there is something to apply
    h.Button(Button::Apply)->click();
    QTRY_VERIFY(!h.page->m_run.Running());
    QCOMPARE(h.Boxes(), std::vector<std::string>{"ERROR - Port open."});
    QCOMPARE(h.fake.boxes.shown.front().flags, platform::MB_ICONEXCLAMATION);
    QCOMPARE(h.Settings().m_nMaxPrintWidth, 200);
    QCOMPARE(h.DeviceIni(), std::string("0"));
    QVERIFY(!status->isVisible());
    QVERIFY(printer.Bytes().empty());
}

// Off at first; on, it is kept in the profile at once and Apply (as every run) asks a
// serial printer its state before anything else.
void TestSetupPage::theAskStateBoxIsKeptAndMakesApplyAskASerialPrinter()
{
    SetupHarness h;
    FakePrinter printer;
    h.root.Link("ttyS0", printer.Path());
    h.Start();
    auto* box = h.page->findChild<QCheckBox*>(QStringLiteral("checkAskState"));
    QVERIFY(!box->isChecked());
    box->click();
    QCOMPARE(PrivateProfile(h.startDir.File("nivora.INI")).GetProfileString("SETUP", "AskState"),
             std::string("1"));
    QVERIFY(h.Choose(1046, "9600")); // a change, so that there is something to apply
    h.Button(Button::Apply)->click();
    QTRY_VERIFY(!h.page->m_run.Running());
    QVERIFY(printer.WaitForBytes(8));
    QCOMPARE(printer.Bytes(), (std::vector<uint8_t>{0x10, 0x04, 0x01, 0x1B, 0x40, 0x1D, 0x49, 0x01}));
}

// With LPT2 chosen, Apply must test LPT2, not LPT1: here another program holds LPT1.
void TestSetupPage::applyOpensTheParallelPortTheRunsUse()
{
    SetupHarness h;
    const std::string lpt1 = h.root.AddFile("usb/lp0");
    h.root.AddFile("usb/lp1");
    h.startDir.Write("Device.INI", "1");
    h.Start();
    QCOMPARE(h.Entries(1045),
             QStringList({"LPT1", "LPT2", "Add network printer...", "Find network printers..."}));
    QVERIFY(h.Choose(1045, "LPT2"));
    printer::PortRecord first;
    first.m_nPortType = 1;
    first.m_strPortDevice = "LPT1";
    printer::LinkStatus held;
    const std::unique_ptr<printer::Link> otherProgram = printer::OpenLink(h.context, first, kPrintLink, held);
    QVERIFY(otherProgram);
    h.Button(Button::Apply)->click();
    QTRY_VERIFY(!h.page->m_run.Running());
    QCOMPARE(h.Settings().m_strPortDevice, std::string("LPT2"));
    QVERIFY(h.Boxes().empty());

    QVERIFY(h.Choose(1045, "LPT1"));
    h.Button(Button::Apply)->click();
    QTRY_VERIFY(!h.page->m_run.Running());
    QCOMPARE(h.Boxes(), std::vector<std::string>{"ERROR - Port open."});
}

void TestSetupPage::theTitleBarCloseSavesLikeCloseAndEscDoesNothing()
{
    SetupHarness h;
    h.Start();
    QTest::keyClick(h.sheet.get(), Qt::Key_Escape);
    QVERIFY(h.sheet->isVisible());
    QVERIFY(!h.DeviceIniExists());
    QVERIFY(h.sheet->close());
    QCOMPARE(h.DeviceIni(), std::string("0"));
}

void TestSetupPage::f1OpensThePagesOwnHelp()
{
    SetupHarness h;
    h.Start();
    h.sheet->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.sheet.get()));
    QTest::keyClick(h.Combo(1044), Qt::Key_F1);
    QWidget* help = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("helpWindow") && widget->isVisible())
            help = widget;
    QVERIFY(help);
    QCOMPARE(help->windowTitle(), QStringLiteral("Help - Setup"));
    const QString text = help->findChild<QTextBrowser*>("helpText")->toPlainText();
    QVERIFY(text.contains("Setup Port") && text.contains("dialout") && text.contains("/dev/ttyUSB0"));
    help->close();
}

// Kept in the profile beside the stored list, not only for the run.
void TestSetupPage::halftoneThresholdAndWidthComeBackAtTheNextStart()
{
    SetupHarness h;
    h.Start();
    QCOMPARE(h.Entries(1069), (QStringList{"Classic", "Colour", "Floyd-Steinberg", "Atkinson"}));
    QCOMPARE(h.Combo(1069)->currentText(), QStringLiteral("Classic"));
    QVERIFY(h.Choose(1069, QStringLiteral("Atkinson")));
    Type(h.Edit(1068), "77");
    Type(h.Edit(1066), "300");
    QCOMPARE(h.Settings().m_nHalftone, 0); // taken when the page is left, like the threshold
    QVERIFY(h.Leave());
    QCOMPARE(h.Settings().m_nHalftone, 3);

    h.Start(); // the next run
    QCOMPARE(h.Combo(1069)->currentText(), QStringLiteral("Atkinson"));
    QCOMPARE(h.Edit(1068)->text(), QStringLiteral("77"));
    QCOMPARE(h.Edit(1066)->text(), QStringLiteral("300"));
}

QTEST_MAIN(TestSetupPage)
#include "test_setup_page.moc"
