// The Setup page's settings: what start-up restores, the model rules as the lists show
// them, the single settings, Print To File, width and threshold, and what leaving the
// page commits.
#include <QTabWidget>
#include <functional>

#include "tests/ui/test_setup_harness.h"

using namespace testing_support;
using Button = CPropertySheet::Button;

namespace {

const QStringList kModels = {"ORVAN 7S/U", "ORVAN 7P", "ORVAN 4S/U", "ORVAN 4P"};
const QStringList kFullBauds = {"2400", "4800", "9600", "14400", "19200", "38400", "57600", "115200"};
const QStringList kShortBauds = {"4800", "9600", "19200", "38400"};
constexpr int kSerialIds[] = {1046, 1047, 1048, 1049, 1050};

void ExpectSerialDefaults(const SetupHarness& h, const QStringList& bauds, const QString& baud)
{
    QCOMPARE(h.Entries(1046), bauds);
    QCOMPARE(h.Combo(1046)->currentText(), baud);
    QCOMPARE(h.Entries(1047), QStringList({"7", "8"}));
    QCOMPARE(h.Combo(1047)->currentText(), QStringLiteral("8"));
    QCOMPARE(h.Entries(1048), QStringList({"NONE", "ODD", "EVEN"}));
    QCOMPARE(h.Combo(1048)->currentText(), QStringLiteral("NONE"));
    QCOMPARE(h.Entries(1049), QStringList({"1", "2"}));
    QCOMPARE(h.Combo(1049)->currentText(), QStringLiteral("1"));
    QCOMPARE(h.Entries(1050), QStringList({"DTR/DSR", "XON/XOFF"}));
    QCOMPARE(h.Combo(1050)->currentText(), QStringLiteral("DTR/DSR"));
    for (int id : kSerialIds)
        QVERIFY2(h.Combo(id)->isEnabled(), qPrintable(QString::number(id)));
}

void ExpectSerialBoxesEmptyAndOff(const SetupHarness& h)
{
    for (int id : kSerialIds) {
        QCOMPARE(h.Combo(id)->count(), 0);
        QVERIFY2(!h.Combo(id)->isEnabled(), qPrintable(QString::number(id)));
    }
}

// Notes which tab the sheet shows while each box is up, and passes the box on.
class TabAtEachBox final : public platform::MessageBoxHandler {
public:
    TabAtEachBox(const QTabWidget* tabs, platform::MessageBoxHandler& next) : m_tabs(tabs), m_next(next)
    {
        platform::SetMessageBoxHandler(this);
    }
    ~TabAtEachBox() override { platform::SetMessageBoxHandler(&m_next); }
    int Show(const std::string& text, unsigned flags, const std::string& caption) override
    {
        shownOn.push_back(m_tabs->currentIndex());
        return m_next.Show(text, flags, caption);
    }
    std::vector<int> shownOn;

private:
    const QTabWidget* m_tabs;
    platform::MessageBoxHandler& m_next;
};

} // namespace

class TestSetupPage : public QObject {
    Q_OBJECT
private slots:
    void firstRunWithoutDeviceIniStartsOnTheSerialDefaults();
    void controlsSitAtTheirTemplatePositions();
    void deviceIniOneRestoresTheParallelSetup();
    void aSerialRunStartsOn7SUWhatever4SUWasChosenBefore();
    void the4SUOffersTheShortBaudListAndWidth384();
    void the4PListsOnlyLpt1HoweverManySerialPortsThereAre();
    void eachSerialEntryReachesTheSharedRecordWhenLeaving_data();
    void eachSerialEntryReachesTheSharedRecordWhenLeaving();
    void printToFileWithAParallelModelThenCleared();
    void printToFileClearedOnASerialModelFreesTheSerialBoxes();
    void leavingCommitsWidthAndThresholdAndTheSliderAloneDoesNot();
    void sliderAndThresholdBoxFollowEachOther();
    void aWidthOutOfRangeKeepsThePage_data();
    void aWidthOutOfRangeKeepsThePage();
    void enteringTheWidthBoxSelectsItsText();
    void applyIsEnabledByBoxChangesAndClearedByLeaving();
};

