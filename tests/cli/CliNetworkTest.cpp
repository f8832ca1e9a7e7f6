// nivora-cli against virtual network printers on loopback, in this process with the
// virtual clock: a run on many printers serves them all at once, gives each what a
// printer alone gets (a network one asked its state first) and names the ones that
// failed; Ctrl-C stops a run at once and leaves the printer its definitions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>

#include "download/StreamDecoder.h"
#include "printer/LinkStatus.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakeNetPrinter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/Sanitizers.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using ::testing::HasSubstr;
using Bytes = std::vector<uint8_t>;

namespace {

// The context's clock with a hook on every pause and every wait of the runs.
class HookedClock final : public platform::Clock {
public:
    explicit HookedClock(platform::Context& context) : m_context(context), m_next(*context.clock)
    {
        context.clock = this;
    }
    ~HookedClock() override { m_context.clock = &m_next; }

    TimePoint Now() const override { return m_next.Now(); }
    void SleepFor(std::chrono::milliseconds d) override
    {
        m_next.SleepFor(d);
        if (onPause)
            onPause(d);
    }
    int Poll(int fd, short events, std::chrono::milliseconds d) override
    {
        const int revents = m_next.Poll(fd, events, d);
        if (onWait)
            onWait();
        return revents;
    }
    std::function<void(std::chrono::milliseconds)> onPause;
    std::function<void()> onWait;

private:
    platform::Context& m_context;
    platform::Clock& m_next;
};

bool SigintIsDefault()
{
    struct sigaction now {};
    sigaction(SIGINT, nullptr, &now);
    return now.sa_handler == SIG_DFL;
}

using Outcome = cli_test::CliResult;

class CliNetworkTest : public ::testing::Test {
protected:
    Outcome Download(const std::vector<std::string>& args) { return cli.Run("download", args); }
    // Three logos, the first of many pieces of 512 bytes and more than the kernel's
    // buffers hide from a printer that stops reading.
    std::vector<std::string> Logos()
    {
        return {WriteSolidBmp(dir.File("a.bmp"), 2048, 80),
                WriteSolidBmp(dir.File("b.bmp"), 96, 80, 0x808080), WriteSolidBmp(dir.File("c.bmp"), 24, 16)};
    }
    static std::string Tcp(const FakeNetPrinter& printer) { return "tcp://" + printer.Address(); }
    // Real time for the waits on printers, so that the limit never outruns the threads
    // of the healthy printers beside a stalled one (ten times slower under the thread
    // sanitizer); no time for the pauses.
    static constexpr std::chrono::seconds kLimit{kThreadSanitizer ? 20 : 2};
    static inline const std::string kTookNothing =
        "the printer took nothing for " + printer::SecondsText(std::chrono::milliseconds(kLimit).count());
    void RealTimeWaits()
    {
        cli.context.clock = &m_realTime;
        cli.context.stallLimit = kLimit;
    }

