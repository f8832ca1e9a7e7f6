#include "printer/Port.h"

#include <cstring>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>

#include "printer/LineSettings.h"
#include "printer/PortTestHooks.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"

using namespace std::chrono_literals;
using printer::Port;
using printer::PortVariant;
using printer::SerialSettings;
using testing_support::FakePrinter;
using testing_support::OnKeepAlive;
using testing_support::OpenDescriptorCount;
using testing_support::Sequence;

namespace {

// Every test here ends with a leak check: whatever path it took, only the printer's
// own port side may still be open.
class PortTest : public ::testing::Test {
protected:
    testing_support::FakePlatform platform;
    const int descriptorsBefore = OpenDescriptorCount();
    FakePrinter printer;
    Port port;

    void TearDown() override
    {
        printer::SetModemLineQueryForTesting({});
        port.Close();
        printer.HangUp();
        EXPECT_EQ(OpenDescriptorCount(), descriptorsBefore + 1);
    }

    void OpenAs(const PortVariant& variant, SerialSettings settings = {})
    {
        ASSERT_TRUE(port.OpenSerial(printer.Path(), settings, variant)) << std::strerror(errno);
        ASSERT_TRUE(port.IsTerminal());
    }
    Port::WriteOutcome Write(const std::vector<uint8_t>& bytes)
    {
        return port.Write(bytes.data(), bytes.size());
    }
};

struct VariantCase {
    const char* name;
    PortVariant variant;
    SerialSettings settings;
};

class PortVariantTest : public PortTest, public ::testing::WithParamInterface<VariantCase> {};

// Every byte value, many times over, with a close right behind the last write: nothing
// may be translated (CR/LF, ^C, DEL, XON/XOFF as data) nor thrown away at the close
// before the printer has read it.
TEST_P(PortVariantTest, EveryByteArrivesUnchangedInOrderAndSurvivesTheClose)
{
    OpenAs(GetParam().variant, GetParam().settings);
    const std::vector<uint8_t> bytes = Sequence(64 * 1024);
    EXPECT_TRUE(port.Write(nullptr, 0).Complete(0));
    EXPECT_TRUE(Write(bytes).Complete(bytes.size()));
    port.Close();
    ASSERT_TRUE(printer.WaitForBytes(bytes.size()));
    EXPECT_EQ(printer.Bytes(), bytes);
}

// The pseudo-terminal keeps speed, stop bits and flow-control flags as set (it forces
// 8 data bits and no parity, so those are not looked at here).
TEST_P(PortVariantTest, TheTerminalHoldsWhatTheVariantAsked)
{
    const VariantCase& c = GetParam();
    OpenAs(c.variant, c.settings);
    termios t{};
    printer::LineSettings read;
    ASSERT_EQ(::tcgetattr(printer.PortSideFd(), &t), 0);
    ASSERT_TRUE(printer::ReadLineSettings(printer.PortSideFd(), read));
    EXPECT_EQ(read.baud, c.settings.baud);
    EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.settings.stopBits == 2);
    EXPECT_EQ((t.c_cflag & CRTSCTS) != 0, c.variant.outputFlow == printer::OutputFlow::Cts);
    EXPECT_EQ((t.c_iflag & IXON) != 0, c.settings.handshake == 1);
    EXPECT_EQ((t.c_iflag & IXOFF) != 0, c.settings.handshake == 1);
    EXPECT_EQ(t.c_iflag & IXANY, 0u);
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
}

// 14400 is no classic speed code: it needs the kernel's free-speed setting.
INSTANTIATE_TEST_SUITE_P(
    Variants, PortVariantTest,
    ::testing::Values(VariantCase{"Download115200", printer::kDownloadVariant, {115200, 8, 0, 0, 0}},
                      VariantCase{"Download2400TwoStopXon", printer::kDownloadVariant, {2400, 8, 0, 2, 1}},
                      VariantCase{"Download14400", printer::kDownloadVariant, {14400, 8, 0, 0, 0}},
                      VariantCase{"Print9600Xon", printer::kPrintVariant, {9600, 7, 2, 0, 1}},
                      VariantCase{"Setup38400TwoStop", printer::kSetupVariant, {38400, 8, 1, 2, 0}}),
    [](const auto& param) { return std::string(param.param.name); });

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