void TestSetupPage::firstRunWithoutDeviceIniStartsOnTheSerialDefaults()
{
    SetupHarness h;
    h.root.AddFile("ttyS0");   // COM1
    h.root.AddFile("ttyUSB2"); // COM35
    h.Start();

    QCOMPARE(h.Entries(1044), kModels);
    QCOMPARE(h.Combo(1044)->currentText(), QStringLiteral("ORVAN 7S/U"));
    QCOMPARE(h.Entries(1045), QStringList({"COM1", "COM35"}));
    QCOMPARE(h.Combo(1045)->currentText(), QStringLiteral("COM1"));
    ExpectSerialDefaults(h, kFullBauds, "115200");
    QCOMPARE(h.Edit(1066)->text(), QStringLiteral("512"));
    QCOMPARE(h.Edit(1068)->text(), QStringLiteral("128"));
    QCOMPARE(h.Slider()->minimum(), 0);
    QCOMPARE(h.Slider()->maximum(), 255);
    QCOMPARE(h.Slider()->value(), 128);
    QVERIFY(!h.PrintToFile()->isChecked());
    QVERIFY(!h.page->m_bParallel);
    QCOMPARE(h.page->m_dwBaudRate, 115200u);

    QCOMPARE(g_Shared.m_strPortDevice, std::string("COM1"));
    QCOMPARE(g_Shared.m_nMaxPrintWidth, 512);
    QCOMPARE(g_Shared.m_nNvAreaKB, 384);
    QVERIFY(h.Boxes().empty());

    // The sheet's buttons as the page leaves them, and the About group.
    QCOMPARE(h.Button(Button::Ok)->text(), QStringLiteral("Close"));
    QCOMPARE(h.Button(Button::Cancel)->text(), QStringLiteral("Cancel"));
    QVERIFY(!h.Button(Button::Cancel)->isEnabled());
    QCOMPARE(h.Button(Button::Apply)->text(), QStringLiteral("Apply"));
    QVERIFY(h.Button(Button::Apply)->isEnabled());
    QVERIFY(h.Button(Button::Help)->isHidden());
    QVERIFY(!h.sheet->windowIcon().isNull());
    QCOMPARE(h.Find<QLabel>("label1063")->text(), QStringLiteral("V1.13"));
    QCOMPARE(h.Find<QLabel>("label1043")->text(), QStringLiteral("Bitmap Nivora "));
    QVERIFY(!h.Find<QLabel>("labelMaker1")->text().isEmpty());
    QVERIFY(!h.Find<QLabel>("labelMaker2")->text().isEmpty());
    // The port box tells where the names lead.
    QVERIFY(h.Combo(1045)->toolTip().contains("/dev/ttyUSB0"));
}

void TestSetupPage::controlsSitAtTheirTemplatePositions()
{
    SetupHarness h;
    h.Start();
    struct Placed {
        const char* name;
        int x, y, w;
    };
    const Placed controls[] = {
        {"combo1044", 57, 9, 109},   {"combo1045", 56, 41, 109},    {"combo1046", 56, 64, 109},
        {"combo1047", 56, 87, 109},  {"combo1048", 56, 110, 109},   {"combo1049", 56, 133, 109},
        {"combo1050", 56, 156, 109}, {"label1051", 13, 43, 40},     {"label1056", 13, 157, 40},
        {"check1064", 182, 11, 52},  {"group1026", 7, 27, 166},     {"group1042", 183, 27, 168},
        {"label1043", 191, 39, 87},  {"label1063", 280, 39, 53},    {"edit1066", 260, 94, 27},
        {"edit1068", 312, 128, 31},  {"slider1067", 188, 140, 159},
    };
    for (const Placed& control : controls) {
        const QWidget* widget = h.Find<QWidget>(control.name);
        const QRect expected = h.page->Dlu().Rect(control.x, control.y, control.w, 8);
        const QPoint at = widget->mapTo(h.page, QPoint(0, 0));
        QVERIFY2(at == expected.topLeft() && widget->width() == expected.width(), control.name);
    }
    QCOMPARE(h.page->size(), QSize(h.page->Dlu().X(358), h.page->Dlu().Y(233)));
}

