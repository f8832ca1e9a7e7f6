#include "printer/PrinterPort.h"

#include <cerrno>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Version.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/TempDir.h"

using testing_support::FakePrinter;

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;
const Bytes kRequest = {0x1D, 0x49, 0x01};
constexpr uint32_t kConsumerLine = 0xC0000004; // bit 31, major version 4
constexpr uint32_t kOtherLine = 0x0000000A;

long long MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

using Shown = std::vector<std::pair<std::string, unsigned>>;
const std::pair<std::string, unsigned> kWriteError = {"ERROR - Write to port.", platform::MB_ICONEXCLAMATION};
const std::pair<std::string, unsigned> kCommError = {"ERROR - Comm.", platform::MB_ICONEXCLAMATION};

Shown Boxes(const testing_support::FakePlatform& platform)
{
    Shown shown;
    for (const testing_support::ShownBox& box : platform.boxes.shown)
        shown.emplace_back(box.text, box.flags);
    return shown;
}

TEST(WriteTimeoutTest, MIsTheBaudRateBelow9600AndHalfOfItFromThere)
{
    EXPECT_EQ(printer::WriteTimeoutPerByteMs(4800), 4800);
    EXPECT_EQ(printer::WriteTimeoutPerByteMs(9600), 4800);
    EXPECT_EQ(printer::WriteTimeoutPerByteMs(115200), 57600);
}

// Opening throws away what was waiting on the line, so only an answer to this request
// counts; without one the check still passes after its wait.
TEST(PrinterPortCheckTest, SendsTheRequestAndTakesAnyAnswerOrNoneAfterTheVariantsWait)
{
    testing_support::FakePlatform platform;
    FakePrinter printer;
    const std::tuple<printer::PortVariant, std::optional<uint8_t>, int> cases[] = {
        {printer::kDownloadVariant, 0x7E, 500},
        {printer::kDownloadVariant, std::nullopt, 500},
        {printer::kSetupVariant, std::nullopt, 1000}};
    for (const auto& [variant, answer, waitMs] : cases) {
        SCOPED_TRACE(waitMs);
        printer.AnswerWith(answer);
        printer.Send({0x55});
        ASSERT_TRUE(printer.WaitUntilSent());
        printer.Clear();
        CPrinterPort port(variant);
        ASSERT_TRUE(port.OpenPort(printer.Path(), 115200, 8, 0, 0, 0));
        const auto start = Clock::now();
        EXPECT_TRUE(port.CheckPrinter());
        EXPECT_EQ(port.m_nAnswer, answer ? *answer : -1); // not judged
        if (answer)
            EXPECT_LT(MsSince(start), waitMs); // the answer ends the wait
        else
            EXPECT_GE(MsSince(start), waitMs - 20);
        EXPECT_EQ(printer.Bytes(), kRequest);
    }
    EXPECT_TRUE(platform.boxes.shown.empty());
    EXPECT_GT(platform.clock.keepAlives, 0);
}

TEST(PrinterPortCheckTest, AFailedWriteSaysSoAndFails)
{
    enum Operation { Check, CheckWhileWaiting, Judge };
    const std::pair<Operation, Shown> cases[] = {
        {Check, {kWriteError}},
        {CheckWhileWaiting, {{"GetOverlappedResult (write) failed", platform::MB_OK}, kWriteError}},
        {Judge, {kWriteError}}};
    for (const auto& [operation, expected] : cases) {
        SCOPED_TRACE(operation);
        testing_support::FakePlatform platform;
        FakePrinter printer;
        CPrinterPort port(printer::kSetupVariant);
        ASSERT_TRUE(port.OpenPort(printer.Path(), 115200, 8, 0, 0, 0));
        std::optional<testing_support::OnKeepAlive> hangUp;
        if (operation == CheckWhileWaiting) {
            printer.Stall(); // and hang up while the write waits
            hangUp.emplace(platform.clock, 5, [&printer] { printer.HangUp(); });
        } else {
            printer.HangUp();
        }
        EXPECT_FALSE(operation == Judge ? port.JudgePrinter() : port.CheckPrinter());
        EXPECT_EQ(Boxes(platform), expected);
    }
}

