// The printer link under a printer that misbehaves: stalls, cancelled waits, delivery
// before a close, USB devices that answer with empty packets or vanish, and ports held
// by other programs through UUCP lock files.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <gtest/gtest.h>
#include <linux/lp.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "printer/Port.h"
#include "printer/PortDiscovery.h"
#include "printer/PortTestHooks.h"
#include "printer/PrinterStatus.h"
#include "printer/StallRule.h"
#include "printer/UucpLock.h"
#include "printer/WaitWatch.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/FakeUsbPrinter.h"

using namespace std::chrono_literals;
using printer::Port;
using testing_support::FakeDeviceRoot;
using testing_support::FakePrinter;
using testing_support::FakeUsbPrinter;
using testing_support::OnKeepAlive;

namespace {

class ScopedStallTimeout {
public:
    explicit ScopedStallTimeout(std::chrono::milliseconds limit) { printer::SetStallTimeout(limit); }
    ~ScopedStallTimeout() { printer::SetStallTimeout(printer::kDefaultStallTimeout); }
};

// Records every report of a wait and ends it at the given call (0 = never).
class RecordingWatcher final : public printer::WaitWatcher {
public:
    explicit RecordingWatcher(int cancelAt) : m_cancelAt(cancelAt) { printer::SetWaitWatcher(this); }
    ~RecordingWatcher() override { printer::SetWaitWatcher(nullptr); }
    bool Continue(const printer::WaitProgress& progress) override
    {
        reports.push_back(progress);
        return static_cast<int>(reports.size()) != m_cancelAt;
    }
    std::vector<printer::WaitProgress> reports;

private:
    int m_cancelAt;
};

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> Bytes(size_t length)
{
    return std::vector<uint8_t>(length, 0x55);
}

// A printer that takes nothing, in each of the ways a port can be held shut.
enum class Shut { SerialFull, SerialDsrLow, UsbTransferHangs };

struct StallCase {
    const char* name;
    Shut shut;
    printer::PortVariant variant;
    printer::WaitKind kind; // what the watcher is told
};

class PortStallTest : public ::testing::TestWithParam<StallCase> {
protected:
    void TearDown() override { printer::SetModemLineQueryForTesting({}); }

    // Opens the port of the case and shuts the printer.
    void OpenShut(Port& port)
    {
        const StallCase& c = GetParam();
        if (c.shut == Shut::UsbTransferHangs) {
            ASSERT_TRUE(port.OpenPrinterDevice(usb.Path(), false)) << std::strerror(errno);
            return;
        }
        if (c.shut == Shut::SerialDsrLow)
            printer::SetModemLineQueryForTesting([](int, int& lines) {
                lines = TIOCM_CTS;
                return 0;
            });
        ASSERT_TRUE(port.OpenSerial(serial.Path(), {}, c.variant)) << std::strerror(errno);
        if (c.shut == Shut::SerialFull)
            serial.Stall();
    }

