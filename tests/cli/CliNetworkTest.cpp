// nivora-cli against virtual network printers on loopback, in this process with the
// virtual clock: one printer gets what a serial printer gets, pause for pause, and a
// run on many printers serves them all at once and names the ones that failed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <condition_variable>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "download/StreamDecoder.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakeNetPrinter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/PrintBytes.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using ::testing::HasSubstr;
using Bytes = std::vector<uint8_t>;

namespace {

// Ctrl-C in the middle of a run on many printers: every printer's run is held at its
// nth pause of a given length until all of them are there, so that all are running;
// then SIGINT is raised and they go on. Pauses cost no time.
class InterruptWhenAllRun final : public platform::Clock {
public:
    // The clock of context is this one until the object goes.
    InterruptWhenAllRun(platform::Context& context, int printers, int pauseMs, int nth)
        : m_context(context), m_next(*context.clock), m_printers(printers), m_pauseMs(pauseMs), m_nth(nth)
    {
        context.clock = this;
    }
    ~InterruptWhenAllRun() override { m_context.clock = &m_next; }

    TimePoint Now() const override { return m_next.Now(); }
    int Poll(int fd, short events, std::chrono::milliseconds d) override
    {
        return m_next.Poll(fd, events, d);
    }
    void SleepFor(std::chrono::milliseconds d) override
    {
        m_next.SleepFor(d);
        std::unique_lock<std::mutex> lock(m_mutex);
        if (d.count() != m_pauseMs || ++m_seen[std::this_thread::get_id()] != m_nth)
            return;
        if (++m_arrived == m_printers) {
            std::raise(SIGINT);
            m_changed.notify_all();
        }
        m_changed.wait_for(lock, std::chrono::seconds(10), [this] { return m_arrived == m_printers; });
    }
    bool AllArrived()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_arrived == m_printers;
    }

private:
    platform::Context& m_context;
    platform::Clock& m_next;
    const int m_printers, m_pauseMs, m_nth;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::thread::id, int> m_seen; // pauses of that length per printer's thread
    int m_arrived = 0;
};

// Ctrl-C while the run waits on its printer: SIGINT at the nth wait once ready says
// so, and the time it was raised.
class InterruptWhileWaiting final : public platform::Clock {
public:
    InterruptWhileWaiting(platform::Context& context, std::function<bool()> ready, int nth)
        : m_context(context), m_next(*context.clock), m_ready(std::move(ready)), m_left(nth)
    {
        context.clock = this;
    }
    ~InterruptWhileWaiting() override { m_context.clock = &m_next; }

    TimePoint Now() const override { return m_next.Now(); }
    void SleepFor(std::chrono::milliseconds d) override { m_next.SleepFor(d); }
    int Poll(int fd, short events, std::chrono::milliseconds d) override
    {
        const int revents = m_next.Poll(fd, events, d);
        if (m_left > 0 && m_ready() && --m_left == 0) {
            raisedAt = Now();
            std::raise(SIGINT);
        }
        return revents;
    }
    TimePoint raisedAt = TimePoint::max();

private:
    platform::Context& m_context;
    platform::Clock& m_next;
    std::function<bool()> m_ready;
    int m_left;
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
    Outcome Command(const std::string& name, const std::vector<std::string>& args)
    {
        cli.clock.ClearSleeps();
        return cli.Run(name, args);
    }
    // Three logos, the middle one wider than a piece of 512 bytes; large ones are more
    // than the kernel's buffers hide from a printer that stops reading.
    std::vector<std::string> Logos(int size = 96)
    {
        return {WriteSolidBmp(dir.File("a.bmp"), 8, 8), WriteSolidBmp(dir.File("b.bmp"), size, 80, 0x808080),
                WriteSolidBmp(dir.File("c.bmp"), 24, 16)};
    }
    static std::string Tcp(const FakeNetPrinter& printer) { return "tcp://" + printer.Address(); }

    TempDir dir;
    FakePlatform fake;
    cli_test::InProcess cli;
};