// The Apply test waits on this system; on the consumer line it judges, and only the
// answer 0x20 passes.
TEST(PrinterPortCheckTest, TheApplyTestWaitsOnThisSystemAndJudgesOnTheConsumerLine)
{
    EXPECT_FALSE(platform::IsConsumerLine());
    EXPECT_FALSE(platform::IsConsumerLine(0x80000003)); // bit 31 below major version 4
    testing_support::FakePlatform platform;
    FakePrinter printer;
    const std::tuple<uint32_t, std::optional<uint8_t>, Shown> cases[] = {
        {kOtherLine, 0x21, {}},
        {kConsumerLine, 0x20, {}},
        {kConsumerLine, 0x21, {kCommError}},
        {kConsumerLine, 0x1D, {kCommError}}, // the request's echo
        {kConsumerLine, std::nullopt, {kCommError}}};
    for (const auto& [version, answer, expected] : cases) {
        SCOPED_TRACE(answer.value_or(0xFF));
        platform::SetVersionForTesting(version); // undone after the loop, which never leaves early
        printer.AnswerWith(answer);
        printer.Clear();
        platform.boxes.shown.clear();
        CPrinterPort port(printer::kSetupVariant);
        EXPECT_TRUE(port.OpenPort(printer.Path(), 115200, 8, 0, 0, 0));
        EXPECT_EQ(RunPrinterTest(port), expected.empty());
        EXPECT_EQ(Boxes(platform), expected);
        printer.WaitForBytes(5);
        EXPECT_EQ(printer.Bytes(), (Bytes{0x1B, 0x40, 0x1D, 0x49, 0x01}));
    }
    platform::SetVersionForTesting(std::nullopt);
}

// "FILE" asks for a name and takes "temp.prn" in the current folder when the question
// is cancelled; what cannot be opened keeps its error.
TEST(PrinterPortOpenTest, FileIsTheTypedNameOrTempPrnAndFailuresKeepTheirError)
{
    testing_support::FakePlatform platform;
    testing_support::FakeDeviceRoot root;
    testing_support::TempDir dir;
    testing_support::ScopedCurrentDir cwd(dir.Path());
    dir.Write("temp.prn", std::string(5000, 'x'));
    const Bytes bytes = {0x1B, 0x40, 0x00, 0x0A, 0x0D, 0xFF};
    const int descriptors = testing_support::OpenDescriptorCount();
    platform.files.outputChoices.push_back({true, {"logos.bin"}});
    for (const char* file : {"logos.bin", "temp.prn"}) {
        CPrinterPort port(printer::kDownloadVariant);
        ASSERT_TRUE(port.OpenPort("FILE", 115200, 8, 0, 0, 0));
        EXPECT_TRUE(port.m_bToFile);
        EXPECT_TRUE(port.WriteBuffer(bytes.data(), bytes.size()));
        EXPECT_TRUE(port.ClosePort());
        EXPECT_EQ(dir.Read(file), std::string(bytes.begin(), bytes.end()));
    }

    CPrinterPort download(printer::kDownloadVariant), print(printer::kPrintVariant);
    platform.files.outputChoices.push_back({true, {"no-such-folder/out.prn"}});
    EXPECT_FALSE(download.OpenPort("FILE", 115200, 8, 0, 0, 0));
    EXPECT_EQ(download.m_nOpenError, ENOENT);
    for (const char* name : {"COM1", "LPT1"}) { // no device under the root
        EXPECT_FALSE(download.OpenPort(name, 115200, 8, 0, 0, 0)) << name;
        EXPECT_EQ(download.m_nOpenError, ENOENT) << name;
    }
    EXPECT_FALSE(print.OpenPort("FILE", 115200, 8, 0, 0, 0)); // no file target on the Print page
    EXPECT_EQ(print.m_nOpenError, ENOENT);
    EXPECT_EQ(testing_support::OpenDescriptorCount(), descriptors);
}

// A USB printer-class device is no terminal and may be writable only: every way of
// opening it works, the check simply gets no answer at once, and judging says so.
TEST(UsbPrinterTest, AWriteOnlyPrinterWorksOnEveryPathAndNeverAnswers)
{
    testing_support::FakeDeviceRoot root;
    const std::string device = root.AddFile("usb/lp0");
    ::chmod(device.c_str(), 0222);
    ::chmod(root.Path().c_str(), 0755);
    // Permissions do not bind the superuser, so the child runs as nobody. It exits with
    // the number of the first step that went wrong.
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(1);
        testing_support::FakePlatform platform;
        CPrinterPort lpt(printer::kDownloadVariant), serial(printer::kPrintVariant),
            setup(printer::kSetupVariant);
        const bool steps[] = {lpt.OpenLpt() && lpt.CheckPrinter() && lpt.m_nAnswer == -1 && lpt.ClosePort(),
                              serial.OpenPort("LPT1", 115200, 8, 0, 0, 0) && !serial.m_hPort.IsTerminal() &&
                                  serial.CheckPrinter() && serial.ClosePort(),
                              setup.OpenLpt() && !setup.JudgePrinter(),
                              platform.boxes.Texts() == std::vector<std::string>{"ERROR - Receive data."},
                              platform.clock.keepAlives == 0};
        for (size_t step = 0; step < std::size(steps); ++step)
            if (!steps[step])
                ::_exit(static_cast<int>(step) + 2);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ::chmod(device.c_str(), 0644);
    std::ifstream written(device, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}),
              "\x1D\x49\x01"); // each from the start
}

} // namespace