void TestSetupPage::deviceIniOneRestoresTheParallelSetup()
{
    SetupHarness h;
    h.startDir.Write("Device.INI", "1");
    h.root.AddFile("ttyS0");
    h.root.AddFile("usb/lp0"); // LPT1
    h.root.AddFile("lp1");     // LPT2
    h.Start();

    QCOMPARE(h.Combo(1044)->currentText(), QStringLiteral("ORVAN 7P"));
    QCOMPARE(h.Entries(1045), QStringList({"LPT1", "LPT2"}));
    QCOMPARE(h.Combo(1045)->currentText(), QStringLiteral("LPT1"));
    ExpectSerialBoxesEmptyAndOff(h);
    QCOMPARE(h.Edit(1066)->text(), QStringLiteral("512"));
    QVERIFY(h.page->m_bParallel);
    QCOMPARE(g_Shared.m_strPortDevice, std::string("LPT1"));

    QVERIFY(h.Leave());
    QCOMPARE(g_Shared.m_nPortType, 1);
    QCOMPARE(g_Shared.m_strPrinterName, std::string("ORVAN 7P"));
    QCOMPARE(g_Shared.m_strPortName, std::string("LPT1"));
}

void TestSetupPage::aSerialRunStartsOn7SUWhatever4SUWasChosenBefore()
{
    SetupHarness h;
    h.root.AddFile("ttyS0");
    h.Start();
    QVERIFY(h.Choose(1044, "ORVAN 4S/U"));
    h.Button(Button::Ok)->click();
    QCOMPARE(h.DeviceIni(), std::string("0"));

    h.Start(); // the next run
    QCOMPARE(h.Combo(1044)->currentText(), QStringLiteral("ORVAN 7S/U"));
    ExpectSerialDefaults(h, kFullBauds, "115200");
    QCOMPARE(h.Edit(1066)->text(), QStringLiteral("512"));
}

void TestSetupPage::the4SUOffersTheShortBaudListAndWidth384()
{
    SetupHarness h;
    h.root.AddFile("ttyS0");
    h.Start();
    QVERIFY(h.Choose(1044, "ORVAN 4S/U"));
    ExpectSerialDefaults(h, kShortBauds, "38400");
    QCOMPARE(h.Edit(1066)->text(), QStringLiteral("384"));
    QCOMPARE(h.Entries(1045), QStringList({"COM1"}));

    // The short list's entries carry their own rates.
    QVERIFY(h.Choose(1046, "9600"));
    QVERIFY(h.Leave());
    QCOMPARE(g_Shared.m_dwBaudRate, 9600u);
    QCOMPARE(g_Shared.m_nMaxPrintWidth, 384);
    QCOMPARE(g_Shared.m_strPrinterName, std::string("ORVAN 4S/U"));

    QVERIFY(h.Return());
    QVERIFY(h.Choose(1044, "ORVAN 7S/U"));
    ExpectSerialDefaults(h, kFullBauds, "115200");
    QCOMPARE(h.Edit(1066)->text(), QStringLiteral("512"));
}

