// The Setup page in the program's sheet, on fake message boxes, a temporary start-up
// directory and a fake device tree: what "Close" keeps, the lists as the page shows
// them, width and threshold with their checks, what leaving the page commits, the Apply
// test against a fake printer, and the page's help. The rules behind the lists:
// PortSettingsTest.
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTextBrowser>
#include <QtTest>
#include <filesystem>
#include <tuple>

#include "app/Session.h"
#include "logo/PrivateProfile.h"
#include "tests/support/FakePrinter.h"
#include "tests/ui/support/PageHarness.h"
#include "ui/Page5Setup.h"

using namespace testing_support;
using Button = CPropertySheet::Button;

namespace {

// The program's sheet on the Setup page, as start-up shows it, over a fake device tree.
struct SetupHarness : PageHarness {
    static constexpr int kSetupTab = 4;

    FakeDeviceRoot root{CurrentSession().m_context};
    CPage5Setup* page = nullptr;

    void Start()
    {
        ShowProgram();
        page = static_cast<CPage5Setup*>(Sheet()->GetPage(kSetupTab));
    }

    template <class T> T* Find(const QString& name) const { return FindChild<T>(page, name); }
    QComboBox* Combo(int id) const { return Find<QComboBox>(QStringLiteral("combo%1").arg(id)); }
    QLineEdit* Edit(int id) const { return Find<QLineEdit>(QStringLiteral("edit%1").arg(id)); }
    QSlider* Slider() const { return Find<QSlider>(QStringLiteral("slider1067")); }
    QCheckBox* PrintToFile() const { return Find<QCheckBox>(QStringLiteral("check1064")); }
    QPushButton* Button(CPropertySheet::Button button) const { return Sheet()->GetButton(button); }
    bool ApplyEnabled() const { return Button(CPropertySheet::Button::Apply)->isEnabled(); }

    bool Choose(int id, const QString& text) const { return testing_support::Choose(Combo(id), text); }

    bool Leave() const { return Sheet()->SetActivePage(0); }
    bool Return() const { return Sheet()->SetActivePage(kSetupTab); }

    std::vector<std::string> Boxes() const { return fake.boxes.Texts(); }
    const printer::SetupRecord& Settings() { return CurrentSession().m_settings; }
    std::string DeviceIni() const { return work.Read("Device.INI"); }
};

} // namespace

class TestSetupPage : public QObject {
    Q_OBJECT
private slots:
    void leavingThePageCommitsEachListsChoice();
    void closingKeepsThePortKindAndTheSettingsForTheNextRun();
    void thresholdAndWidthAreCheckedAndOnlyLeavingTakesThem();
    void applyTestsThePrinterUnlessPrintingToFile();
};

// Which entries each list offers, and when, is the rules' (PortSettingsTest); the page
// takes the user's choice into its working copy and commits it when it is left.
void TestSetupPage::leavingThePageCommitsEachListsChoice()
{
    SetupHarness h;
    h.root.AddFile("ttyS0");
    h.root.AddFile("ttyS1");
    h.Start();
    QCOMPARE(h.Combo(1045)->currentText(), QStringLiteral("COM1"));
    QVERIFY(h.Boxes().empty());
    QCOMPARE(h.Button(Button::Ok)->text(), QStringLiteral("Close"));
    QVERIFY(!h.Button(Button::Cancel)->isEnabled());
    QVERIFY(h.Button(Button::Help)->isHidden());
    QVERIFY(h.Combo(1045)->toolTip().contains("/dev/ttyUSB0")); // where the names lead
    // Screen readers name the threshold's box and slider.
    for (QWidget* control : {static_cast<QWidget*>(h.Edit(1068)), static_cast<QWidget*>(h.Slider())})
        QCOMPARE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name),
                 QStringLiteral("Black / White diverging point"));

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

    // The halftone and Print To File (which turns every list off) are taken on leaving.
    QVERIFY(h.Return());
    QVERIFY(h.Choose(1069, "Atkinson"));
    h.PrintToFile()->click();
    for (int id : {1044, 1045, 1046, 1047, 1048, 1049, 1050})
        QVERIFY(!h.Combo(id)->isEnabled());
    QCOMPARE(std::tie(h.Settings().m_nPortType, h.Settings().m_nHalftone), std::tuple(0, 0));
    QVERIFY(h.Leave());
    QCOMPARE(std::tie(h.Settings().m_nPortType, h.Settings().m_strPortDevice), std::tuple(2, "FILE"));
    QCOMPARE(h.Settings().m_nHalftone, 3);
    QVERIFY(h.Return());
    // Turned off as a screen reader does it: toggled, not clicked.
    QAccessibleInterface* check = QAccessible::queryAccessibleInterface(h.PrintToFile());
    check->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(!h.PrintToFile()->isChecked() && h.Combo(1046)->isEnabled());
    QVERIFY(h.Leave());
    QCOMPARE(std::tie(h.Settings().m_nPortType, h.Settings().m_strPortDevice), std::tuple(0, "COM2"));
}