    TempDir dir;
    FakePlatform fake;
    cli_test::InProcess cli;

private:
    PauseSkippingClock m_realTime;
};

// Ctrl-C while the printer takes the first piece of a download's first image: it
// finishes that image, completes the definitions it was promised with empty ones, and
// the run ends with 130. A second Ctrl-C would end the program: the handling before is
// back. (That every printer of a run is stopped: the signal test.)
TEST_F(CliNetworkTest, CtrlCStopsADownloadAfterItsCurrentImage)
{
    FakeNetPrinter printer;
    Outcome run;
    {
        RealTimeWaits(); // a printer that takes data is never taken for one that does not
        HookedClock clock(cli.context);
        int pieces = 0;
        clock.onPause = [&](std::chrono::milliseconds d) {
            if (d.count() == 10 && ++pieces == 1)
                std::raise(SIGINT);
        };
        std::vector<std::string> args = Logos();
        args.insert(args.begin(), {"-p", Tcp(printer)});
        run = Download(args);
    }
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_TRUE(SigintIsDefault());
    EXPECT_THAT(run.err,
                HasSubstr(Tcp(printer) + ": stopped after 1 of 3 images; the rest were completed with "
                                         "empty definitions\n"));
    ASSERT_TRUE(printer.WaitUntilClosed());
    const DecodedStream stream = DecodeStream(printer.Bytes());
    EXPECT_TRUE(stream.complete) << stream.error;
    EXPECT_EQ(stream.definitions.size(), 3u);
}

// Fifty printers at once, half on serial lines, half on the network, named by -p and
// by a list: each gets what one printer alone gets, but for one that refuses and one
// that stops reading, which alone are named. The thread sanitizer's build runs this to
// find races between the printers' runs.
TEST_F(CliNetworkTest, FiftyPrintersAtOnceGetTheWholeDownloadAndTheFailuresAreNamed)
{
    RealTimeWaits();
    FakeNetPrinter alone;
    std::vector<std::string> args = {"-p", Tcp(alone)};
    const std::vector<std::string> logos = Logos();
    args.insert(args.end(), logos.begin(), logos.end());
    ASSERT_EQ(Download(args).status, 0);
    const Bytes expectedOnTheNetwork = alone.Bytes();
    // A network printer is asked its state first (this one gives none); a serial one is not.
    const Bytes expectedOnSerial(expectedOnTheNetwork.begin() + 3, expectedOnTheNetwork.end());

    std::vector<std::unique_ptr<RecordingPrinter>> printers;
    std::string list = "# the shop's tills\n";
    args = logos;
    for (int i = 0; i < 50; ++i) {
        if (i % 2 == 0)
            printers.push_back(std::make_unique<FakePrinter>());
        else
            printers.push_back(std::make_unique<FakeNetPrinter>(
                FakeNetPrinter::Options{.refusing = i == 5, .receiveBuffer = 4096}));
        if (i < 25)
            args.insert(args.end(), {"-p", printers.back()->Port()});
        else
            list += printers.back()->Port() + "\n";
    }
    printers[13]->StallAfter(600);
    dir.Write("printers", list);
    args.insert(args.end(), {"--printers", dir.File("printers")});
    const Outcome run = Download(args);

    EXPECT_EQ(run.status, 1) << run.err;
    const std::string refused = printers[5]->Port(), stalled = printers[13]->Port();
    EXPECT_THAT(run.out, HasSubstr(refused + ": connection refused; ERROR[111] - Open port or file.\n"));
    EXPECT_THAT(run.out, HasSubstr(stalled + ": " + kTookNothing + "; Communication error."));
    EXPECT_THAT(run.out, HasSubstr("\n48 of 50 printers OK; not done: " + refused + ", " + stalled + "\n"));
    for (size_t i = 0; i < printers.size(); ++i) {
        if (i == 5 || i == 13)
            continue;
        SCOPED_TRACE(printers[i]->Port());
        EXPECT_THAT(run.out, HasSubstr(printers[i]->Port() + ": OK\n"));
        const Bytes& expected = i % 2 == 0 ? expectedOnSerial : expectedOnTheNetwork;
        EXPECT_TRUE(printers[i]->WaitForBytes(expected.size()));
        EXPECT_EQ(printers[i]->Bytes(), expected);
    }
    EXPECT_EQ(printers[13]->Bytes().size(), 600u);
}

// Ctrl-C ends a run whose printer takes nothing at once (and not after the stall
// limit), also while the printer is still being connected to, with 130; what it says
// counts only the images the printer really has, not those still in a buffer.
TEST_F(CliNetworkTest, CtrlCEndsARunWaitingOnItsPrinterWithin300Ms)
{
    FakeNetPrinter stalling({.receiveBuffer = 4096});
    stalling.StallAfter(600);
    const std::vector<std::string> logos = Logos();
    const UnansweringAddress nobody;
    struct Case {
        std::vector<std::string> args;
        int waits; // SIGINT at this wait once the stalling printer has its bytes
        std::string said;
    };
    const Case cases[] = {
        {{"-p", Tcp(stalling), logos[0], logos[1], logos[2]},
         200,
         "stopped while the printer was taking nothing, after 0 of 3 images"},
        {{"-p", "tcp://" + nobody.Address(), logos[2]}, 50, "stopped before the printer was reached"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said);
        platform::Clock::TimePoint raisedAt = platform::Clock::TimePoint::max();
        Outcome run;
        {
            HookedClock clock(cli.context);
            int waits = 0;
            clock.onWait = [&] {
                if ((c.waits == 50 || stalling.Bytes().size() >= 600) && ++waits == c.waits) {
                    raisedAt = clock.Now();
                    std::raise(SIGINT);
                }
            };
            run = Download(c.args);
        }
        EXPECT_EQ(run.status, 130) << run.err;
        EXPECT_LE(cli.clock.Now() - raisedAt, std::chrono::milliseconds(300));
        EXPECT_THAT(run.err, HasSubstr(c.said));
        EXPECT_THAT(run.err, ::testing::Not(HasSubstr("ERROR")));
        EXPECT_TRUE(SigintIsDefault());
    }
    cli.context.stallLimit = std::chrono::seconds(3); // said once, after 2 s
    EXPECT_THAT(Download({"-p", Tcp(stalling), logos[0]}).err, HasSubstr("not taking data"));
}

} // namespace
