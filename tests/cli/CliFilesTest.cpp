// nivora-cli and the files and names a user hands it: a FIFO or device where a file
// belongs is refused at once by name, outputs go where they safely can, names with
// control characters reach the terminal escaped.
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/cli/CliRunner.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// A FIFO never written to would hold a reader for ever; each command names it and ends.
TEST(CliFilesTest, AFifoWhereAFileBelongsIsRefusedAtOnceByName)
{
    TempDir dir;
    const std::string fifo = dir.File("logo.bmp");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string logo = WriteSolidBmp(dir.File("a.bmp"), 8, 8);
    const std::vector<std::pair<std::vector<std::string>, int>> cases = {
        {{"download", "-o", dir.File("x.prn"), fifo}, 1},
        {{"render", fifo, "-d", dir.File("out")}, 1},
        {{"download", "-p", "COM1", "--printers", fifo, logo}, 2},
        {{"download", "-o", fifo, logo}, 1}, // as the output: not written into
    };
    for (const auto& [args, status] : cases) {
        const cli_test::CliResult run = cli_test::RunCli(args);
        EXPECT_EQ(run.status, status) << args[0] << " " << run.err; // 124: it hung
        EXPECT_THAT(run.err, HasSubstr(fifo)) << args[0];
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST(CliFilesTest, ControlCharactersInNamesReachTheTerminalEscaped)
{
    TempDir dir;
    const std::string evil = dir.File("logo\x1b[2J\x07.bmp");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"download", "-o", dir.File("x.prn"), evil},
          std::vector<std::string>{"check", "-p", dir.File("tty\x1b]0;owned\x07")}}) {
        const cli_test::CliResult run = cli_test::RunCli(args);
        EXPECT_NE(run.status, 0);
        EXPECT_THAT(run.err, Not(HasSubstr("\x1b"))) << args[0];
        EXPECT_THAT(run.err, HasSubstr("\\x1B")) << args[0];
    }
}

} // namespace