// Closing the window saves the port kind in the start folder (wherever the current
// folder went) and commits the page's choices (kept for the next run: StartUpTest), but
// never runs the connection test. Esc does not close it.
void TestSetupPage::closingKeepsThePortKindAndTheSettingsForTheNextRun()
{
    SetupHarness h;
    FakePrinter printer;
    h.root.Link("ttyS0", printer.Path());
    h.work.Write("Device.INI", "1");
    TempDir elsewhere;
    h.Start();
    QVERIFY(h.Choose(1044, "ORVAN 4S/U")); // a serial model
    QVERIFY(h.Choose(1069, QStringLiteral("Floyd-Steinberg")));
    Type(h.Edit(1068), "77");
    Type(h.Edit(1066), "300");
    ScopedCurrentDir moved(elsewhere.Path());   // as a file dialog elsewhere in the program does
    QTest::keyClick(h.Sheet(), Qt::Key_Escape); // does nothing
    QVERIFY(h.Sheet()->isVisible());
    QCOMPARE(h.DeviceIni(), std::string("1"));
    QVERIFY(h.Sheet()->close()); // the title bar's close saves like "Close"
    QCOMPARE(h.DeviceIni(), std::string("0"));
    QVERIFY(!std::filesystem::exists(elsewhere.File("Device.INI")));
    QVERIFY(h.Boxes().empty());
    QVERIFY(printer.Drain());
    QVERIFY(printer.Bytes().empty());
    QCOMPARE((std::tuple{h.Settings().m_nHalftone, h.Settings().m_nThreshold, h.Settings().m_nMaxPrintWidth}),
             (std::tuple{2, 77, 300}));
}

