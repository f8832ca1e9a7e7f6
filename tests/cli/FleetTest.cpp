#include "tools/cli/Fleet.h"

#include <condition_variable>
#include <cstdio>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>

#include "tests/cli/CliRunner.h"
#include "tests/support/TempDir.h"

using cli::Fleet;
using cli::FleetOutcome;
using Result = FleetOutcome::Result;
using cli_test::Lines;
using ::testing::ElementsAre;

namespace {

std::string Printed(std::FILE* out)
{
    std::rewind(out);
    std::string text;
    for (int c; (c = std::fgetc(out)) != EOF;)
        text += static_cast<char>(c);
    return text;
}

// Eight printers, four at a time: each run waits until four run together, so the runs
// overlap for certain and the bound is seen to hold.
TEST(Fleet, RunsEveryPrinterOnceAtMostJobsAtATimeAndNamesEachFailure)
{
    std::mutex mutex;
    std::condition_variable changed;
    int running = 0, most = 0;
    bool fourTogether = false;
    std::vector<std::string> ports;
    for (int i = 1; i <= 8; ++i)
        ports.push_back("tcp://p" + std::to_string(i));
    std::FILE* out = std::tmpfile();
    const std::vector<FleetOutcome> outcomes = Fleet(4, out).Run(
        ports,
        [&](const std::string& port, std::string& reason) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                most = std::max(most, ++running);
                fourTogether = fourTogether || running == 4;
                changed.notify_all();
                changed.wait_for(lock, std::chrono::seconds(10), [&] { return fourTogether; });
                --running;
            }
            if (port != "tcp://p3" && port != "tcp://p6")
                return Result::Ok;
            reason = "no paper at " + port;
            return Result::Failed;
        },
        {});
    EXPECT_EQ(most, 4);
    ASSERT_EQ(outcomes.size(), 8u);
    for (size_t i = 0; i < 8; ++i)
        EXPECT_EQ(outcomes[i].port, ports[i]);
    const std::vector<std::string> lines = Lines(Printed(out));
    EXPECT_EQ(lines.size(), 8u);
    EXPECT_THAT(lines, ::testing::Contains("tcp://p6: no paper at tcp://p6"));
    EXPECT_EQ(Fleet::Summary(outcomes), "6 of 8 printers OK; not done: tcp://p3, tcp://p6");
    EXPECT_EQ(Fleet::ExitStatus(outcomes), 1);
    EXPECT_EQ(Fleet::ExitStatus({{"a", Result::Ok, ""}, {"b", Result::Ok, ""}}), 0);
    std::fclose(out);
}

TEST(Fleet, AStopStartsNoFurtherPrinterAndEndsWith130)
{
    std::FILE* out = std::tmpfile();
    bool stop = false;
    const std::vector<FleetOutcome> outcomes = Fleet(1, out).Run(
        {"a", "b", "c"},
        [&](const std::string&, std::string&) {
            stop = true; // Ctrl-C during the first printer's run
            return Result::Stopped;
        },
        [&] { return stop; });
    EXPECT_THAT(Lines(Printed(out)), ElementsAre("a: stopped", "b: not started", "c: not started"));
    EXPECT_EQ(Fleet::Summary(outcomes), "0 of 3 printers OK; not done: a, b, c");
    EXPECT_EQ(Fleet::ExitStatus(outcomes), 130);
    // A stop outweighs a failure: the run was not let finish.
    EXPECT_EQ(Fleet::ExitStatus({{"a", Result::Failed, ""}, {"b", Result::Stopped, ""}}), 130);
    std::fclose(out);
}

// The list is read as data: a regular file of bounded size, lines of bounded length;
// a FIFO, a device or an endless file is refused at once with its name.
TEST(Fleet, ThePrinterListSkipsCommentsAndBlankLinesAndIsReadOnlyWhenItIsAFile)
{
    testing_support::TempDir dir;
    dir.Write("printers", "# shop tills\n  tcp://till-1  \n\n\t# spare\ntcp://[::1]:9101\r\nCOM3\n");
    std::vector<std::string> ports;
    std::string error;
    ASSERT_TRUE(cli::ReadPrinterList(dir.File("printers"), ports, error));
    EXPECT_THAT(ports, ElementsAre("tcp://till-1", "tcp://[::1]:9101", "COM3"));
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    dir.Write("long-line", "COM1\n" + std::string(cli::kMaxPrinterLineBytes + 1, 'x') + "\n");
    dir.Write("huge", std::string(cli::kMaxPrinterListBytes + 1, '#'));
    const std::pair<std::string, std::string> refused[] = {
        {dir.File("missing"), dir.File("missing") + ": No such file or directory"},
        {dir.File("fifo"), "'" + dir.File("fifo") + "' is a FIFO, not a regular file"},
        {"/dev/zero", "'/dev/zero' is a device, not a regular file"},
        {dir.File("long-line"), dir.File("long-line") + ": line 2 is longer than 4096 bytes"},
        {dir.File("huge"), dir.File("huge") + ": more than 1048576 bytes"},
    };
    for (const auto& [path, reason] : refused) {
        EXPECT_FALSE(cli::ReadPrinterList(path, ports, error)) << path;
        EXPECT_EQ(error, "cannot read the printer list: " + reason);
    }
}

} // namespace