void TestSetupPage::the4PListsOnlyLpt1HoweverManySerialPortsThereAre()
{
    SetupHarness h;
    for (int n = 0; n < 12; ++n)
        h.root.AddFile("ttyS" + std::to_string(n));
    h.Start();
    QCOMPARE(h.Combo(1045)->count(), 12);
    const uint32_t committedBaud = g_Shared.m_dwBaudRate;

    QVERIFY(h.Choose(1044, "ORVAN 4P"));
    QCOMPARE(h.Entries(1045), QStringList({"LPT1"}));
    QCOMPARE(h.Combo(1045)->currentText(), QStringLiteral("LPT1"));
    ExpectSerialBoxesEmptyAndOff(h);
    QCOMPARE(h.Edit(1066)->text(), QStringLiteral("384"));
    QCOMPARE(g_Shared.m_nPortType, 0); // nothing is committed before the page is left

    QVERIFY(h.Leave());
    QCOMPARE(g_Shared.m_nPortType, 1);
    QCOMPARE(g_Shared.m_strPortDevice, std::string("LPT1"));
    QCOMPARE(g_Shared.m_strPortName, std::string("LPT1"));
    QCOMPARE(g_Shared.m_strPrinterName, std::string("ORVAN 4P"));
    QCOMPARE(g_Shared.m_nMaxPrintWidth, 384);
    QCOMPARE(g_Shared.m_dwBaudRate, committedBaud); // the serial fields keep their last values
}

void TestSetupPage::eachSerialEntryReachesTheSharedRecordWhenLeaving_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<std::function<bool()>>("committed");
    QTest::newRow("stop bit 2 is code 2")
        << 1049 << "2" << std::function([] { return g_Shared.m_byStopBits == 2; });
    QTest::newRow("stop bit 1 is code 0")
        << 1049 << "1" << std::function([] { return g_Shared.m_byStopBits == 0; });
    QTest::newRow("7 data bits") << 1047 << "7" << std::function([] { return g_Shared.m_byByteSize == 7; });
    QTest::newRow("odd parity") << 1048 << "ODD" << std::function([] { return g_Shared.m_byParity == 1; });
    QTest::newRow("even parity") << 1048 << "EVEN" << std::function([] { return g_Shared.m_byParity == 2; });
    QTest::newRow("XON/XOFF") << 1050 << "XON/XOFF"
                              << std::function([] { return g_Shared.m_nHandshake == 1; });
    QTest::newRow("2400 baud") << 1046 << "2400"
                               << std::function([] { return g_Shared.m_dwBaudRate == 2400; });
    QTest::newRow("port COM2") << 1045 << "COM2" << std::function([] {
        return g_Shared.m_strPortDevice == "COM2" && g_Shared.m_strPortName == "COM2";
    });
}

void TestSetupPage::eachSerialEntryReachesTheSharedRecordWhenLeaving()
{
    QFETCH(int, id);
    QFETCH(QString, entry);
    QFETCH(std::function<bool()>, committed);
    SetupHarness h;
    h.root.AddFile("ttyS0");
    h.root.AddFile("ttyS1");
    h.Start();
    // Another entry first, committed, so that the choice under test is a change.
    const int other = h.Combo(id)->findText(entry) == 0 ? 1 : 0;
    QVERIFY(h.Choose(id, h.Combo(id)->itemText(other)));
    QVERIFY(h.Leave());
    QVERIFY(!committed());
    QVERIFY(h.Return());
    QVERIFY(!h.Button(Button::Apply)->isEnabled());

    QVERIFY(h.Choose(id, entry));
    QVERIFY(h.Button(Button::Apply)->isEnabled());
    QVERIFY(h.Leave());
    QVERIFY(committed());
    QCOMPARE(g_Shared.m_nPortType, 0);
}

