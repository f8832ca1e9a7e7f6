// Every kind of printer link against its fake printer, one table: what it delivers,
// how a printer that takes nothing is reported (after 2 s), given up on (after the
// stall limit) and cancelled (within 200 ms), a printer that goes away, and a port that
// is not to be had. All waits run on the manual clock.
#include <csignal>
#include <gtest/gtest.h>
#include <memory>

#include "printer/OpenLink.h"
#include "tests/support/FakeNetPrinter.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/FakeUsbPrinter.h"
#include "tests/support/VirtualClock.h"

using namespace std::chrono_literals;
using printer::Link;
using printer::LinkStatus;
using Code = printer::LinkStatus::Code;
using namespace testing_support;

namespace {

enum class Kind { Serial, Usb, Network };
const char* const kKindNames[] = {"Serial", "Usb", "Network"};

// Hears of every wait and, when asked to, cancels the run at the first report.
class Watch final : public printer::WaitObserver {
public:
    Watch(platform::Clock& clock, bool cancelAtFirstReport) : m_clock(clock), m_cancel(cancelAtFirstReport) {}
    void OnNotTakingData(const printer::WaitReport& report) override
    {
        if (reports.empty() && m_cancel) {
            cancelledAt = m_clock.Now();
            token = true;
        }
        reports.push_back(report);
    }
    std::vector<printer::WaitReport> reports;
    printer::CancelToken token{false};
    platform::Clock::TimePoint cancelledAt{};

private:
    platform::Clock& m_clock;
    bool m_cancel;
};

class LinkTest : public ::testing::TestWithParam<Kind>, protected ManualContext {
protected:
    LinkTest()
    {
        switch (GetParam()) {
        case Kind::Serial:
            printer = std::make_unique<FakePrinter>();
            break;
        case Kind::Usb:
            // The device is reached as LPT1, for writing only, as the print run opens it.
            printer = std::make_unique<FakeUsbPrinter>();
            root.Link("usb/lp0", printer->Port());
            break;
        case Kind::Network:
            printer = std::make_unique<FakeNetPrinter>(FakeNetPrinter::Options{.receiveBuffer = 4096});
            break;
        }
        // Writing to a FIFO nobody reads raises SIGPIPE; a USB device never does.
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, &m_sigpipe);
    }
    ~LinkTest() override { sigaction(SIGPIPE, &m_sigpipe, nullptr); }

    printer::PortRecord Settings() const
    {
        printer::PortRecord settings;
        settings.m_nPortType = GetParam() == Kind::Usb ? 1 : 0;
        settings.m_strPortDevice = GetParam() == Kind::Usb ? "LPT1" : printer->Port();
        settings.m_dwBaudRate = 115200;
        settings.m_byByteSize = 8;
        return settings;
    }
    std::unique_ptr<Link> Open(printer::WaitSupervision supervision = {})
    {
        std::unique_ptr<Link> link = printer::OpenLink(context, Settings(), {}, status, supervision);
        EXPECT_TRUE(link) << status.Describe();
        return link;
    }
    // The printer takes nothing from now on.
    void Shut()
    {
        if (auto* serial = dynamic_cast<FakePrinter*>(printer.get()))
            serial->Stall();
        else
            printer->StallAfter(printer->Bytes().size());
    }
    // Writes until the printer takes no more; the failed write's status.
    LinkStatus WriteUntilRefused(Link& link)
    {
        const std::vector<uint8_t> chunk(64 * 1024, 0x55);
        for (int i = 0; i < 1024; ++i)
            if (const Link::Written written = link.Write(chunk); !written.status.Ok())
                return written.status;
        return LinkStatus::Success();
    }

    std::unique_ptr<RecordingPrinter> printer;
    LinkStatus status;

private:
    struct sigaction m_sigpipe {};
};

// Every byte value, many times over, with a close right behind the last write: nothing
// is translated (CR/LF, ^C, DEL, XON/XOFF as data) nor lost at the close; the answer to
// GS I 1 comes back where the printer can be read.
TEST_P(LinkTest, DeliversEveryByteInOrderBeforeTheCloseEnds)
{
    std::unique_ptr<Link> link = Open();
    ASSERT_TRUE(link);
    const std::vector<uint8_t> request = {0x1D, 0x49, 0x01};
    ASSERT_TRUE(link->Write(request).Complete(3));
    uint8_t answer[4] = {};
    const long read = link->Read(answer, 5000ms);
    if (GetParam() == Kind::Usb) {
        EXPECT_EQ(read, -1); // opened for writing only: it cannot answer
    } else {
        ASSERT_EQ(read, 1);
        EXPECT_EQ(answer[0], 0x20);
    }
    const std::vector<uint8_t> bytes = Sequence(64 * 1024);
    EXPECT_TRUE(link->Write({}).Complete(0));
    EXPECT_TRUE(link->Write(bytes).Complete(bytes.size()));
    EXPECT_EQ(link->WrittenBytes(), bytes.size() + 3);
    EXPECT_TRUE(link->Drain().Ok());
    EXPECT_EQ(link->DeliveredBytes(), link->WrittenBytes()); // the drain waited for all of it
    EXPECT_TRUE(link->Close().Ok());
    ASSERT_TRUE(printer->WaitForBytes(bytes.size() + 3));
    EXPECT_EQ(printer->Bytes(), [&] {
        std::vector<uint8_t> all = request;
        all.insert(all.end(), bytes.begin(), bytes.end());
        return all;
    }());
}

