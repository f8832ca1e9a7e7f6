#include "printer/Port.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <numeric>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>

#include "printer/LineSettings.h"
#include "printer/PortTestHooks.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"

using namespace std::chrono_literals;
using printer::Port;
using printer::PortVariant;
using printer::SerialSettings;
using testing_support::FakePrinter;

namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> Sequence(size_t length)
{
    std::vector<uint8_t> bytes(length);
    std::iota(bytes.begin(), bytes.end(), uint8_t{0});
    return bytes;
}

long long MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class PortTest : public ::testing::Test {
protected:
    testing_support::FakePlatform platform;
    FakePrinter printer;
    Port port;

    void OpenAs(const PortVariant& variant, SerialSettings settings = {})
    {
        ASSERT_TRUE(port.OpenSerial(printer.Path(), settings, variant)) << std::strerror(errno);
        ASSERT_TRUE(port.IsTerminal());
    }
};

struct VariantCase {
    const char* name;
    PortVariant variant;
    int32_t handshake;
};
void PrintTo(const VariantCase& c, std::ostream* out)
{
    *out << c.name;
}

class PortBytesTest : public PortTest, public ::testing::WithParamInterface<VariantCase> {};

TEST_P(PortBytesTest, EveryByteValueArrivesUnchangedAndInOrder)
{
    OpenAs(GetParam().variant, {115200, 8, 0, 0, GetParam().handshake});
    // All 256 values: nothing may be translated (CR/LF, ^C, DEL, XON/XOFF as data).
    const std::vector<uint8_t> all = Sequence(256);
    const std::vector<uint8_t> tail = {0x1C, 0x71, 0x01};
    EXPECT_TRUE(port.Write(all.data(), all.size()).Complete(all.size()));
    EXPECT_TRUE(port.Write(nullptr, 0).Complete(0));
    EXPECT_TRUE(port.Write(tail.data(), tail.size()).Complete(tail.size()));

    std::vector<uint8_t> expected = all;
    expected.insert(expected.end(), tail.begin(), tail.end());
    ASSERT_TRUE(printer.WaitForBytes(expected.size()));
    EXPECT_EQ(printer.Bytes(), expected);
}

INSTANTIATE_TEST_SUITE_P(Variants, PortBytesTest,
                         ::testing::Values(VariantCase{"Download", printer::kDownloadVariant, 0},
                                           VariantCase{"DownloadXon", printer::kDownloadVariant, 1},
                                           VariantCase{"Print", printer::kPrintVariant, 0},
                                           VariantCase{"SetupXon", printer::kSetupVariant, 1}),
                         [](const auto& param) { return std::string(param.param.name); });

struct SettingsCase {
    const char* name;
    PortVariant variant;
    SerialSettings settings;
    speed_t speed;
};
void PrintTo(const SettingsCase& c, std::ostream* out)
{
    *out << c.name;
}

class PortSettingsReadBackTest : public PortTest, public ::testing::WithParamInterface<SettingsCase> {};