TEST_F(PortTest, XoffHoldsAWriteUntilXonWithoutATimeOutOnThePrintVariant)
{
    testing_support::ScopedWriteTimeout perByte(1ms); // must not apply to this variant
    OpenAs(printer::kPrintVariant, {115200, 8, 0, 0, 1});
    ASSERT_TRUE(printer.SendXonXoff(0x13)); // XOFF
    std::optional<size_t> arrivedWhileHeld;
    OnKeepAlive xon(platform.clock, 10, [&] {
        arrivedWhileHeld = printer.Bytes().size();
        EXPECT_TRUE(printer.SendXonXoff(0x11)); // XON
    });
    const std::vector<uint8_t> bytes = Sequence(16);
    const Port::WriteOutcome outcome = Write(bytes);
    EXPECT_TRUE(outcome.Complete(bytes.size()));
    EXPECT_TRUE(outcome.waited);
    EXPECT_EQ(arrivedWhileHeld, 0u);
    ASSERT_TRUE(printer.WaitForBytes(bytes.size()));
    EXPECT_EQ(printer.Bytes(), bytes);
}

TEST_F(PortTest, AStalledPrinterEndsADownloadWriteAfterMMillisecondsPerByte)
{
    testing_support::ScopedWriteTimeout perByte(10ms);
    OpenAs(printer::kDownloadVariant);
    printer.Stall();
    OnKeepAlive safety(platform.clock, 1000, [&] { printer.HangUp(); }); // rather than hang
    const auto start = std::chrono::steady_clock::now();
    const Port::WriteOutcome outcome = Write(Sequence(100));
    EXPECT_EQ(outcome.error, ETIMEDOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 950ms); // not before 100 bytes x 10 ms
}

TEST_F(PortTest, AHangUpFailsTheWriteAtOnceOrWhileItWaits)
{
    testing_support::ScopedWriteTimeout perByte(1000ms); // the deadline would be 100 s away
    OpenAs(printer::kDownloadVariant);
    printer.Stall();
    OnKeepAlive hangUp(platform.clock, 5, [&] { printer.HangUp(); });
    Port::WriteOutcome outcome = Write(Sequence(100));
    EXPECT_NE(outcome.error, 0);
    EXPECT_NE(outcome.error, ETIMEDOUT);

    outcome = Write({0x1B});
    EXPECT_FALSE(outcome.waited);
    EXPECT_NE(outcome.error, 0);
}

// DSR output flow is done by the port itself; a modem-line query stands in for the wire.
TEST_F(PortTest, ThePrintVariantHoldsItsWritesWhileDsrIsLow)
{
    int queries = 0;
    std::optional<size_t> arrivedWhileLow;
    printer::SetModemLineQueryForTesting([&](int, int& lines) {
        if (++queries == 5)
            arrivedWhileLow = printer.Bytes().size();
        lines = TIOCM_CTS | (queries >= 5 ? TIOCM_DSR : 0);
        return 0;
    });
    OpenAs(printer::kPrintVariant);
    const std::vector<uint8_t> bytes = Sequence(200);
    const Port::WriteOutcome outcome = Write(bytes);
    EXPECT_TRUE(outcome.Complete(bytes.size()));
    EXPECT_TRUE(outcome.waited);
    EXPECT_EQ(arrivedWhileLow, 0u);
    ASSERT_TRUE(printer.WaitForBytes(bytes.size()));
    EXPECT_EQ(printer.Bytes(), bytes);
}

} // namespace
