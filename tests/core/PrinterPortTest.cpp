#include "printer/PrinterPort.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/SharedRecord.h"
#include "platform/Trace.h"
#include "platform/Version.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/TempDir.h"

using namespace std::chrono_literals;
using testing_support::FakePrinter;

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;
constexpr unsigned kExclamation = platform::MB_ICONEXCLAMATION;
constexpr uint32_t kConsumerLine = 0xC0000004; // bit 31, major version 4
constexpr uint32_t kOtherLine = 0x0000000A;

long long MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class PrinterPortTest : public ::testing::Test {
protected:
    testing_support::FakePlatform platform;
    FakePrinter printer;

    void Open(CPrinterPort& port, int32_t handshake = 0)
    {
        ASSERT_TRUE(port.OpenPort(printer.Path(), 115200, 8, 0, 0, handshake)) << port.m_nOpenError;
    }
    std::vector<std::string> Boxes() const { return platform.boxes.Texts(); }
};

TEST(WriteTimeoutTest, MIsTheBaudRateBelow9600AndHalfOfItFromThere)
{
    EXPECT_EQ(printer::WriteTimeoutPerByteMs(2400), 2400);
    EXPECT_EQ(printer::WriteTimeoutPerByteMs(4800), 4800);
    EXPECT_EQ(printer::WriteTimeoutPerByteMs(9600), 4800);
    EXPECT_EQ(printer::WriteTimeoutPerByteMs(19200), 9600);
    EXPECT_EQ(printer::WriteTimeoutPerByteMs(115200), 57600);
}

TEST(PlatformVersionTest, OnlyBit31WithMajorFourOrMoreIsTheConsumerLine)
{
    EXPECT_TRUE(platform::IsConsumerLine(0xC0000004));  // 95
    EXPECT_TRUE(platform::IsConsumerLine(0xC0005A04));  // 98, Me
    EXPECT_FALSE(platform::IsConsumerLine(0x80000003)); // 3.x with the 32-bit extension
    EXPECT_FALSE(platform::IsConsumerLine(0x0A280105)); // NT line
    EXPECT_FALSE(platform::IsConsumerLine());           // Linux
}

TEST_F(PrinterPortTest, CheckSendsTheRequestAndTakesTheAnswerWithoutJudgingIt)
{
    printer.AnswerWith(0x7E);
    CPrinterPort port(printer::kDownloadVariant);
    Open(port);
    const auto start = Clock::now();
    EXPECT_TRUE(port.CheckPrinter());
    EXPECT_LT(MsSince(start), 500); // the answer ends the wait
    EXPECT_EQ(port.m_nAnswer, 0x7E);
    ASSERT_TRUE(printer.WaitForBytes(3));
    EXPECT_EQ(printer.Bytes(), (Bytes{0x1D, 0x49, 0x01}));
    EXPECT_TRUE(Boxes().empty());
}

struct WaitCase {
    const char* name;
    printer::PortVariant variant;
    int waitMs;
};
void PrintTo(const WaitCase& c, std::ostream* out)
{
    *out << c.name;
}

class CheckWaitTest : public PrinterPortTest, public ::testing::WithParamInterface<WaitCase> {};

TEST_P(CheckWaitTest, APrinterThatNeverAnswersStillPassesAfterTheWait)
{
    printer.AnswerWith(std::nullopt);
    CPrinterPort port(GetParam().variant);
    Open(port);
    const auto start = Clock::now();
    EXPECT_TRUE(port.CheckPrinter());
    EXPECT_GE(MsSince(start), GetParam().waitMs - 20);
    EXPECT_EQ(port.m_nAnswer, -1);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_GT(platform.clock.keepAlives, 0);
}