// The pseudo-terminal keeps speed, stop bits and flow-control flags as set (it forces
// 8 data bits and no parity, so those are not looked at here).
TEST_P(PortSettingsReadBackTest, TheTerminalHoldsWhatTheVariantAsked)
{
    const SettingsCase& c = GetParam();
    OpenAs(c.variant, c.settings);
    termios t{};
    ASSERT_EQ(::tcgetattr(printer.PortSideFd(), &t), 0);
    EXPECT_EQ(::cfgetospeed(&t), c.speed);
    EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.settings.stopBits == 2);
    EXPECT_EQ((t.c_cflag & CRTSCTS) != 0, c.variant.outputFlow == printer::OutputFlow::Cts);
    EXPECT_EQ((t.c_iflag & IXON) != 0, c.settings.handshake == 1);
    EXPECT_EQ((t.c_iflag & IXOFF) != 0, c.settings.handshake == 1);
    EXPECT_EQ(t.c_iflag & IXANY, 0u);
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u); // raw
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, PortSettingsReadBackTest,
    ::testing::Values(
        SettingsCase{"Download115200", printer::kDownloadVariant, {115200, 8, 0, 0, 0}, B115200},
        SettingsCase{"Download2400TwoStopXon", printer::kDownloadVariant, {2400, 8, 0, 2, 1}, B2400},
        SettingsCase{"Print9600Xon", printer::kPrintVariant, {9600, 7, 2, 0, 1}, B9600},
        SettingsCase{"Setup38400TwoStop", printer::kSetupVariant, {38400, 8, 1, 2, 0}, B38400}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(PortTest, FourteenThousandFourHundredBaudIsSetExactly)
{
    // Not one of the classic speed codes: it needs the kernel's free-speed setting.
    OpenAs(printer::kDownloadVariant, {14400, 8, 0, 0, 0});
    printer::LineSettings read;
    ASSERT_TRUE(printer::ReadLineSettings(printer.PortSideFd(), read));
    EXPECT_EQ(read.baud, 14400u);
}

TEST_F(PortTest, InvalidLineSettingsFailTheOpenAndLeaveNothingOpen)
{
    const int before = testing_support::OpenDescriptorCount();
    for (const SerialSettings& bad : {SerialSettings{0, 8, 0, 0, 0}, SerialSettings{9600, 9, 0, 0, 0},
                                      SerialSettings{9600, 8, 5, 0, 0}, SerialSettings{9600, 8, 0, 1, 0}}) {
        errno = 0;
        EXPECT_FALSE(port.OpenSerial(printer.Path(), bad, printer::kDownloadVariant));
        EXPECT_EQ(errno, EINVAL);
        EXPECT_FALSE(port.IsOpen());
    }
    EXPECT_EQ(testing_support::OpenDescriptorCount(), before);
    OpenAs(printer::kDownloadVariant); // and the lock went with the failed opens
}

TEST_F(PortTest, ASecondOpenOfAHeldPortFailsEvenForTheSuperuser)
{
    OpenAs(printer::kPrintVariant);
    testing_support::FakeDeviceRoot root;
    const std::string link = root.Link("ttyS0", printer.Path()); // the same device by another name
    for (const std::string& path : {printer.Path(), link}) {
        Port second;
        errno = 0;
        EXPECT_FALSE(second.OpenSerial(path, {}, printer::kPrintVariant));
        EXPECT_TRUE(errno == EWOULDBLOCK || errno == EBUSY) << std::strerror(errno);
        EXPECT_FALSE(second.IsOpen());
        EXPECT_FALSE(Port::CanOpenExclusively(path));
    }
    port.Close();
    Port second;
    EXPECT_TRUE(second.OpenSerial(link, {}, printer::kPrintVariant));
}

TEST_F(PortTest, XoffHoldsAWriteUntilXon)
{
    OpenAs(printer::kPrintVariant, {115200, 8, 0, 0, 1});
    ASSERT_TRUE(printer.SendXoff());
    printer.SendXonAfter(300ms);
    const std::vector<uint8_t> bytes = Sequence(16);
    const Port::WriteOutcome outcome = port.Write(bytes.data(), bytes.size());
    EXPECT_TRUE(outcome.Complete(bytes.size()));
    EXPECT_TRUE(outcome.waited);
    ASSERT_TRUE(printer.WaitForBytes(bytes.size()));
    ASSERT_TRUE(printer.XonSentAt().has_value());
    for (const FakePrinter::Arrival& arrival : printer.Arrivals())
        EXPECT_GE(arrival.at, *printer.XonSentAt());
    EXPECT_EQ(printer.Bytes(), bytes);
    EXPECT_GT(platform.clock.keepAlives, 0); // the window kept painting while held
}

TEST_F(PortTest, AStalledPrinterEndsADownloadWriteAfterMMillisecondsPerByte)
{
    testing_support::ScopedWriteTimeout perByte(10ms);
    OpenAs(printer::kDownloadVariant);
    printer.Stall();
    printer.HangUpAfter(10s); // without a deadline the write ends here instead of hanging
    const std::vector<uint8_t> bytes = Sequence(100);
    const auto start = Clock::now();
    const Port::WriteOutcome outcome = port.Write(bytes.data(), bytes.size());
    EXPECT_FALSE(outcome.Complete(bytes.size()));
    EXPECT_EQ(outcome.error, ETIMEDOUT);
    EXPECT_GE(MsSince(start), 1000 - 50); // not before 100 bytes x 10 ms
}

TEST_F(PortTest, ThePrintVariantWaitsForAStalledPrinterAsLongAsItTakes)
{
    testing_support::ScopedWriteTimeout perByte(1ms); // must not apply to this variant
    OpenAs(printer::kPrintVariant);
    printer.Stall();
    std::thread resume([this] {
        std::this_thread::sleep_for(300ms);
        printer.Resume();
    });
    const std::vector<uint8_t> bytes = Sequence(200);
    const Port::WriteOutcome outcome = port.Write(bytes.data(), bytes.size());
    resume.join();
    EXPECT_TRUE(outcome.Complete(bytes.size()));
    EXPECT_TRUE(outcome.waited);
    ASSERT_TRUE(printer.WaitForBytes(bytes.size()));
    EXPECT_EQ(printer.Bytes(), bytes);
}

// A virtual printer reads when it likes: closing the port right after a write must not
// throw away what it has not read yet (the end of a download).
TEST_F(PortTest, ClosingAPseudoTerminalKeepsWhatTheOtherEndHasNotReadYet)
{
    OpenAs(printer::kDownloadVariant);
    const std::vector<uint8_t> bytes = Sequence(64 * 1024);
    ASSERT_TRUE(port.Write(bytes.data(), bytes.size()).Complete(bytes.size()));
    port.Close();
    ASSERT_TRUE(printer.WaitForBytes(bytes.size()));
    EXPECT_EQ(printer.Bytes(), bytes);
}

TEST_F(PortTest, AHangUpFailsTheWriteAtOnce)
{
    OpenAs(printer::kDownloadVariant);
    printer.HangUp();
    const uint8_t byte = 0x1B;
    const Port::WriteOutcome outcome = port.Write(&byte, 1);
    EXPECT_FALSE(outcome.Complete(1));
    EXPECT_FALSE(outcome.waited);
    EXPECT_NE(outcome.error, 0);
}

TEST_F(PortTest, AHangUpEndsAWriteThatIsWaitingForTheDeadline)
{
    testing_support::ScopedWriteTimeout perByte(1000ms); // the deadline would be 100 s away
    OpenAs(printer::kDownloadVariant);
    printer.Stall();
    printer.HangUpAfter(200ms);
    const std::vector<uint8_t> bytes = Sequence(100);
    const auto start = Clock::now();
    const Port::WriteOutcome outcome = port.Write(bytes.data(), bytes.size());
    EXPECT_FALSE(outcome.Complete(bytes.size()));
    EXPECT_NE(outcome.error, ETIMEDOUT);
    EXPECT_LT(MsSince(start), 20000);
}

TEST_F(PortTest, TheAnswerIsReadWithinTheWaitAndNothingMoreThanOneByte)
{
    OpenAs(printer::kDownloadVariant);
    printer.Send({0x20, 0x21});
    uint8_t byte = 0;
    EXPECT_EQ(port.ReadByte(byte, 500), Port::Answer::Byte);
    EXPECT_EQ(byte, 0x20);
    EXPECT_EQ(port.ReadByte(byte, 500), Port::Answer::Byte);
    EXPECT_EQ(byte, 0x21);
}

TEST_F(PortTest, NoAnswerReturnsAfterTheWaitWithoutTouchingTheBuffer)
{
    OpenAs(printer::kDownloadVariant);
    uint8_t byte = 0x1D;
    const auto start = Clock::now();
    EXPECT_EQ(port.ReadByte(byte, 300), Port::Answer::None);
    EXPECT_GE(MsSince(start), 300 - 20);
    EXPECT_EQ(byte, 0x1D);
    EXPECT_GT(platform.clock.keepAlives, 0);
}

TEST_F(PortTest, OpeningThrowsAwayWhatWasWaitingOnTheLine)
{
    printer.Send({0x55, 0x66});
    std::this_thread::sleep_for(50ms);
    OpenAs(printer::kDownloadVariant);
    uint8_t byte = 0;
    EXPECT_EQ(port.ReadByte(byte, 100), Port::Answer::None);
}

// DSR output flow is done by the port itself; a modem-line query stands in for the wire.
class DsrFlowTest : public PortTest {
protected:
    std::atomic<bool> dsr{false};
    std::atomic<int> queries{0};
    void SetUp() override
    {
        printer::SetModemLineQueryForTesting([this](int, int& lines) {
            ++queries;
            lines = TIOCM_CTS | (dsr ? TIOCM_DSR : 0);
            return 0;
        });
    }
    void TearDown() override { printer::SetModemLineQueryForTesting({}); }
};

TEST_F(DsrFlowTest, PrintWritesWaitWhileDsrIsLow)
{
    OpenAs(printer::kPrintVariant);
    std::atomic<Clock::time_point> raised{Clock::time_point::max()};
    std::thread line([&] {
        std::this_thread::sleep_for(300ms);
        raised = Clock::now();
        dsr = true;
    });
    const std::vector<uint8_t> bytes = Sequence(200);
    const Port::WriteOutcome outcome = port.Write(bytes.data(), bytes.size());
    line.join();
    EXPECT_TRUE(outcome.Complete(bytes.size()));
    EXPECT_TRUE(outcome.waited);
    ASSERT_TRUE(printer.WaitForBytes(bytes.size()));
    EXPECT_GE(printer.Arrivals().front().at, raised.load());
    EXPECT_EQ(printer.Bytes(), bytes);
}

TEST_F(DsrFlowTest, DownloadWritesDoNotLookAtDsr)
{
    OpenAs(printer::kDownloadVariant);
    const std::vector<uint8_t> bytes = Sequence(10);
    EXPECT_TRUE(port.Write(bytes.data(), bytes.size()).Complete(bytes.size()));
    EXPECT_EQ(queries, 0);
}

TEST_F(PortTest, ATerminalWithoutModemLinesCountsAsAlwaysReady)
{
    // A pseudo-terminal has no modem lines at all: the print variant must not wait.
    OpenAs(printer::kPrintVariant);
    const std::vector<uint8_t> bytes = Sequence(300);
    const Port::WriteOutcome outcome = port.Write(bytes.data(), bytes.size());
    EXPECT_TRUE(outcome.Complete(bytes.size()));
    EXPECT_FALSE(outcome.waited);
}

TEST(PortFileTest, AnOutputFileIsCreatedOrEmptiedAndTakesTheBytesPlainly)
{
    testing_support::TempDir dir;
    dir.Write("out.prn", std::string(1000, 'x'));
    Port port;
    ASSERT_TRUE(port.OpenOutputFile(dir.File("out.prn")));
    EXPECT_TRUE(port.IsFile());
    const std::vector<uint8_t> bytes = Sequence(256);
    EXPECT_TRUE(port.Write(bytes.data(), bytes.size()).Complete(bytes.size()));
    EXPECT_TRUE(port.Write(bytes.data(), 0).Complete(0));
    uint8_t byte = 0;
    EXPECT_EQ(port.ReadByte(byte, 500), Port::Answer::Failed); // at once: a file never answers
    port.Close();
    EXPECT_EQ(dir.Read("out.prn"), std::string(bytes.begin(), bytes.end()));
}

TEST(PortFileTest, AFileThatCannotBeCreatedKeepsItsError)
{
    Port port;
    errno = 0;
    EXPECT_FALSE(port.OpenOutputFile("/nonexistent-folder/out.prn"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(port.IsOpen());
}

TEST(PortLeakTest, NoPathLeavesADescriptorBehind)
{
    testing_support::FakePlatform platform;
    testing_support::TempDir dir;
    FakePrinter printer;
    const int before = testing_support::OpenDescriptorCount();
    {
        Port held;
        ASSERT_TRUE(held.OpenSerial(printer.Path(), {}, printer::kDownloadVariant));
        Port second;
        EXPECT_FALSE(second.OpenSerial(printer.Path(), {}, printer::kDownloadVariant));
        EXPECT_FALSE(second.OpenSerial("/nonexistent-device", {}, printer::kDownloadVariant));
        EXPECT_FALSE(second.OpenPrinterDevice(printer.Path(), true));
        EXPECT_FALSE(Port::CanOpenExclusively(printer.Path()));
        uint8_t byte = 0;
        held.ReadByte(byte, 10);
        Port file;
        ASSERT_TRUE(file.OpenOutputFile(dir.File("a.prn")));
        ASSERT_TRUE(file.OpenOutputFile(dir.File("b.prn"))); // reopening closes the first
    }
    EXPECT_EQ(testing_support::OpenDescriptorCount(), before);
    {
        Port port;
        ASSERT_TRUE(port.OpenSerial(printer.Path(), {}, printer::kDownloadVariant));
        printer.HangUp();
        const uint8_t byte = 0;
        EXPECT_FALSE(port.Write(&byte, 1).Complete(1));
    }
    EXPECT_EQ(testing_support::OpenDescriptorCount(), before - 1); // only the printer's own end went
}

} // namespace