// The default limit: "not taking data" from 2 s on, the write given up at 30 s, and
// neither earlier. The close then throws away what is left instead of waiting again.
TEST_P(LinkTest, APrinterThatTakesNothingIsReportedAfterTwoSecondsAndGivenUpAfterTheLimit)
{
    Watch watch(clock, false);
    std::unique_ptr<Link> link = Open({&watch, nullptr});
    ASSERT_TRUE(link);
    Shut();
    const LinkStatus failed = WriteUntilRefused(*link);
    EXPECT_EQ(failed.code, Code::Stalled) << failed.Describe();
    EXPECT_EQ(failed.Describe(), "the printer took nothing for 30 s");
    ASSERT_FALSE(watch.reports.empty());
    EXPECT_GE(watch.reports.front().idle, 2000ms);
    EXPECT_LT(watch.reports.front().idle, 2000ms + 2 * printer::kSlice);
    EXPECT_EQ(watch.reports.front().kind, printer::WaitKind::Write);
    EXPECT_GE(watch.reports.back().idle, 30000ms);
    EXPECT_LT(watch.reports.back().idle, 30000ms + 2 * printer::kSlice);

    EXPECT_EQ(link->Write(std::vector<uint8_t>{0x1B}).status.code, Code::Stalled); // nothing more goes
    const std::chrono::milliseconds before = clock.Elapsed();
    EXPECT_FALSE(link->Close().Ok());
    EXPECT_EQ(clock.Elapsed(), before);
}

// Cancel reaches a wait on a printer that takes nothing within 200 ms. Given while the
// printer still took data, it ends the wait once the printer has taken nothing for a
// moment, long before "not taking data".
TEST_P(LinkTest, CancelEndsTheWaitOnAPrinterThatTakesNothingWithin200Ms)
{
    for (const bool early : {false, true}) {
        SCOPED_TRACE(early ? "cancelled before" : "cancelled while it waits");
        Watch watch(clock, !early);
        std::unique_ptr<Link> link = Open({&watch, &watch.token});
        ASSERT_TRUE(link);
        watch.token = early;
        Shut();
        EXPECT_EQ(WriteUntilRefused(*link).code, Code::Cancelled);
        if (early) {
            EXPECT_TRUE(watch.reports.empty());
        } else {
            EXPECT_LE(clock.Now() - watch.cancelledAt, 200ms);
        }
        const std::chrono::milliseconds before = clock.Elapsed();
        link->Abandon();
        EXPECT_EQ(clock.Elapsed(), before);
        EXPECT_FALSE(link->IsOpen());
    }
}

TEST_P(LinkTest, APrinterThatGoesAwayIsGone)
{
    std::unique_ptr<Link> link = Open();
    ASSERT_TRUE(link);
    if (auto* serial = dynamic_cast<FakePrinter*>(printer.get()))
        serial->HangUp();
    else if (auto* usb = dynamic_cast<FakeUsbPrinter*>(printer.get()))
        usb->Unplug();
    else
        static_cast<FakeNetPrinter*>(printer.get())->ResetAfter(100);
    const LinkStatus written = WriteUntilRefused(*link);
    const LinkStatus failure = written.Ok() ? link->Drain() : written;
    EXPECT_EQ(failure.code, Code::Gone) << failure.Describe();
    EXPECT_FALSE(link->Close().Ok());
}

// A port this run cannot have: another run holds it (by any of its names), or the
// network printer refuses the connection. Nothing is left open.
TEST_P(LinkTest, APortThatCannotBeHadIsRefusedAndNothingStaysOpen)
{
    const int descriptors = OpenDescriptorCount();
    if (GetParam() == Kind::Network) {
        FakeNetPrinter refusing({.refusing = true});
        printer::PortRecord settings = Settings();
        settings.m_strPortDevice = refusing.Port();
        EXPECT_FALSE(printer::OpenLink(context, settings, {}, status));
        EXPECT_EQ(status.code, Code::Refused);
        EXPECT_EQ(status.error, ECONNREFUSED);
    } else {
        std::unique_ptr<Link> holder = Open();
        ASSERT_TRUE(holder);
        const std::string otherName =
            root.Link("ttyS0", GetParam() == Kind::Usb ? root.Device("usb/lp0") : printer->Port());
        for (const std::string& name : {Settings().m_strPortDevice, std::string("COM1")}) {
            printer::PortRecord settings = Settings();
            settings.m_nPortType = 0;
            settings.m_strPortDevice = name;
            EXPECT_FALSE(printer::OpenLink(context, settings, {}, status)) << name;
            EXPECT_EQ(status.code, Code::Locked) << name;
        }
        EXPECT_FALSE(printer::CanOpenExclusively(context, otherName));
        holder->Close();
        EXPECT_TRUE(printer::CanOpenExclusively(context, otherName));
    }
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

INSTANTIATE_TEST_SUITE_P(Kinds, LinkTest, ::testing::Values(Kind::Serial, Kind::Usb, Kind::Network),
                         [](const auto& param) {
                             return std::string(kKindNames[static_cast<int>(param.param)]);
                         });

} // namespace