INSTANTIATE_TEST_SUITE_P(Variants, CheckWaitTest,
                         ::testing::Values(WaitCase{"Download", printer::kDownloadVariant, 500},
                                           WaitCase{"Print", printer::kPrintVariant, 500},
                                           WaitCase{"Setup", printer::kSetupVariant, 1000}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(PrinterPortTest, AFailedRequestWriteSaysSoAndFails)
{
    CPrinterPort port(printer::kDownloadVariant);
    Open(port);
    printer.HangUp();
    EXPECT_FALSE(port.CheckPrinter());
    ASSERT_EQ(platform.boxes.shown.size(), 1u);
    EXPECT_EQ(platform.boxes.shown[0].text, "ERROR - Write to port.");
    EXPECT_EQ(platform.boxes.shown[0].flags, kExclamation);
}

TEST_F(PrinterPortTest, TheSetupWriteReportsAWriteThatFailedWhileWaiting)
{
    CPrinterPort port(printer::kSetupVariant);
    Open(port);
    printer.Stall();
    printer.HangUpAfter(100ms);
    EXPECT_FALSE(port.CheckPrinter());
    EXPECT_EQ(Boxes(),
              (std::vector<std::string>{"GetOverlappedResult (write) failed", "ERROR - Write to port."}));
    EXPECT_EQ(platform.boxes.shown[0].flags, platform::MB_OK);
}

TEST_F(PrinterPortTest, TheSetupWriteFailingAtOnceShowsOnlyTheCheckMessage)
{
    CPrinterPort port(printer::kSetupVariant);
    Open(port);
    printer.HangUp();
    EXPECT_FALSE(port.CheckPrinter());
    EXPECT_EQ(Boxes(), std::vector<std::string>{"ERROR - Write to port."});
}

struct JudgeCase {
    const char* name;
    std::optional<uint8_t> answer;
    const char* message; // nullptr: passes without a message
};
void PrintTo(const JudgeCase& c, std::ostream* out)
{
    *out << c.name;
}

class JudgeTest : public PrinterPortTest, public ::testing::WithParamInterface<JudgeCase> {};

TEST_P(JudgeTest, OnlyTheAnswer0x20Passes)
{
    printer.AnswerWith(GetParam().answer);
    CPrinterPort port(printer::kSetupVariant);
    Open(port);
    EXPECT_EQ(port.JudgePrinter(), GetParam().message == nullptr);
    if (GetParam().message) {
        ASSERT_EQ(platform.boxes.shown.size(), 1u);
        EXPECT_EQ(platform.boxes.shown[0].text, GetParam().message);
        EXPECT_EQ(platform.boxes.shown[0].flags, kExclamation);
    } else {
        EXPECT_TRUE(Boxes().empty());
    }
    EXPECT_EQ(printer.Bytes(), (Bytes{0x1D, 0x49, 0x01}));
}

INSTANTIATE_TEST_SUITE_P(Answers, JudgeTest,
                         ::testing::Values(JudgeCase{"Space", 0x20, nullptr},
                                           JudgeCase{"Other", 0x21, "ERROR - Comm."},
                                           JudgeCase{"RequestByteEcho", 0x1D, "ERROR - Comm."},
                                           JudgeCase{"Silent", std::nullopt, "ERROR - Comm."}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(PrinterPortTest, JudgingADeviceThatCannotBeReadSaysReceiveData)
{
    testing_support::FakeDeviceRoot root;
    root.AddFile("usb/lp0");
    CPrinterPort port(printer::kSetupVariant); // opens LPT write only
    ASSERT_TRUE(port.OpenLpt());
    EXPECT_FALSE(port.JudgePrinter());
    EXPECT_EQ(Boxes(), std::vector<std::string>{"ERROR - Receive data."});
}

TEST_F(PrinterPortTest, JudgingAHungUpPrinterSaysWriteToPort)
{
    CPrinterPort port(printer::kSetupVariant);
    Open(port);
    printer.HangUp();
    EXPECT_FALSE(port.JudgePrinter());
    EXPECT_EQ(Boxes(), std::vector<std::string>{"ERROR - Write to port."});
}

TEST_F(PrinterPortTest, TheApplyTestWaitsOnThisSystemAndJudgesOnTheConsumerLine)
{
    printer.AnswerWith(0x21);
    for (const uint32_t version : {kOtherLine, kConsumerLine}) {
        testing_support::ScopedPlatformVersion line(version);
        printer.Clear();
        platform.boxes.shown.clear();
        CPrinterPort port(printer::kSetupVariant);
        Open(port);
        EXPECT_EQ(RunPrinterTest(port), version == kOtherLine);
        ASSERT_TRUE(printer.WaitForBytes(5));
        EXPECT_EQ(printer.Bytes(), (Bytes{0x1B, 0x40, 0x1D, 0x49, 0x01}));
        EXPECT_EQ(Boxes(), version == kOtherLine ? std::vector<std::string>{}
                                                 : std::vector<std::string>{"ERROR - Comm."});
        port.ClosePort();
    }
}

TEST_F(PrinterPortTest, TheApplyTestStopsAfterAFailedInitialise)
{
    CPrinterPort port(printer::kSetupVariant);
    Open(port);
    printer.HangUp();
    EXPECT_FALSE(RunPrinterTest(port));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"ERROR - Write to port."});
}

TEST_F(PrinterPortTest, AHeldPortFailsToOpenAndKeepsTheError)
{
    CPrinterPort first(printer::kDownloadVariant), second(printer::kDownloadVariant);
    Open(first);
    errno = 0;
    EXPECT_FALSE(second.OpenPort(printer.Path(), 115200, 8, 0, 0, 0));
    EXPECT_EQ(errno, second.m_nOpenError);
    EXPECT_TRUE(second.m_nOpenError == EWOULDBLOCK || second.m_nOpenError == EBUSY);
    EXPECT_FALSE(second.m_hPort.IsOpen());
}

TEST(PrinterPortOpenTest, NamesWithoutADeviceFailWithNoSuchFile)
{
    testing_support::FakePlatform platform;
    testing_support::FakeDeviceRoot root;
    CPrinterPort download(printer::kDownloadVariant), print(printer::kPrintVariant);
    EXPECT_FALSE(download.OpenPort("COM1", 115200, 8, 0, 0, 0));
    EXPECT_EQ(download.m_nOpenError, ENOENT);
    EXPECT_FALSE(download.OpenPort("COM250", 115200, 8, 0, 0, 0));
    EXPECT_EQ(download.m_nOpenError, ENOENT);
    EXPECT_FALSE(download.OpenLpt());
    EXPECT_EQ(download.m_nOpenError, ENOENT);
    EXPECT_FALSE(print.OpenPort("FILE", 115200, 8, 0, 0, 0)); // no file case on the Print page
    EXPECT_EQ(print.m_nOpenError, ENOENT);
    EXPECT_FALSE(print.m_bToFile);
}

TEST(PrinterPortOpenTest, ComNamesReachTheDeviceThroughTheTable)
{
    testing_support::FakePlatform platform;
    testing_support::FakeDeviceRoot root;
    FakePrinter printer;
    root.Link("ttyUSB0", printer.Path());
    CPrinterPort port(printer::kPrintVariant);
    ASSERT_TRUE(port.OpenPort("COM33", 9600, 8, 0, 0, 0));
    const Bytes bytes = {0x1C, 0x70, 0x01, 0x00};
    EXPECT_TRUE(port.WriteBuffer(bytes.data(), bytes.size()));
    ASSERT_TRUE(printer.WaitForBytes(4));
    EXPECT_EQ(printer.Bytes(), bytes);
}

class OutputFileTest : public ::testing::Test {
protected:
    testing_support::FakePlatform platform;
    testing_support::TempDir dir;
    testing_support::ScopedCurrentDir cwd{dir.Path()};
    CPrinterPort port{printer::kDownloadVariant};
};

TEST_F(OutputFileTest, ACancelledNameWritesTempPrnInTheCurrentFolderReplacingIt)
{
    dir.Write("temp.prn", std::string(5000, 'x'));
    ASSERT_TRUE(port.OpenPort("FILE", 115200, 8, 0, 0, 0));
    EXPECT_TRUE(port.m_bToFile);
    const Bytes bytes = {0x1B, 0x40, 0x1C, 0x71, 0x01};
    EXPECT_TRUE(port.WriteBuffer(bytes.data(), bytes.size()));
    EXPECT_TRUE(port.WriteBuffer(bytes.data(), 0));
    EXPECT_TRUE(port.ClosePort());
    EXPECT_EQ(dir.Read("temp.prn"), std::string(bytes.begin(), bytes.end()));
}

TEST_F(OutputFileTest, ATypedNameIsUsedAsItIs)
{
    platform.files.outputChoices.push_back({true, {"logos.bin"}});
    ASSERT_TRUE(port.OpenPort("FILE", 115200, 8, 0, 0, 0));
    const Bytes bytes = {0x00, 0x0A, 0x0D, 0xFF};
    ByteSink& sink = port; // the stream writers see only this
    EXPECT_TRUE(sink.WriteBuffer(bytes.data(), bytes.size()));
    port.ClosePort();
    EXPECT_EQ(dir.Read("logos.bin"), std::string(bytes.begin(), bytes.end()));
    EXPECT_FALSE(std::filesystem::exists(dir.File("temp.prn")));
}

TEST_F(OutputFileTest, ANameThatCannotBeCreatedFailsWithItsError)
{
    platform.files.outputChoices.push_back({true, {"no-such-folder/out.prn"}});
    EXPECT_FALSE(port.OpenPort("FILE", 115200, 8, 0, 0, 0));
    EXPECT_EQ(port.m_nOpenError, ENOENT);
    EXPECT_FALSE(port.m_hPort.IsOpen());
}

// A USB printer-class device is no terminal and may refuse reading: every way of
// opening it works, and the check simply gets no answer.
TEST(UsbPrinterTest, SerialParallelAndCheckWorkOnAPrinterThatCannotBeRead)
{
    testing_support::FakePlatform platform;
    testing_support::FakeDeviceRoot root;
    const std::string device = root.AddFile("usb/lp0");
    for (const printer::PortVariant& variant : {printer::kDownloadVariant, printer::kPrintVariant}) {
        CPrinterPort lpt(variant), serial(variant);
        ASSERT_TRUE(lpt.OpenLpt());
        EXPECT_TRUE(lpt.CheckPrinter());
        EXPECT_EQ(lpt.m_nAnswer, -1);
        lpt.ClosePort();
        ASSERT_TRUE(serial.OpenPort("LPT1", 115200, 8, 0, 0, 0));
        EXPECT_FALSE(serial.m_hPort.IsTerminal());
        EXPECT_TRUE(serial.CheckPrinter());
        serial.ClosePort();
    }
    EXPECT_EQ(platform.clock.keepAlives, 0); // the failed read ends the wait at once
    EXPECT_TRUE(platform.boxes.shown.empty());
    std::ifstream in(device, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "\x1D\x49\x01");
}

TEST(UsbPrinterTest, ADeviceTheUserMayOnlyWriteToStillOpensForTheDownload)
{
    testing_support::FakeDeviceRoot root;
    const std::string device = root.AddFile("usb/lp0");
    ::chmod(device.c_str(), 0222);
    ::chmod(root.Path().c_str(), 0755);
    // Permissions do not bind the superuser, so the open runs as nobody.
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        CPrinterPort port(printer::kDownloadVariant);
        if (!port.OpenLpt())
            ::_exit(1);
        const uint8_t byte = 0x1B;
        ::_exit(port.WriteBuffer(&byte, 1) && port.CheckPrinter() && port.m_nAnswer == -1 ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(PrinterPortTest, TheProgressDialogTracesPortWritesButNotFileWrites)
{
    std::vector<std::string> traces;
    platform::SetTraceHook([&](const std::string& line) { traces.push_back(line); });
    CPrinterPort port(printer::kDownloadVariant);
    Open(port);
    const uint8_t byte = 0x00;
    g_Shared.m_strPortDevice = "COM1";
    EXPECT_TRUE(ProgressWriteBuffer(port.m_hPort, &byte, 1));
    EXPECT_EQ(traces, (std::vector<std::string>{"[VARNEX] CPrograss::WriteBuffer()\r\n",
                                                "[VARNEX] CPrograss::WriteBuffer()-Issue write\r\n"}));
    traces.clear();
    g_Shared.m_strPortDevice = "FILE";
    EXPECT_TRUE(ProgressWriteBuffer(port.m_hPort, &byte, 1));
    EXPECT_EQ(traces, std::vector<std::string>{"[VARNEX] CPrograss::WriteBuffer()\r\n"});
    platform::SetTraceHook({});
    ASSERT_TRUE(printer.WaitForBytes(2));
}

} // namespace