void TestSetupPage::printToFileWithAParallelModelThenCleared()
{
    SetupHarness h;
    h.root.AddFile("ttyS0");
    h.Start();
    QVERIFY(h.Choose(1044, "ORVAN 7P"));
    QVERIFY(h.Leave()); // Apply off, so that the check box's own effect on it shows
    QVERIFY(h.Return());

    h.PrintToFile()->click();
    QCOMPARE(g_Shared.m_strPortDevice, std::string("FILE")); // at once
    for (int id : {1044, 1045, 1046, 1047, 1048, 1049, 1050})
        QVERIFY2(!h.Combo(id)->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(!h.Button(Button::Apply)->isEnabled()); // the click is no change to apply
    QVERIFY(h.Leave());
    QCOMPARE(g_Shared.m_nPortType, 2);
    QCOMPARE(g_Shared.m_strPortDevice, std::string("FILE"));

    QVERIFY(h.Return());
    h.PrintToFile()->click();
    QVERIFY(h.Combo(1044)->isEnabled());
    QVERIFY(h.Combo(1045)->isEnabled());
    for (int id : kSerialIds)
        QVERIFY(!h.Combo(id)->isEnabled());
    QCOMPARE(g_Shared.m_strPortDevice, std::string("LPT1"));
    QVERIFY(h.page->m_bParallel);
    QVERIFY(h.Leave());
    QCOMPARE(g_Shared.m_nPortType, 1);
    QCOMPARE(g_Shared.m_strPortDevice, std::string("LPT1"));
}

void TestSetupPage::printToFileClearedOnASerialModelFreesTheSerialBoxes()
{
    SetupHarness h;
    h.root.AddFile("ttyS0");
    h.Start();
    h.PrintToFile()->click();
    QVERIFY(h.Leave());
    QCOMPARE(g_Shared.m_nPortType, 2);
    QVERIFY(h.Return());
    h.PrintToFile()->click();
    for (int id : {1044, 1045, 1046, 1047, 1048, 1049, 1050})
        QVERIFY2(h.Combo(id)->isEnabled(), qPrintable(QString::number(id)));
    QCOMPARE(g_Shared.m_strPortDevice, std::string("COM1"));
    QVERIFY(h.Leave());
    QCOMPARE(g_Shared.m_nPortType, 0);
}

void TestSetupPage::leavingCommitsWidthAndThresholdAndTheSliderAloneDoesNot()
{
    SetupHarness h;
    h.Start();
    QCOMPARE(g_Shared.m_nThreshold, 0);

    h.Slider()->setValue(200);
    SetupHarness::Type(h.Edit(1066), "300");
    QCOMPARE(g_Shared.m_nThreshold, 0);
    QCOMPARE(g_Shared.m_nMaxPrintWidth, 512);

    QVERIFY(h.Leave());
    QCOMPARE(g_Shared.m_nThreshold, 200);
    QCOMPARE(g_Shared.m_nMaxPrintWidth, 300);
    QCOMPARE(g_Shared.m_strPrinterName, std::string("ORVAN 7S/U"));
    QVERIFY(h.Boxes().empty());
}

void TestSetupPage::sliderAndThresholdBoxFollowEachOther()
{
    SetupHarness h;
    h.Start();
    h.Slider()->setValue(200);
    QCOMPARE(h.Edit(1068)->text(), QStringLiteral("200"));

    SetupHarness::Type(h.Edit(1068), "77");
    QCOMPARE(h.Slider()->value(), 77);
    h.Edit(1068)->clear();
    QTest::keyClick(h.Edit(1068), Qt::Key_Backspace); // an empty box is no error
    QVERIFY(h.Boxes().empty());

    SetupHarness::Type(h.Edit(1068), "30");
    QCOMPARE(h.Slider()->value(), 30);
    h.Edit(1068)->end(false);
    QTest::keyClick(h.Edit(1068), Qt::Key_0); // 300
    QCOMPARE(h.Slider()->value(), 30);
    QCOMPARE(h.Boxes(), std::vector<std::string>{"Please enter an integer between 0 and 255."});

    // The page cannot be left with 300 in the box; the tab stays.
    QVERIFY(!h.Leave());
    QCOMPARE(h.sheet->GetActiveIndex(), SetupHarness::kSetupTab);
    QCOMPARE(h.Boxes().size(), size_t(2));
    QCOMPARE(g_Shared.m_nThreshold, 0);

    SetupHarness::Type(h.Edit(1068), "99");
    QCOMPARE(h.Slider()->value(), 99);
    QVERIFY(h.Leave());
    QCOMPARE(g_Shared.m_nThreshold, 99);
}

void TestSetupPage::aWidthOutOfRangeKeepsThePage_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("prompt");
    QTest::newRow("0") << "0"
                       << "Please enter an integer between 1 and 512.";
    QTest::newRow("513") << "513"
                         << "Please enter an integer between 1 and 512.";
    QTest::newRow("empty") << ""
                           << "Please enter an integer.";
}

