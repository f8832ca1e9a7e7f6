// The Setup page's Apply test against a fake printer, "Close" and the title bar's
// close box keeping Device.INI in the start-up directory, Esc, and the page's help.
#include <QTextBrowser>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/Version.h"
#include "tests/ui/test_setup_harness.h"
#include "ui/HelpText.h"

using namespace testing_support;
using Button = CPropertySheet::Button;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint32_t kConsumerLine = 0xC0000004;
const Bytes kTestBytes = {0x1B, 0x40, 0x1D, 0x49, 0x01};

QWidget* HelpWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("helpWindow") && widget->isVisible())
            return widget;
    return nullptr;
}

} // namespace

class TestSetupApply : public QObject {
    Q_OBJECT
private slots:
    void applyWithPrintToFileOpensNothingAndSavesNothing();
    void applyOnAPortThatCannotBeOpenedSaysSoOnce_data();
    void applyOnAPortThatCannotBeOpenedSaysSoOnce();
    void applySendsTheTestToTheSerialPrinterAndSaves();
    void theJudgingTestWantsTheAnswer0x20_data();
    void theJudgingTestWantsTheAnswer0x20();
    void applyOnAParallelModelOnlyOpensLpt1();
    void closeKeepsThePortKindInTheStartUpDirectory_data();
    void closeKeepsThePortKindInTheStartUpDirectory();
    void theTitleBarCloseSavesLikeCloseAndEscDoesNothing();
    void f1OpensTheSetupHelp();
    void everyPageTopicHasItsOwnHelp();
};

void TestSetupApply::applyWithPrintToFileOpensNothingAndSavesNothing()
{
    SetupHarness h;
    FakePrinter printer;
    h.root.Link("ttyS0", printer.Path());
    h.Start();
    h.PrintToFile()->click();
    QVERIFY(h.Button(Button::Apply)->isEnabled());
    h.Button(Button::Apply)->click();

    QVERIFY(h.Boxes().empty());
    QVERIFY(!h.DeviceIniExists());
    QVERIFY(printer.Bytes().empty());
    QCOMPARE(printer.Requests(), 0);
    QVERIFY(h.sheet->isVisible());
    // Applying left the page for a moment: the file target is committed.
    QCOMPARE(g_Shared.m_nPortType, 2);
}

void TestSetupApply::applyOnAPortThatCannotBeOpenedSaysSoOnce_data()
{
    QTest::addColumn<bool>("listed");
    QTest::newRow("no serial port at all") << false;
    QTest::newRow("port taken after it was listed") << true;
}

void TestSetupApply::applyOnAPortThatCannotBeOpenedSaysSoOnce()
{
    QFETCH(bool, listed);
    SetupHarness h;
    std::optional<FakePrinter> printer;
    CPrinterPort otherProgram(printer::kPrintVariant);
    if (listed) {
        printer.emplace();
        h.root.Link("ttyS0", printer->Path());
    }
    h.Start();
    QCOMPARE(h.Combo(1045)->count(), listed ? 1 : 0);
    if (listed)
        QVERIFY(otherProgram.OpenPort("COM1", 115200, 8, 0, 0, 0));
    SetupHarness::Type(h.Edit(1066), "200");
    h.Button(Button::Apply)->click();

    QCOMPARE(h.Boxes(), std::vector<std::string>{"ERROR - Port open."});
    QCOMPARE(h.fake.boxes.shown.front().flags, platform::MB_ICONEXCLAMATION);
    // Apply still completes: the width is taken and Device.INI written.
    QCOMPARE(g_Shared.m_nMaxPrintWidth, 200);
    QCOMPARE(h.DeviceIni(), std::string("0"));
    QVERIFY(!h.page->m_port.m_hPort.IsOpen());
    if (printer)
        QVERIFY(printer->Bytes().empty());
}

void TestSetupApply::applySendsTheTestToTheSerialPrinterAndSaves()
{
    SetupHarness h;
    FakePrinter printer; // answers 0x20
    h.root.Link("ttyS0", printer.Path());
    h.Start();
    QVERIFY(h.Choose(1046, "9600"));
    const int descriptors = OpenDescriptorCount();
    h.Button(Button::Apply)->click();

    QVERIFY(printer.WaitForBytes(kTestBytes.size()));
    QCOMPARE(printer.Bytes(), kTestBytes);
    QVERIFY(h.Boxes().empty());
    QCOMPARE(h.DeviceIni(), std::string("0"));
    QCOMPARE(g_Shared.m_dwBaudRate, 9600u);
    QCOMPARE(OpenDescriptorCount(), descriptors); // the port is closed again
    QVERIFY(!h.Button(Button::Apply)->isEnabled());
    QVERIFY(h.sheet->isVisible());
}

void TestSetupApply::theJudgingTestWantsTheAnswer0x20_data()
{
    QTest::addColumn<int>("answer"); // -1: a device that never answers
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("0x20") << 0x20 << QStringList();
    QTest::newRow("0x21") << 0x21 << QStringList({"ERROR - Comm."});
    QTest::newRow("no answer") << -1 << QStringList({"ERROR - Comm."});
}

