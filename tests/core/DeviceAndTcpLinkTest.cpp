// What only a printer device or a network printer does: a USB printer's last transfer
// and empty answers, a device the user may only write to, and the network printer's
// name lookup, connect and acknowledgements.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/stat.h>
#include <unistd.h>

#include "jobs/DownloadJob.h"
#include "print/PrintLink.h"
#include "printer/OpenLink.h"
#include "tests/support/AsNobody.h"
#include "tests/support/FakeNetPrinter.h"
#include "tests/support/AtSlice.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/FakeUsbPrinter.h"
#include "tests/support/VirtualClock.h"

using namespace std::chrono_literals;
using printer::Link;
using printer::LinkStatus;
using Code = printer::LinkStatus::Code;
using namespace testing_support;

namespace {

class LinkKindsTest : public ::testing::Test, protected ManualContext {
protected:
    std::unique_ptr<Link> OpenNamed(const std::string& name, const printer::LinkOptions& options, bool read,
                                    printer::WaitSupervision supervision = {})
    {
        return printer::OpenDevice(context, name, {}, options, read, status, supervision);
    }
    std::unique_ptr<Link> Connect(const std::string& address, printer::WaitSupervision supervision = {})
    {
        printer::PortRecord settings;
        settings.m_strPortDevice = "tcp://" + address;
        return printer::OpenLink(context, settings, kPrintLink, status, supervision);
    }
    // A connect cancelled at the nth slice of its waits ends within 200 ms of the cancel.
    void ExpectCancelEndsConnect(const std::string& address, int slice)
    {
        platform::Clock::TimePoint cancelledAt{};
        AtSlice cancel(slice, [&] {
            cancelledAt = clock.Now();
            cancel.token = true;
        });
        EXPECT_FALSE(Connect(address, {&cancel, &cancel.token}));
        EXPECT_EQ(status.code, Code::Cancelled);
        EXPECT_LE(clock.Now() - cancelledAt, 200ms);
    }