TEST_F(CliNetworkTest, ANetworkPrinterGetsTheSerialPrintersBytesAndPauses)
{
    struct Case {
        const char* command;
        std::vector<std::string> args;
    };
    const std::vector<Case> cases = {
        {"download", Logos()},
        {"download", {"--erase-all"}}, // deletes every image
        {"print", {"-r", "1,3-4", "-m", "double-width", "--header"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command + ::testing::PrintToString(c.args));
        FakePrinter serial;
        std::vector<std::string> args = {"-p", serial.Path()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome overSerial = Command(c.command, args);
        const std::vector<int> serialPauses = cli.clock.Sleeps();
        ASSERT_EQ(overSerial.status, 0) << overSerial.err;

        FakeNetPrinter network;
        args[1] = Tcp(network);
        const Outcome overNetwork = Command(c.command, args);
        EXPECT_EQ(overNetwork.status, 0) << overNetwork.err;
        std::string err = overSerial.err;
        for (size_t at; (at = err.find(serial.Path())) != std::string::npos;)
            err.replace(at, serial.Path().size(), Tcp(network));
        EXPECT_EQ(overNetwork.err, err);
        EXPECT_EQ(cli.clock.Sleeps(), serialPauses);
        ASSERT_TRUE(serial.WaitForBytes(network.Bytes().size()));
        EXPECT_EQ(network.Bytes(), serial.Bytes()); // no wait: the run ended once all had arrived
        EXPECT_TRUE(network.WaitUntilClosed());
    }
}

TEST_F(CliNetworkTest, FailuresOfOnePrinterSayWhyAndEndWithOne)
{
    // Real time for the limit, so that the healthy printers' threads are not outrun.
    PauseSkippingClock realTime;
    cli.context.clock = &realTime;
    cli.context.stallLimit = std::chrono::milliseconds(200);
    FakeNetPrinter refusing({.refusing = true});
    FakeNetPrinter stalling({.receiveBuffer = 4096});
    stalling.StallAfter(600);
    FakeNetPrinter resetting({.receiveBuffer = 4096});
    resetting.ResetAfter(600);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {Tcp(refusing),
         "ERROR[111] - Open port or file.\nnivora-cli: " + Tcp(refusing) + ": connection refused"},
        {"tcp://no-such-printer.invalid", "nivora-cli: tcp://no-such-printer.invalid: unknown host"},
        {Tcp(stalling), "Communication error. Can not transimitted."},
        {Tcp(resetting), "Communication error. Can not transimitted."},
        {"tcp://[::1", ""}, // refused as usage
    };
    for (const auto& [port, message] : cases) {
        SCOPED_TRACE(port);
        std::vector<std::string> args = {"-p", port};
        for (const std::string& logo : Logos(2048))
            args.push_back(logo);
        const Outcome run = Command("download", args);
        EXPECT_EQ(run.status, message.empty() ? 2 : 1);
        EXPECT_THAT(run.err, HasSubstr(message));
        EXPECT_THAT(run.err, ::testing::Not(HasSubstr("Complete the NV bit image definition.")));
    }
    EXPECT_THAT(Command("download", {"-p", Tcp(stalling), dir.File("b.bmp")}).err,
                HasSubstr("the printer took nothing for 0.2 s"));
}

// Twenty printers in one run, one refusing and one that stops reading: every other one
// gets the whole stream, the same as one printer alone, and only those two are named.
TEST_F(CliNetworkTest, ManyPrintersAtOnceGetIdenticalStreamsAndTheSummaryNamesTheFailures)
{
    // Real time for the limit, so that the healthy printers' threads are not outrun.
    PauseSkippingClock realTime;
    cli.context.clock = &realTime;
    cli.context.stallLimit = std::chrono::milliseconds(200);
    std::vector<std::unique_ptr<FakeNetPrinter>> printers;
    for (int i = 0; i < 20; ++i)
        printers.push_back(std::make_unique<FakeNetPrinter>(
            FakeNetPrinter::Options{.refusing = i == 4, .receiveBuffer = 4096}));
    printers[13]->StallAfter(600);
    FakeNetPrinter alone;
    std::vector<std::string> args = {"-p", Tcp(alone)};
    for (const std::string& logo : Logos(2048))
        args.push_back(logo);
    ASSERT_EQ(Command("download", args).status, 0);
    const Bytes expected = alone.Bytes();

    args = {"--jobs", "8"};
    std::string list = "# the shop's tills\n";
    for (int i = 0; i < 20; ++i) {
        if (i < 10)
            args.insert(args.end(), {"-p", Tcp(*printers[static_cast<size_t>(i)])});
        else
            list += Tcp(*printers[static_cast<size_t>(i)]) + "\n";
    }
    dir.Write("printers", list);
    args.insert(args.end(), {"--printers", dir.File("printers")});
    for (const std::string& logo : Logos(2048))
        args.push_back(logo);
    const Outcome run = Command("download", args);

    EXPECT_EQ(run.status, 1) << run.err;
    const std::string refused = Tcp(*printers[4]), stalled = Tcp(*printers[13]);
    EXPECT_THAT(run.out, HasSubstr(refused + ": connection refused; ERROR[111] - Open port or file.\n"));
    EXPECT_THAT(run.out, HasSubstr(stalled + ": the printer took nothing for 0.2 s; Communication error."));
    EXPECT_THAT(run.out, HasSubstr("\n18 of 20 printers OK; not done: " + refused + ", " + stalled + "\n"));
    for (size_t i = 0; i < printers.size(); ++i) {
        if (i == 4 || i == 13)
            continue;
        SCOPED_TRACE(i);
        EXPECT_THAT(run.out, HasSubstr(Tcp(*printers[i]) + ": OK\n"));
        EXPECT_EQ(printers[i]->Bytes(), expected);
        EXPECT_EQ(printers[i]->Connections(), 1);
    }
    EXPECT_EQ(printers[13]->Bytes().size(), 600u);
}

// Ctrl-C while three printers take the first piece of a download's first image: each
// finishes that image, completes the definitions it was promised with empty ones, and
// the run ends with 130. A second Ctrl-C would end the program: the handling before is back.
TEST_F(CliNetworkTest, CtrlCStopsEveryPrinterOfADownloadAfterItsCurrentImage)
{
    FakeNetPrinter alone;
    std::vector<std::string> args = {"-p", Tcp(alone)};
    const std::vector<std::string> logos = {WriteSolidBmp(dir.File("big.bmp"), 2048, 80),
                                            WriteSolidBmp(dir.File("b.bmp"), 96, 80, 0x808080),
                                            WriteSolidBmp(dir.File("c.bmp"), 24, 16)};
    args.insert(args.end(), logos.begin(), logos.end());
    ASSERT_EQ(Command("download", args).status, 0);
    const DecodedStream whole = DecodeStream(alone.Bytes());

    std::vector<std::unique_ptr<FakeNetPrinter>> printers(3);
    args.clear();
    for (auto& printer : printers) {
        printer = std::make_unique<FakeNetPrinter>();
        args.insert(args.end(), {"-p", Tcp(*printer)});
    }
    args.insert(args.end(), logos.begin(), logos.end());
    Outcome run;
    {
        InterruptWhenAllRun interrupt(cli.context, 3, 10, 1);
        run = Command("download", args);
        EXPECT_TRUE(interrupt.AllArrived());
    }
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_TRUE(SigintIsDefault());
    for (const auto& printer : printers) {
        SCOPED_TRACE(Tcp(*printer));
        EXPECT_THAT(run.out,
                    HasSubstr(Tcp(*printer) + ": stopped: after 1 of 3 images; the rest were completed with "
                                              "empty definitions\n"));
        EXPECT_TRUE(printer->WaitUntilClosed());
        const DecodedStream stream = DecodeStream(printer->Bytes());
        EXPECT_TRUE(stream.complete) << stream.error;
        ASSERT_EQ(stream.definitions.size(), 3u);
        EXPECT_EQ(stream.definitions[0].raster, whole.definitions[0].raster);
        EXPECT_TRUE(stream.definitions[1].raster.empty());
        EXPECT_TRUE(stream.definitions[2].raster.empty());
    }
    EXPECT_THAT(run.out, HasSubstr("0 of 3 printers OK; not done: "));
}

// Print has the same stop on many printers: Ctrl-C while each waits for its second
// image's tick leaves every printer with the first image only, all of it delivered.
TEST_F(CliNetworkTest, CtrlCStopsEveryPrinterOfAPrintBeforeItsNextImage)
{
    std::vector<std::unique_ptr<FakeNetPrinter>> printers(3);
    std::vector<std::string> args = {"-r", "1-5"};
    for (auto& printer : printers) {
        printer = std::make_unique<FakeNetPrinter>();
        args.insert(args.end(), {"-p", Tcp(*printer)});
    }
    Outcome run;
    {
        InterruptWhenAllRun interrupt(cli.context, 3, 300, 2);
        run = Command("print", args);
        EXPECT_TRUE(interrupt.AllArrived());
    }
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_TRUE(SigintIsDefault());
    for (const auto& printer : printers) {
        SCOPED_TRACE(Tcp(*printer));
        EXPECT_THAT(run.out, HasSubstr(Tcp(*printer) + ": stopped: after 1 of 5 images\n"));
        EXPECT_TRUE(printer->WaitUntilClosed());
        EXPECT_EQ(printer->Bytes(), PrintedImages({1}, 0, false, kSerialPreamble));
    }
    EXPECT_THAT(run.out, HasSubstr("0 of 3 printers OK; not done: "));
}

// Ctrl-C ends a run whose printer takes nothing at once (and not after the stall
// limit), also while the printer is still being connected to, with 130; what it says
// counts only the images the printer really has, not those still in a buffer.
TEST_F(CliNetworkTest, CtrlCEndsARunWaitingOnItsPrinterWithin300Ms)
{
    FakeNetPrinter stalling({.receiveBuffer = 4096});
    stalling.StallAfter(600);
    const std::vector<std::string> logos = {WriteSolidBmp(dir.File("a.bmp"), 2048, 48),
                                            WriteSolidBmp(dir.File("b.bmp"), 2048, 80),
                                            WriteSolidBmp(dir.File("c.bmp"), 24, 16)};
    std::vector<std::string> args = {"-p", Tcp(stalling)};
    args.insert(args.end(), logos.begin(), logos.end());
    Outcome run;
    platform::Clock::TimePoint raisedAt;
    {
        InterruptWhileWaiting interrupt(
            cli.context, [&] { return stalling.Bytes().size() >= 600; }, 200);
        run = Command("download", args);
        raisedAt = interrupt.raisedAt;
    }
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_LE(cli.clock.Now() - raisedAt, std::chrono::milliseconds(300));
    EXPECT_THAT(run.err, HasSubstr("not taking data"));
    EXPECT_THAT(run.err, HasSubstr("stopped while the printer was taking nothing, after 0 of 3 images"));
    EXPECT_TRUE(SigintIsDefault());

    // A listener whose queue is full drops further handshakes: nobody answers.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::vector<int> fillers;
    for (int i = 0; i < 2; ++i) {
        fillers.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        ::connect(fillers.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    {
        InterruptWhileWaiting interrupt(
            cli.context, [] { return true; }, 5);
        run = Command("download",
                      {"-p", "tcp://127.0.0.1:" + std::to_string(ntohs(address.sin_port)), logos[2]});
        raisedAt = interrupt.raisedAt;
    }
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_LE(cli.clock.Now() - raisedAt, std::chrono::milliseconds(300));
    EXPECT_THAT(run.err, HasSubstr("stopped before the printer was reached"));
    for (const int fd : fillers)
        ::close(fd);
    ::close(listener);
}

} // namespace
