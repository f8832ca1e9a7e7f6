// What only a serial line does: the line settings as the kernel gets them, flow
// control by XON/XOFF and by DSR, the write time-out of M ms a byte, the drain of the
// line's queue before a close, and a clean line at every open.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>

#include "jobs/DownloadJob.h"
#include "print/PrintLink.h"
#include "printer/LineSettings.h"
#include "printer/OpenLink.h"
#include "tests/support/AtSlice.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/VirtualClock.h"

using namespace std::chrono_literals;
using printer::LineFlags;
using printer::LineSettings;
using printer::Link;
using testing_support::AtSlice;
using testing_support::FakePrinter;
using testing_support::ManualContext;
using testing_support::Sequence;

namespace {

class SerialLinkTest : public ::testing::Test, protected ManualContext {
protected:
    std::unique_ptr<Link> Open(const printer::LinkOptions& options, printer::SerialSettings settings = {},
                               printer::WaitSupervision supervision = {})
    {
        printer::LinkStatus status;
        std::unique_ptr<Link> link =
            printer::OpenDevice(context, printer.Path(), settings, options, true, status, supervision);
        EXPECT_TRUE(link) << status.Describe();
        EXPECT_TRUE(!link || link->GetKind() == Link::Kind::Serial);
        return link;
    }

