// nivora-cli as people know command-line tools: --version everywhere, no binary on a
// terminal, a progress line only where someone watches.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/cli/CliRunner.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/TempDir.h"

using namespace cli_test;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

namespace {

TEST(CliConventionsTest, VersionOnTheProgramAndEveryCommand)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--version"},
        {"download", "--version"},
        {"print", "-p", "COM1", "-V"},
    };
    for (const auto& args : cases) {
        const CliResult run = RunCli(args);
        EXPECT_EQ(run.status, 0) << ::testing::PrintToString(args);
        EXPECT_THAT(run.out, MatchesRegex("nivora-cli [0-9]+\\.[0-9]+\n")) << ::testing::PrintToString(args);
    }
}

// One progress line where someone watches: on a terminal, not with -q or -v, and
// never into a pipe or a log file. Nor does the binary stream go to a terminal.
TEST(CliConventionsTest, ProgressLineOnlyOnATerminalAndNoBinaryThere)
{
    testing_support::TempDir dir;
    testing_support::WriteSolidBmp(dir.File("a.bmp"), 8, 8);
    testing_support::WriteSolidBmp(dir.File("b.bmp"), 16, 8);
    testing_support::FakePrinter printer;
    const struct {
        const char* name;
        bool terminal;
        std::vector<std::string> extra;
        bool shown;
    } cases[] = {
        {"terminal", true, {}, true},
        {"quiet", true, {"-q"}, false},
        {"verbose", true, {"-v"}, false},
        {"pipe", false, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"download", "-p", printer.Path(), dir.File("a.bmp"),
                                         dir.File("b.bmp")};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const CliResult run = c.terminal ? RunCliOnTerminal(args) : RunCli(args);
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        const std::string said = run.out + run.err;
        EXPECT_EQ(said.find("image 2 of 2, 24 bytes") != std::string::npos, c.shown) << said;
        EXPECT_EQ(said.find("image 1 of 2") != std::string::npos, c.shown) << said;
        EXPECT_THAT(said, HasSubstr("Complete the NV bit image definition."));
        EXPECT_TRUE(!c.shown || said.find("\x1b[K\r\n") < said.find("Complete the NV"))
            << "the closing message runs into the line: " << said;
    }
    const CliResult binary = RunCliOnTerminal({"download", "-o", "-", dir.File("a.bmp")});
    EXPECT_EQ(binary.status, 1);
    EXPECT_THAT(binary.out, HasSubstr("standard output is a terminal"));
    EXPECT_EQ(binary.out.find('\x1C'), std::string::npos); // not one byte of FS q
}

} // namespace