    testing_support::FakePlatform platform;
    FakeDeviceRoot root; // keeps the lock files in a temporary folder
    FakePrinter serial;
    FakeUsbPrinter usb;
    // The outer limit of the download variant is far away: only the stall limit can end it.
    testing_support::ScopedWriteTimeout perByte{60s};
};

TEST_P(PortStallTest, AWriteThePrinterTakesNothingOfFailsAfterTheStallLimitAndTheCloseDoesNotWait)
{
    ScopedStallTimeout limit(150ms);
    Port port;
    OpenShut(port);
    OnKeepAlive safety(platform.clock, 20000, [&] { serial.HangUp(); }); // rather than hang
    const std::vector<uint8_t> bytes = Bytes(64 * 1024);
    const Port::WriteOutcome outcome = port.Write(bytes.data(), bytes.size());
    EXPECT_EQ(outcome.error, ETIMEDOUT);
    EXPECT_TRUE(outcome.stalled);
    EXPECT_LT(outcome.written, bytes.size());
    const int keepAlivesBeforeClose = platform.clock.keepAlives;
    EXPECT_FALSE(port.Close()); // what was left is thrown away, not waited for again
    EXPECT_EQ(platform.clock.keepAlives, keepAlivesBeforeClose);
    EXPECT_FALSE(port.IsOpen());
}

TEST_P(PortStallTest, TheWatcherHearsOfTheWaitAndEndsItAtOnce)
{
    Port port;
    OpenShut(port);
    RecordingWatcher watcher(5);
    const std::vector<uint8_t> bytes = Bytes(64 * 1024);
    const Port::WriteOutcome outcome = port.Write(bytes.data(), bytes.size());
    EXPECT_EQ(outcome.error, ECANCELED);
    EXPECT_FALSE(outcome.stalled);
    ASSERT_EQ(watcher.reports.size(), 5u);
    for (size_t i = 0; i < watcher.reports.size(); ++i) {
        EXPECT_EQ(watcher.reports[i].kind, GetParam().kind);
        if (i > 0) {
            EXPECT_GE(watcher.reports[i].idle, watcher.reports[i - 1].idle);
        }
    }
    port.Abandon();
    EXPECT_FALSE(port.IsOpen());
    // Once closed, the port (and its lock) is free for the next run at once.
    Port next;
    EXPECT_TRUE(GetParam().shut == Shut::UsbTransferHangs
                    ? next.OpenPrinterDevice(usb.Path(), false)
                    : next.OpenSerial(serial.Path(), {}, GetParam().variant));
    next.Abandon(); // the printer still takes nothing
}

INSTANTIATE_TEST_SUITE_P(
    Printers, PortStallTest,
    ::testing::Values(
        StallCase{"DownloadSerial", Shut::SerialFull, printer::kDownloadVariant, printer::WaitKind::Write},
        StallCase{"PrintSerial", Shut::SerialFull, printer::kPrintVariant, printer::WaitKind::Write},
        StallCase{"PrintDsrLow", Shut::SerialDsrLow, printer::kPrintVariant, printer::WaitKind::Dsr},
        StallCase{"SetupDsrLow", Shut::SerialDsrLow, printer::kSetupVariant, printer::WaitKind::Dsr},
        StallCase{"UsbPrinter", Shut::UsbTransferHangs, printer::kDownloadVariant, printer::WaitKind::Write}),
    [](const auto& param) { return std::string(param.param.name); });

class UsbDeliveryTest : public ::testing::Test {
protected:
    testing_support::FakePlatform platform;
    FakeDeviceRoot root;
    FakeUsbPrinter usb;
    Port port;
};

// The driver takes the last chunk at once and reports completion only later; closing
// before that would cut the chunk off the end of the download.
TEST_F(UsbDeliveryTest, CloseWaitsUntilTheLastTransferHasCompleted)
{
    ASSERT_TRUE(port.OpenPrinterDevice(usb.Path(), false));
    const std::vector<uint8_t> tail = Bytes(3000);
    ASSERT_TRUE(port.Write(tail.data(), tail.size()).Complete(tail.size()));
    bool openAtCompletion = false;
    OnKeepAlive transfer(platform.clock, 3, [&] { openAtCompletion = usb.CompleteTransfer(); });
    EXPECT_TRUE(port.Close());
    if (!openAtCompletion)
        openAtCompletion = usb.CompleteTransfer();
    EXPECT_TRUE(openAtCompletion) << "the device was closed with its last transfer still in flight";
    EXPECT_EQ(usb.Bytes().size(), tail.size());
}

TEST_F(UsbDeliveryTest, AVanishedPrinterIsReportedAsTakenAway)
{
    ASSERT_TRUE(port.OpenPrinterDevice(usb.Path(), false));
    const std::vector<uint8_t> bytes = Bytes(100);
    ASSERT_TRUE(port.Write(bytes.data(), bytes.size()).Complete(bytes.size()));
    usb.Unplug();
    errno = 0;
    EXPECT_FALSE(port.Deliver());
    EXPECT_EQ(errno, ENODEV);
    EXPECT_FALSE(port.Close());
}

// An empty USB packet reads as 0 bytes; the answer may still come within the wait.
// A serial line's close waits while the printer takes what the driver still holds (the
// queue shrinks), however long that is, and reports the tail lost only once the queue
// stops moving for the stall limit. The queue is the test's: a pseudo-terminal has none.
TEST(SerialDeliveryTest, CloseWaitsWhileTheQueueShrinksAndReportsAQueueThatStops)
{
    struct Case {
        const char* name;
        std::vector<int> queue; // what each query finds; the last value stays
        bool delivered;
    };
    const Case cases[] = {
        {"drains slowly", {4000, 4000, 3000, 3000, 3000, 2000, 1000, 1000, 500, 0}, true},
        {"empty at once", {0}, true},
        {"stops half-way", {4000, 3000, 2000}, false},
        {"never moves", {700}, false},
    };
    const ScopedStallTimeout limit(100ms);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePrinter serial;
        Port port;
        ASSERT_TRUE(port.OpenSerial(serial.Path(), {}, printer::kDownloadVariant)) << std::strerror(errno);
        size_t queries = 0;
        printer::SetOutputQueueQueryForTesting([&](int) {
            // Each value stands for a while, longer than the stall limit in the slow case
            // only when added up: progress resets the limit.
            const size_t at = std::min(queries++ / 3, c.queue.size() - 1);
            return c.queue[at];
        });
        EXPECT_EQ(port.Close(), c.delivered);
        printer::SetOutputQueueQueryForTesting({});
        EXPECT_FALSE(port.IsOpen());
        EXPECT_GE(queries, c.delivered ? 1u : 3u);
    }
}

TEST(PrinterDeviceAnswerTest, AnEmptyReadIsNothingYetNotTheEnd)
{
    testing_support::FakePlatform platform;
    FakeDeviceRoot root;
    const std::string device = root.AddFile("usb/lp0");
    Port port;
    ASSERT_TRUE(port.OpenPrinterDevice(device, true));
    const uint8_t request[] = {0x1D, 0x49, 0x01};
    ASSERT_TRUE(port.Write(request, sizeof request).Complete(sizeof request));
    OnKeepAlive answer(platform.clock, 3, [&] {
        const int fd = ::open(device.c_str(), O_WRONLY | O_APPEND);
        ASSERT_EQ(::write(fd, "\x20", 1), 1);
        ::close(fd);
    });
    uint8_t byte = 0;
    EXPECT_EQ(port.ReadByte(byte, 5000), Port::Answer::Byte);
    EXPECT_EQ(byte, 0x20);
}