    LinkStatus status;
};

// The driver takes the last chunk at once and reports completion only later; closing
// before that would cut the chunk off the end of the download.
TEST_F(LinkKindsTest, APrinterDeviceClosesOnlyOnceItsLastTransferIsThrough)
{
    FakeUsbPrinter usb(false);
    bool openAtCompletion = false;
    AtSlice transfer(3, [&] { openAtCompletion = usb.CompleteTransfer(); });
    std::unique_ptr<Link> link = OpenNamed(usb.Path(), kPrintLink, false, {&transfer, nullptr});
    ASSERT_TRUE(link) << status.Describe();
    ASSERT_TRUE(link->Write(Sequence(3000)).Complete(3000));
    EXPECT_LT(link->DeliveredBytes(), link->WrittenBytes()); // still in flight
    EXPECT_TRUE(link->Close().Ok());
    EXPECT_TRUE(openAtCompletion) << "the device was closed with its last transfer still in flight";
    EXPECT_EQ(usb.Bytes(), Sequence(3000));
}

// An empty USB packet reads as 0 bytes: nothing yet. The answer may still come.
TEST_F(LinkKindsTest, APrinterDevicesEmptyReadIsNothingYet)
{
    const std::string device = root.AddFile("usb/lp0");
    AtSlice answer(3, [&] {
        const int fd = ::open(device.c_str(), O_WRONLY | O_APPEND);
        ASSERT_EQ(::write(fd, "\x20", 1), 1);
        ::close(fd);
    });
    std::unique_ptr<Link> link = OpenNamed("LPT1", jobs::kDownloadLink, true, {&answer, nullptr});
    ASSERT_TRUE(link) << status.Describe();
    ASSERT_EQ(link->GetKind(), Link::Kind::PrinterDevice);
    ASSERT_TRUE(link->Write(std::vector<uint8_t>{0x1D, 0x49, 0x01}).Complete(3));
    uint8_t byte = 0;
    EXPECT_EQ(link->Read({&byte, 1}, 5000ms), 1);
    EXPECT_EQ(byte, 0x20);
}

// A printer device the user may only write to still prints; it just never answers.
TEST_F(LinkKindsTest, ADeviceTheUserMayOnlyWriteToServesWithoutAnswers)
{
    const std::string device = root.AddFile("usb/lp0");
    ::chmod(device.c_str(), 0222);
    for (const std::string& dir : {root.Path(), root.Path() + "/dev", root.Path() + "/dev/usb"})
        ::chmod(dir.c_str(), 0755);
    const auto seen = RunAsNobody([&] {
        std::unique_ptr<Link> link = OpenNamed("LPT1", jobs::kDownloadLink, true);
        if (!link)
            return "open: " + status.Describe();
        uint8_t byte = 0;
        const bool wrote = link->Write(std::vector<uint8_t>{0x1D, 0x49, 0x01}).Complete(3);
        return std::string(wrote ? "wrote" : "no write") + " " +
               std::to_string(link->Read({&byte, 1}, 500ms));
    });
    if (!seen)
        GTEST_SKIP() << "needs root to act as an ordinary user";
    EXPECT_EQ(*seen, "wrote -1");
}

// The name lookup runs where it cannot hold the run: a resolver that never answers is
// left behind when the run is cancelled.
TEST_F(LinkKindsTest, CancelEndsALookupThatHangsAndAConnectNobodyAnswersWithin200Ms)
{
    // The helper may outlive the test: what it waits on is shared.
    const auto release = std::make_shared<std::mutex>();
    release->lock();
    context.resolve = [release](const std::string& host, const std::string& service, const addrinfo& hints,
                                addrinfo** found) {
        const std::lock_guard<std::mutex> hold(*release); // until the test lets it go
        return ::getaddrinfo(host.c_str(), service.c_str(), &hints, found);
    };
    ExpectCancelEndsConnect("printer.invalid:9100", 25);
    release->unlock();
    context.resolve = {};

    const UnansweringAddress nobody;
    ExpectCancelEndsConnect(nobody.Address(), 40);
    const std::chrono::milliseconds start = clock.Elapsed();
    EXPECT_FALSE(Connect(nobody.Address()));
    EXPECT_EQ(status.Describe(), "no answer within 3 s (time-out)");
    EXPECT_GE(clock.Elapsed() - start, 3000ms);

    EXPECT_FALSE(Connect("no-such-printer.invalid:9100"));
    EXPECT_EQ(status.code, Code::UnknownHost);
    EXPECT_EQ(status.Describe(), "unknown host");
}

// Bytes the kernel took are not yet the printer's: a printer that stops reading after
// 1000 bytes leaves 12 KB in the buffers, the write succeeds, and only the drain finds
// out. What was delivered is what the printer acknowledged.
TEST_F(LinkKindsTest, ANetworkPrinterHasOnlyWhatItAcknowledged)
{
    FakeNetPrinter printer({.receiveBuffer = 4096});
    printer.StallAfter(1000);
    std::unique_ptr<Link> link = Connect(printer.Address());
    ASSERT_TRUE(link) << status.Describe();
    ASSERT_TRUE(link->Write(std::vector<uint8_t>(12 * 1024, 0x55)).Complete(12 * 1024));
    EXPECT_EQ(link->Drain().code, Code::Stalled);
    EXPECT_LT(link->DeliveredBytes(), link->WrittenBytes());
    EXPECT_FALSE(link->Close().Ok());
    EXPECT_EQ(printer.Bytes().size(), 1000u);
}

// A printer that acknowledges bytes while the buffers stay full is still taking data:
// each acknowledgement restarts the stall limit, in a blocked write as in the drain.
TEST_F(LinkKindsTest, AcknowledgedBytesAreProgressWhileTheBuffersAreFull)
{
    context.stallLimit = 1000ms;
    int looks = 0;
    context.outputQueue = [&](int) { return 100000 - std::min(looks++, 150); }; // 150 slices, then still
    for (const bool drain : {false, true}) {
        SCOPED_TRACE(drain ? "drain" : "write");
        FakeNetPrinter printer({.receiveBuffer = 4096});
        printer.StallAfter(1000);
        std::unique_ptr<Link> link = Connect(printer.Address());
        ASSERT_TRUE(link) << status.Describe();
        looks = 0;
        const std::chrono::milliseconds start = clock.Elapsed();
        const LinkStatus ended = drain ? (link->Write(std::vector<uint8_t>(100, 0x55)), link->Drain())
                                       : link->Write(std::vector<uint8_t>(16 << 20, 0x55)).status;
        EXPECT_EQ(ended.code, Code::Stalled) << ended.Describe();
        EXPECT_GE(looks, 150);
        EXPECT_GE(clock.Elapsed() - start, 2500ms);
        link->Abandon();
    }
}

// A printer named by an IPv6 address is reached (skipped where the machine has no IPv6
// loopback).
TEST_F(LinkKindsTest, APrinterOnAnIpv6AddressIsReached)
{
    const int listener = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (listener >= 0)
            ::close(listener);
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    EXPECT_TRUE(Connect("[::1]:" + std::to_string(ntohs(address.sin6_port)))) << status.Describe();
    ::close(listener);
}

} // namespace
