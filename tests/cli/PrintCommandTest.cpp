// nivora-cli print: the print stream into a file, the whole run on a (fake) printer,
// and what it refuses.
#include <filesystem>
#include <gtest/gtest.h>
#include <tuple>

#include "tests/cli/CliRunner.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/PrintBytes.h"
#include "tests/support/TempDir.h"

using namespace testing_support;

namespace {

using Args = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

class PrintCommandTest : public ::testing::Test {
protected:
    FakePlatform platform;
    cli_test::InProcess cli;
    TempDir dir;
};

TEST_F(PrintCommandTest, AFileGetsTheHeaderLinesAndCommandsAndNothingElse)
{
    struct Case {
        Args options;
        std::vector<int> numbers;
        int mode;
        bool header;
    };
    const Case cases[] = {
        {{"-r", "1,3-5,9", "-m", "double-height", "--header"}, {1, 3, 4, 5, 9}, 2, true},
        {{}, NumberRange(1, 255), 0, false},
        {{"--range=3-1", "--mode=double-width"}, {1, 2, 3}, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.options));
        Args args = {"-o", dir.File("out.prn")};
        args.insert(args.end(), c.options.begin(), c.options.end());
        EXPECT_EQ(cli.Run("print", args).status, 0);
        const std::string written = dir.Read("out.prn");
        EXPECT_EQ(Bytes(written.begin(), written.end()), PrintedImages(c.numbers, c.mode, c.header));
    }
    EXPECT_TRUE(cli.clock.Sleeps().empty()); // a file is not paced
}

TEST_F(PrintCommandTest, APrinterGetsTheWholeSequencePacedLikeTheWindow)
{
    FakePrinter serial;
    EXPECT_EQ(cli.Run("print", {"-p", serial.Path(), "--baud", "9600", "-r", "1,3-4", "-m", "2", "--header"})
                  .status,
              0);
    const Bytes expected = PrintedImages({1, 3, 4}, 2, true, kSerialPreamble);
    serial.WaitForBytes(expected.size());
    EXPECT_EQ(serial.Bytes(), expected);
    // A tick before each image and one that finds the run complete.
    EXPECT_EQ(cli.clock.Sleeps(), (std::vector<int>{300, 300, 300, 300}));
}

TEST_F(PrintCommandTest, WhatCannotBePrintedIsNamedAndSendsNothing)
{
    FakePrinter printer;
    const std::string out = dir.File("out.prn");
    const std::tuple<Args, int, const char*> cases[] = {
        // arguments, status, part of the message
        {{"-p", printer.Path(), "-r", "1, 3"}, 2, "NV image number is incorrect."},
        {{"-o", out, "-m", "huge"}, 2, "not 'huge'"},
        {{"-p", "FILE"}, 2, "use -o OUT"},
        {{"-o", "/dev/full", "-r", "1-3"}, 1, "'/dev/full' is a device, not a regular file"},
    };
    for (const auto& [args, status, errorPart] : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const cli_test::CliResult run = cli.Run("print", args);
        EXPECT_EQ(run.status, status);
        EXPECT_NE(run.err.find(errorPart), std::string::npos) << run.err;
    }
    EXPECT_TRUE(platform.boxes.Texts().empty());
    EXPECT_FALSE(std::filesystem::exists(out));
    ASSERT_TRUE(printer.Drain());
    EXPECT_TRUE(printer.Bytes().empty()); // not even the check
}

} // namespace