// A process that is surely alive and one that surely is not.
pid_t DeadPid()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

struct LockCase {
    const char* name;
    std::function<pid_t()> owner; // 0: no lock file
    bool refused;
};

class UucpLockTest : public ::testing::TestWithParam<LockCase> {
protected:
    testing_support::FakePlatform platform;
    FakeDeviceRoot root;
    FakePrinter printer;
    std::string device = root.Link("ttyUSB0", printer.Path());
    std::string lockFile =
        root.Path() + "/run/lock/LCK.." + printer.Path().substr(printer.Path().rfind('/') + 1);

    void WriteLock(pid_t pid) const
    {
        char text[16];
        std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(pid));
        WriteText(lockFile, text);
    }
    std::string ReadLock() const { return ReadText(lockFile); }
};

TEST_P(UucpLockTest, ALiveOwnerHidesAndRefusesThePortAStaleLockIsRemoved)
{
    const LockCase& c = GetParam();
    const pid_t owner = c.owner();
    if (owner != 0)
        WriteLock(owner);
    EXPECT_EQ(printer::UucpLock::LockFileFor(device), lockFile);

    const std::vector<printer::PortListing> listed = printer::ProbeComPorts();
    EXPECT_EQ(listed.empty(), c.refused);

    Port port;
    errno = 0;
    EXPECT_EQ(port.OpenSerial(device, {}, printer::kDownloadVariant), !c.refused);
    if (c.refused) {
        EXPECT_EQ(errno, EBUSY);
        char text[16];
        std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(owner));
        EXPECT_EQ(ReadLock(), text); // another program's lock is never touched
        return;
    }
    // Ours while the port is open, in the ten-digit format; gone after the close.
    char ours[16];
    std::snprintf(ours, sizeof ours, "%10d\n", static_cast<int>(::getpid()));
    EXPECT_EQ(ReadLock(), ours);
    Port second;
    EXPECT_FALSE(second.OpenSerial(device, {}, printer::kDownloadVariant));
    port.Close();
    EXPECT_FALSE(std::filesystem::exists(lockFile));
}

INSTANTIATE_TEST_SUITE_P(Owners, UucpLockTest,
                         ::testing::Values(LockCase{"None", [] { return pid_t{0}; }, false},
                                           LockCase{"LiveProcess", [] { return pid_t{1}; }, true},
                                           LockCase{"DeadProcess", DeadPid, false},
                                           LockCase{"Garbage", [] { return pid_t{-1}; }, false}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(UucpLockFolderTest, NoPermissionToCreateALockIsNoReasonToRefuseThePort)
{
    testing_support::FakePlatform platform;
    FakeDeviceRoot root;
    FakePrinter printer;
    std::filesystem::remove(root.Path() + "/run/lock");
    Port port;
    EXPECT_TRUE(port.OpenSerial(printer.Path(), {}, printer::kPrintVariant)) << std::strerror(errno);
}

TEST(PrinterStatusTest, TheStatusLinesSayWhatIsWrong)
{
    const std::pair<int, const char*> cases[] = {
        {LP_PSELECD | LP_PERRORP, ""},
        {LP_PSELECD | LP_PERRORP | LP_PBUSY | LP_PACK, ""},
        {LP_POUTPA | LP_PSELECD | LP_PERRORP, "out of paper"},
        {LP_POUTPA, "out of paper"},
        {LP_PERRORP, "off-line"},
        {LP_PSELECD, "error"},
    };
    for (const auto& [status, text] : cases)
        EXPECT_EQ(printer::DescribeLpStatus(status), text) << status;
}

TEST(PrinterStatusTest, TheDeviceIdNamesMakeAndModel)
{
    struct Case {
        std::string id;
        std::string make, model;
    };
    const Case cases[] = {
        {"MFG:Acme;CMD:ESC/POS;MDL:TM-1;CLS:PRINTER;", "Acme", "TM-1"},
        {"manufacturer: Acme Corp ; model:TM 2", "Acme Corp", "TM 2"},
        {std::string("\x00\x1E", 2) + "MFG:Acme;MDL:TM-3;", "Acme", "TM-3"},
        {"CMD:ESC/POS;", "", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        const printer::DeviceId id = printer::ParseDeviceId(c.id);
        EXPECT_EQ(id.make, c.make) << c.id;
        EXPECT_EQ(id.model, c.model) << c.id;
    }
    FakeDeviceRoot root;
    std::filesystem::create_directories(root.Path() + "/sys/class/usbmisc/lp1/device");
    WriteText(root.Path() + "/sys/class/usbmisc/lp1/device/ieee1284_id", "MFG:Acme;MDL:Acme TM-9;");
    EXPECT_EQ(printer::LptPrinterModel(2), "Acme TM-9");
    EXPECT_EQ(printer::LptPrinterModel(1), "");
}

} // namespace