void TestSetupApply::theJudgingTestWantsTheAnswer0x20()
{
    QFETCH(int, answer);
    QFETCH(QStringList, messages);
    ScopedPlatformVersion consumerLine(kConsumerLine);
    SetupHarness h;
    FakePrinter printer;
    if (answer < 0) {
        h.root.AddFile("ttyS0"); // takes the bytes, never answers
    } else {
        printer.AnswerWith(static_cast<uint8_t>(answer));
        h.root.Link("ttyS0", printer.Path());
    }
    h.Start();
    h.Button(Button::Apply)->click();

    QStringList shown;
    for (const std::string& text : h.Boxes())
        shown << QString::fromStdString(text);
    QCOMPARE(shown, messages);
    if (answer < 0) {
        std::ifstream device(h.root.Device("ttyS0"), std::ios::binary);
        const std::string written{std::istreambuf_iterator<char>(device), std::istreambuf_iterator<char>()};
        QCOMPARE(written, std::string(kTestBytes.begin(), kTestBytes.end()));
    } else {
        QVERIFY(printer.WaitForBytes(kTestBytes.size()));
        QCOMPARE(printer.Bytes(), kTestBytes);
    }
    QCOMPARE(h.DeviceIni(), std::string("0"));
}

void TestSetupApply::applyOnAParallelModelOnlyOpensLpt1()
{
    SetupHarness h;
    FakePrinter printer;
    h.root.Link("usb/lp0", printer.Path());
    h.root.AddFile("ttyS0");
    h.Start();
    QVERIFY(h.Choose(1044, "ORVAN 4P"));
    h.Button(Button::Apply)->click();
    QVERIFY(h.Boxes().empty());
    QCOMPARE(h.DeviceIni(), std::string("1"));
    QVERIFY(!h.page->m_port.m_hPort.IsOpen());
    QTest::qWait(50); // anything sent would have arrived by now
    QVERIFY(printer.Bytes().empty());

    // Without the device the opening fails, and says so.
    std::filesystem::remove(h.root.Device("usb/lp0"));
    QVERIFY(h.Choose(1044, "ORVAN 7P"));
    h.Button(Button::Apply)->click();
    QCOMPARE(h.Boxes(), std::vector<std::string>{"ERROR - Port open."});
}

void TestSetupApply::closeKeepsThePortKindInTheStartUpDirectory_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("stored");
    QTest::newRow("serial") << "ORVAN 4S/U"
                            << "0";
    QTest::newRow("parallel") << "ORVAN 4P"
                              << "1";
}

void TestSetupApply::closeKeepsThePortKindInTheStartUpDirectory()
{
    QFETCH(QString, model);
    QFETCH(QString, stored);
    SetupHarness h;
    FakePrinter printer;
    h.root.Link("ttyS0", printer.Path());
    h.startDir.Write("Device.INI", stored == "0" ? "1" : "0"); // the opposite of what Close keeps
    TempDir elsewhere;
    h.Start();
    QVERIFY(h.Choose(1044, model));
    // A file dialog elsewhere in the program moved the current directory.
    ScopedCurrentDir moved(elsewhere.Path());
    h.Button(Button::Ok)->click();

    QVERIFY(!h.sheet->isVisible());
    QCOMPARE(h.sheet->result(), int(QDialog::Accepted));
    QCOMPARE(QString::fromStdString(h.DeviceIni()), stored);
    QVERIFY(!std::filesystem::exists(elsewhere.File("Device.INI")));
    QVERIFY(h.Boxes().empty());
    QTest::qWait(50);
    QVERIFY(printer.Bytes().empty()); // closing never runs the connection test
}

void TestSetupApply::theTitleBarCloseSavesLikeCloseAndEscDoesNothing()
{
    SetupHarness h;
    h.Start();
    QTest::keyClick(h.sheet.get(), Qt::Key_Escape);
    QVERIFY(h.sheet->isVisible());
    QVERIFY(!h.DeviceIniExists());

    QVERIFY(h.sheet->close());
    QVERIFY(!h.sheet->isVisible());
    QCOMPARE(h.DeviceIni(), std::string("0"));
    QCOMPARE(g_Shared.m_nMaxPrintWidth, 512); // the page was left on the way out
    QCOMPARE(g_Shared.m_nThreshold, 128);
}

void TestSetupApply::f1OpensTheSetupHelp()
{
    SetupHarness h;
    h.Start();
    h.sheet->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.sheet.get()));
    QTest::keyClick(h.Combo(1044), Qt::Key_F1);
    QWidget* help = HelpWindow();
    QVERIFY(help);
    QCOMPARE(help->windowTitle(), QStringLiteral("Help - Setup"));
    const QString text = help->findChild<QTextBrowser*>("helpText")->toPlainText();
    QVERIFY(text.contains("Setup Port"));
    QVERIFY(text.contains("dialout"));
    QVERIFY(h.Boxes().empty());
    help->close();
}

void TestSetupApply::everyPageTopicHasItsOwnHelp()
{
    const QStringList topics = {"Bitmap Selection", "Preview", "Logo Upload", "Logo Printout", "Setup"};
    QSet<QString> texts;
    for (const QString& topic : topics) {
        const QString text = HelpTextFor(topic);
        QVERIFY2(text.size() > 200, qPrintable(topic));
        texts.insert(text);
    }
    QCOMPARE(texts.size(), topics.size());
    // The pages that open a port say where the ports are and what rights they need.
    for (const char* topic : {"Logo Upload", "Logo Printout", "Setup"})
        QVERIFY2(HelpTextFor(topic).contains("dialout") && HelpTextFor(topic).contains("/dev/ttyUSB0"),
                 topic);
    QVERIFY(HelpTextFor("No such page").isEmpty());
}

QTEST_MAIN(TestSetupApply)
#include "test_setup_apply.moc"