    FakePrinter printer;
};

// A pseudo-terminal forces 8 data bits and no parity, so these are looked at where they
// are made.
TEST(LineSettingsTest, ParityStopBitsSizeAndFlowBecomeTheTermiosFlags)
{
    struct Case {
        LineSettings settings;
        tcflag_t cflagSet, cflagClear, iflagSet, iflagClear;
    };
    const tcflag_t kStale = PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CS5;
    const Case cases[] = {
        {{9600, 8, 0, 0, false, false},
         CS8 | CREAD | CLOCAL,
         PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS,
         0,
         IXON | IXOFF | IXANY | INPCK},
        {{9600, 7, 1, 0, false, false}, CS7 | PARENB | PARODD, CSTOPB | CMSPAR, INPCK, 0},
        {{9600, 8, 2, 2, false, false}, CS8 | PARENB | CSTOPB, PARODD | CMSPAR, INPCK, 0},
        {{9600, 8, 0, 0, true, true}, CS8 | CRTSCTS, PARENB, IXON | IXOFF, IXANY | INPCK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int{c.settings.parity} * 10 + c.settings.stopBits);
        const LineFlags flags =
            printer::ComposeLineFlags(c.settings, {kStale, IXANY | ICRNL, OPOST, ICANON | ECHO | ISIG, 0, 0});
        EXPECT_EQ(flags.cflag & c.cflagSet, c.cflagSet);
        EXPECT_EQ(flags.cflag & c.cflagClear, 0u);
        EXPECT_EQ(flags.cflag & CSIZE, c.cflagSet & CSIZE);
        EXPECT_EQ(flags.iflag & c.iflagSet, c.iflagSet);
        EXPECT_EQ(flags.iflag & (c.iflagClear | ICRNL), 0u);
        EXPECT_EQ(flags.oflag & OPOST, 0u);
        EXPECT_EQ(flags.lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(flags.startChar, 0x11);
        EXPECT_EQ(flags.stopChar, 0x13);
    }
}

// What the kernel keeps of them on the line: the speed (14400 needs the free-speed
// setting), the stop bits and the flow control the run asked for.
TEST_F(SerialLinkTest, TheLineHoldsSpeedStopBitsAndTheRunsFlowControl)
{
    struct Case {
        printer::LinkOptions options;
        printer::SerialSettings settings;
    };
    std::vector<Case> cases = {{jobs::kDownloadLink, {14400, 8, 0, 2, 1}}};
    for (const uint32_t baud : {2400u, 4800u, 9600u, 19200u, 38400u, 57600u, 115200u})
        cases.push_back({kPrintLink, {baud, 8, 0, 0, 0}});
    for (const Case& c : cases) {
        std::unique_ptr<Link> link = Open(c.options, c.settings);
        termios t{};
        LineSettings read;
        ASSERT_EQ(::tcgetattr(printer.PortSideFd(), &t), 0);
        ASSERT_TRUE(printer::ReadLineSettings(printer.PortSideFd(), read));
        EXPECT_EQ(read.baud, c.settings.baud);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.settings.stopBits == 2);
        EXPECT_EQ((t.c_cflag & CRTSCTS) != 0, c.options.outputFlow == printer::OutputFlow::Cts);
        EXPECT_EQ((t.c_iflag & IXON) != 0, c.settings.handshake == 1);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    }
}

// Opening throws away what waited on the line, and restarts output that a killed
// program left stopped (TCOOFF), so each run starts clean.
TEST_F(SerialLinkTest, EveryOpenStartsOnACleanRunningLine)
{
    clock.SetRealWait(printer::kSlice); // the answer takes real time
    printer.Send({0x55});
    ::ioctl(printer.PortSideFd(), TCXONC, TCOOFF); // as a killed program's handler left it
    std::unique_ptr<Link> link = Open(kPrintLink);
    ASSERT_TRUE(link->Write(std::vector<uint8_t>{0x1D, 0x49, 0x01}).Complete(3));
    uint8_t answer = 0;
    ASSERT_EQ(link->Read({&answer, 1}, 500ms), 1);
    EXPECT_EQ(answer, 0x20);
    EXPECT_EQ(printer.Bytes(), (std::vector<uint8_t>{0x1D, 0x49, 0x01}));
}

TEST_F(SerialLinkTest, XoffHoldsAPrintWriteUntilXonAndDsrLowHoldsItUntilDsrRises)
{
    std::optional<size_t> arrivedWhileHeld;
    {
        std::unique_ptr<Link> link = Open(kPrintLink, {115200, 8, 0, 0, 1});
        ASSERT_TRUE(printer.SendXonXoff(0x13));
        AtSlice xon(10, [&] {
            arrivedWhileHeld = printer.Bytes().size();
            EXPECT_TRUE(printer.SendXonXoff(0x11));
        });
        link->Supervise({&xon, nullptr});
        const Link::Written written = link->Write(Sequence(16));
        EXPECT_TRUE(written.Complete(16) && written.waited);
        EXPECT_EQ(arrivedWhileHeld, 0u);
        ASSERT_TRUE(printer.WaitForBytes(16));
    }
    int queries = 0;
    context.modemLines = [&](int, int& lines) {
        if (++queries == 5)
            arrivedWhileHeld = printer.Bytes().size();
        lines = TIOCM_CTS | (queries >= 5 ? TIOCM_DSR : 0);
        return 0;
    };
    printer.Clear();
    std::unique_ptr<Link> link = Open(kPrintLink);
    const Link::Written written = link->Write(Sequence(200));
    EXPECT_TRUE(written.Complete(200) && written.waited);
    EXPECT_EQ(arrivedWhileHeld, 0u);
    ASSERT_TRUE(printer.WaitForBytes(200));
    EXPECT_EQ(printer.Bytes(), Sequence(200));
}

// A printer that takes its bytes a piece at a time keeps a write going however long the
// whole takes: every byte it takes starts the stall limit again.
TEST_F(SerialLinkTest, APrinterTakingItsBytesPieceByPieceNeverStalls)
{
    struct Dripping final : printer::WaitObserver {
        explicit Dripping(FakePrinter& fake) : printer(fake) {}
        void OnSlice() override
        {
            if (++slices % 4 == 0) // 80 ms of a 200 ms limit
                printer.StallAfter(allowed += 8192);
        }
        void OnNotTakingData(const printer::WaitReport&) override {}
        FakePrinter& printer;
        size_t allowed = 0;
        int slices = 0;
    } drip(printer);
    context.stallLimit = 200ms;
    clock.SetRealWait(50ms); // the printer's thread gets its turn within the slice
    printer.StallAfter(0);
    std::unique_ptr<Link> link = Open(kPrintLink, {}, {&drip, nullptr});
    const std::vector<uint8_t> bytes = Sequence(160 * 1024);
    const std::chrono::milliseconds start = clock.Elapsed();
    const Link::Written written = link->Write(bytes);
    EXPECT_TRUE(written.Complete(bytes.size())) << written.status.Describe();
    EXPECT_GT(clock.Elapsed() - start, 200ms);
    printer.Resume();
    EXPECT_TRUE(printer.WaitForBytes(bytes.size()));
}

// The download gives a write M ms a byte: 100 bytes at 10 ms end after a second of a
// printer taking nothing, long before the stall limit.
TEST_F(SerialLinkTest, ADownloadWriteEndsAfterMMillisecondsAByte)
{
    context.writeTimeoutPerByte = 10ms;
    std::unique_ptr<Link> link = Open(jobs::kDownloadLink);
    printer.Stall();
    const std::chrono::milliseconds start = clock.Elapsed();
    EXPECT_EQ(link->Write(Sequence(100)).status.code, printer::LinkStatus::Code::TimedOut);
    EXPECT_GE(clock.Elapsed() - start, 1000ms);
    EXPECT_LT(clock.Elapsed() - start, 1000ms + 2 * printer::kSlice);
}

// The close waits while the printer takes what the driver still holds (the queue
// shrinks), however long that is, gives a queue that stands still the time the line
// needs to send it, and gives the tail up only once the queue stands still for longer
// than that and the stall limit. A pseudo-terminal has no queue: the context's stands in.
TEST_F(SerialLinkTest, TheCloseWaitsWhileTheQueueShrinksAndGivesUpOnOneThatStopsMoving)
{
    struct Case {
        const char* name;
        uint32_t baud;
        std::vector<std::pair<int, int>> queue; // what the looks find, and for how many looks
        bool delivered;
    };
    std::vector<std::pair<int, int>> shrinking; // 4000 bytes, 100 every 5 looks: 2 s
    for (int left = 4000; left >= 0; left -= 100)
        shrinking.emplace_back(left, 5);
    const Case cases[] = {
        {"drains slowly", 9600, {{4000, 6}, {3000, 9}, {2000, 3}, {1000, 6}, {500, 3}, {0, 1}}, true},
        {"empty at once", 9600, {{0, 1}}, true},
        {"stops half-way", 9600, {{4000, 3}, {3000, 3}, {2000, 1}}, false},
        // 4000 bytes take 5 s at 9600 baud: standing still for 3 s is no stall yet.
        {"sends a full queue slowly", 9600, {{4000, 300}, {0, 1}}, true},
        // At 115200 baud they take 0.4 s, but every byte that leaves is progress.
        {"shrinks slowly on a fast line", 115200, shrinking, true},
        {"stands still on a fast line", 115200, {{4000, 300}, {0, 1}}, false},
    };
    context.stallLimit = 100ms;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        size_t looks = 0;
        context.outputQueue = [&](int) {
            size_t look = looks++;
            for (const auto& [value, count] : c.queue) {
                if (look < static_cast<size_t>(count))
                    return value;
                look -= static_cast<size_t>(count);
            }
            return c.queue.back().first;
        };
        std::unique_ptr<Link> link = Open(jobs::kDownloadLink, {c.baud, 8, 0, 0, 0});
        const std::chrono::milliseconds start = clock.Elapsed();
        EXPECT_EQ(link->Close().Ok(), c.delivered);
        EXPECT_FALSE(link->IsOpen());
        if (!c.delivered) {
            EXPECT_GE(clock.Elapsed() - start, 100ms);
        }
        context.outputQueue = {};
    }
}

} // namespace