// And F1 opens the page's own help.
void TestSetupPage::thresholdAndWidthAreCheckedAndOnlyLeavingTakesThem()
{
    SetupHarness h;
    h.Start();
    h.Sheet()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.Sheet()));
    QVERIFY(h.Leave());
    QVERIFY(h.Return());
    h.Slider()->setValue(200);
    QCOMPARE(h.Edit(1068)->text(), QStringLiteral("200"));
    Type(h.Edit(1068), "77");
    QCOMPARE(h.Slider()->value(), 77);
    h.Edit(1068)->clear();
    QTest::keyClick(h.Edit(1068), Qt::Key_Backspace); // an empty box is no error
    QVERIFY(h.Boxes().empty());
    Type(h.Edit(1068), "300");
    QCOMPARE(h.Slider()->value(), 30);
    QCOMPARE(h.Boxes(), std::vector<std::string>{"Please enter an integer between 0 and 255."});
    Type(h.Edit(1068), "255");
    QCOMPARE(h.Slider()->value(), 255);

    // A width out of range keeps the page, with the bounds, on the value to correct;
    // nor does "Close" get past it.
    h.fake.boxes.shown.clear();
    Type(h.Edit(1066), "577");
    QVERIFY(!h.Leave());
    QCOMPARE(h.Sheet()->Tabs()->currentIndex(), SetupHarness::kSetupTab);
    QCOMPARE(h.Boxes(), std::vector<std::string>{"Please enter an integer between 1 and 576."});
    QVERIFY(h.Edit(1066)->hasFocus());
    h.Button(Button::Ok)->click();
    QVERIFY(h.Sheet()->isVisible());
    QVERIFY(!std::filesystem::exists(h.work.File("Device.INI")));
    h.Edit(1066)->clear();
    QVERIFY(!h.Leave());
    QCOMPARE(h.Boxes().back(), std::string("Please enter an integer."));
    QCOMPARE(h.Settings().m_nThreshold, 128); // nothing is taken before the page is left
    QCOMPARE(h.Settings().m_nMaxPrintWidth, 512);
    QVERIFY(!h.ApplyEnabled()); // and neither is a change to apply

    Type(h.Edit(1066), "300");
    QVERIFY(h.Leave());
    QCOMPARE(h.Settings().m_nThreshold, 255);
    QCOMPARE(h.Settings().m_nMaxPrintWidth, 300);

    // The paper sets the width and follows it, whoever set it.
    QVERIFY(h.Return());
    auto* paper = h.Find<QComboBox>(QStringLiteral("comboPaper"));
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

    QVERIFY(h.Return());
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
    h.PrintToFile()->click();
    h.Button(Button::Apply)->click();
    QTRY_VERIFY(!h.page->m_run.Running());
    QVERIFY(h.Boxes().empty());
    QVERIFY(!std::filesystem::exists(h.work.File("Device.INI")));
    QCOMPARE(h.Settings().m_nPortType, 2); // applying left the page for a moment
    QVERIFY(printer.Drain());              // anything sent has arrived by now
    QVERIFY(printer.Bytes().empty());

    h.PrintToFile()->click();
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
    QVERIFY(!h.ApplyEnabled());
    QVERIFY(h.Sheet()->isVisible());

    // The ask-state box is kept in the profile at once, and Apply (as every run) then
    // asks a serial printer its state before anything else.
    printer.Clear();
    auto* askState = h.page->findChild<QCheckBox*>(QStringLiteral("checkAskState"));
    askState->click();
    QCOMPARE(h.CurrentSession().Profile().GetProfileString("SETUP", "AskState"), std::string("1"));
    QVERIFY(h.Choose(1046, "9600")); // a change, so that there is something to apply
    h.Button(Button::Apply)->click();
    QTRY_VERIFY(!h.page->m_run.Running());
    QVERIFY(printer.WaitForBytes(8));
    QCOMPARE(printer.Bytes(), (std::vector<uint8_t>{0x10, 0x04, 0x01, 0x1B, 0x40, 0x1D, 0x49, 0x01}));

    // The printer is gone: one message, nothing under the port settings (that line is
    // for permissions), and Apply still completes.
    std::filesystem::remove(h.root.Device("ttyS0"));
    std::filesystem::remove(h.work.File("Device.INI"));
    Type(h.Edit(1066), "200");
    QVERIFY(h.Choose(1046, "19200"));
    h.Button(Button::Apply)->click();
    QTRY_VERIFY(!h.page->m_run.Running());
    QCOMPARE(h.Boxes(), std::vector<std::string>{"ERROR - Port open."});
    QCOMPARE(h.fake.boxes.shown.front().flags, platform::MB_ICONEXCLAMATION);
    QCOMPARE(h.Settings().m_nMaxPrintWidth, 200);
    QCOMPARE(h.DeviceIni(), std::string("0"));
    QVERIFY(!status->isVisible());
}

QTEST_MAIN(TestSetupPage)
#include "test_setup_page.moc"