void TestSetupPage::aWidthOutOfRangeKeepsThePage()
{
    QFETCH(QString, typed);
    QFETCH(QString, prompt);
    SetupHarness h;
    h.root.AddFile("ttyS0");
    h.Start();
    h.sheet->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.sheet.get()));
    QVERIFY(h.Choose(1046, "9600"));
    if (typed.isEmpty())
        h.Edit(1066)->clear();
    else
        SetupHarness::Type(h.Edit(1066), typed);

    {
        TabAtEachBox probe(h.sheet->Tabs(), h.fake.boxes);
        QVERIFY(!h.Leave());
        QCOMPARE(probe.shownOn, std::vector<int>{SetupHarness::kSetupTab}); // over the bad value
    }
    QCOMPARE(h.sheet->GetActiveIndex(), SetupHarness::kSetupTab);
    QCOMPARE(h.sheet->Tabs()->currentIndex(), SetupHarness::kSetupTab);
    QCOMPARE(h.Boxes(), std::vector<std::string>{prompt.toStdString()});
    QVERIFY(h.Edit(1066)->hasFocus()); // straight back to the value to correct
    QCOMPARE(g_Shared.m_nMaxPrintWidth, 512);
    QVERIFY(h.Button(Button::Apply)->isEnabled()); // the change is still there to apply

    h.Button(Button::Ok)->click(); // nor does "Close" get past it
    QVERIFY(h.sheet->isVisible());
    QVERIFY(!h.DeviceIniExists());

    SetupHarness::Type(h.Edit(1066), "1");
    QVERIFY(h.Leave());
    QCOMPARE(g_Shared.m_nMaxPrintWidth, 1);
    QCOMPARE(g_Shared.m_dwBaudRate, 9600u);
}

void TestSetupPage::enteringTheWidthBoxSelectsItsText()
{
    SetupHarness h;
    h.Start();
    h.sheet->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.sheet.get()));
    QLineEdit* width = h.Edit(1066);
    QTest::mouseClick(width, Qt::LeftButton, {}, QPoint(2, width->height() / 2));
    QTRY_COMPARE(width->selectedText(), QStringLiteral("512"));
    QVERIFY(width->hasFocus());
}

void TestSetupPage::applyIsEnabledByBoxChangesAndClearedByLeaving()
{
    SetupHarness h;
    h.root.AddFile("ttyS0");
    h.Start();
    QVERIFY(h.Button(Button::Apply)->isEnabled());
    QVERIFY(h.Leave());
    QVERIFY(!h.Button(Button::Apply)->isEnabled());
    QVERIFY(h.Return());
    QVERIFY(!h.Button(Button::Apply)->isEnabled());

    // The width and the threshold are taken when the page is left; they enable nothing.
    SetupHarness::Type(h.Edit(1066), "400");
    h.Slider()->setValue(10);
    QVERIFY(!h.Button(Button::Apply)->isEnabled());
    QVERIFY(h.Choose(1044, "ORVAN 7P"));
    QVERIFY(h.Button(Button::Apply)->isEnabled());
}

QTEST_MAIN(TestSetupPage)
#include "test_setup_page.moc"
