// nivora-cli against virtual network printers on loopback, in this process with the
// virtual clock: one printer gets what a serial printer gets, pause for pause, and a
// run on many printers serves them all at once and names the ones that failed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "printer/StallRule.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakeNetPrinter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/TempDir.h"
#include "tools/cli/Command.h"

using namespace testing_support;
using ::testing::HasSubstr;
using Bytes = std::vector<uint8_t>;

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

class CliNetworkTest : public ::testing::Test {
protected:
    ~CliNetworkTest() override { printer::SetStallTimeout(printer::kDefaultStallTimeout); }

    Outcome Command(const std::string& name, const std::vector<std::string>& args)
    {
        fake.clock.sleeps.clear();
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int status = cli::Registry::Find(name)->run(args);
        return {status, ::testing::internal::GetCapturedStdout(), ::testing::internal::GetCapturedStderr()};
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
        const std::vector<int> serialPauses = fake.clock.sleeps;
        ASSERT_EQ(overSerial.status, 0) << overSerial.err;

        FakeNetPrinter network;
        args[1] = Tcp(network);
        const Outcome overNetwork = Command(c.command, args);
        EXPECT_EQ(overNetwork.status, 0) << overNetwork.err;
        std::string err = overSerial.err;
        for (size_t at; (at = err.find(serial.Path())) != std::string::npos;)
            err.replace(at, serial.Path().size(), Tcp(network));
        EXPECT_EQ(overNetwork.err, err);
        EXPECT_EQ(fake.clock.sleeps, serialPauses);
        ASSERT_TRUE(serial.WaitForBytes(network.Bytes().size()));
        EXPECT_EQ(network.Bytes(), serial.Bytes()); // no wait: the run ended once all had arrived
        EXPECT_TRUE(network.WaitUntilClosed());
    }
}

TEST_F(CliNetworkTest, FailuresOfOnePrinterSayWhyAndEndWithOne)
{
    printer::SetStallTimeout(std::chrono::milliseconds(200));
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
    printer::SetStallTimeout(std::chrono::milliseconds(200));
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

} // namespace
