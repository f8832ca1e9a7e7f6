#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "download/StreamDecoder.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using cli_test::CliResult;
using cli_test::RunCli;
using ::testing::HasSubstr;
using Bytes = std::vector<uint8_t>;

namespace {

class CliDownloadTest : public ::testing::Test {
protected:
    std::string Bmp(const std::string& name, int width, int height, int bits = 24, uint32_t value = 0)
    {
        BmpParams params;
        params.width = width;
        params.height = height;
        params.bitsPerPixel = bits;
        WriteFile(dir.File(name), MakeBmp(params, [value](int, int) { return value; }));
        return dir.File(name);
    }
    Bytes Output(const std::string& name = "out.prn") const
    {
        const std::string text = dir.Read(name);
        return Bytes(text.begin(), text.end());
    }
    std::string Out() const { return dir.File("out.prn"); }

    TempDir dir;
};

TEST_F(CliDownloadTest, WritesExactlyTheDownloadOfTheFiles)
{
    const CliResult run =
        RunCli({"download", "-o", Out(), Bmp("a.bmp", 100, 50), Bmp("b.bmp", 8, 8, 8, 255)});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    Bytes expected = {0x1C, 0x71, 0x02, 0x0D, 0x00, 0x07, 0x00};
    for (int x = 0; x < 104; ++x)
        for (int r = 0; r < 7; ++r)
            expected.push_back(x >= 100 ? 0x00 : r < 6 ? 0xFF : 0xC0);
    for (uint8_t b : {0x01, 0x00, 0x01, 0x00})
        expected.push_back(b);
    expected.resize(expected.size() + 8, 0x00); // palette index 255 never prints at 128
    EXPECT_EQ(Output(), expected);
}

TEST_F(CliDownloadTest, WithoutFilesItWritesTheDeleteAllStream)
{
    const CliResult run = RunCli({"download", "-o", Out()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Output(), Bytes({0x1C, 0x71, 0x01, 0x00, 0x00, 0x00, 0x00}));
}

TEST_F(CliDownloadTest, ThresholdWidthAndCentringOptions)
{
    const std::string a = Bmp("a.bmp", 100, 50), b = Bmp("b.bmp", 100, 50),
                      grey = Bmp("g.bmp", 8, 8, 24, 0xFEFEFE);
    struct Case {
        std::vector<std::string> options;
        std::vector<int> widths;  // of the three images, in dots
        std::vector<size_t> dots; // printed dots of each
    };
    const Case cases[] = {
        {{}, {104, 104, 8}, {5000, 5000, 0}},
        {{"-c", "2"}, {104, 312, 8}, {5000, 5000, 0}},
        {{"--center=1,3", "-w", "511"}, {312, 104, 264}, {5000, 5000, 0}},
        {{"-c", "1", "-c", "2", "--max-width", "200"}, {152, 152, 8}, {5000, 5000, 0}},
        {{"-t", "0"}, {104, 104, 8}, {0, 0, 0}},
        {{"--threshold", "254"}, {104, 104, 8}, {5000, 5000, 64}},
        {{"-t253"}, {104, 104, 8}, {5000, 5000, 0}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"download", "--output", Out()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), {a, b, grey});
        const CliResult run = RunCli(args);
        ASSERT_EQ(run.status, 0) << run.err;
        const DecodedStream stream = DecodeStream(Output());
        ASSERT_TRUE(stream.complete);
        ASSERT_EQ(stream.definitions.size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            const DotImage dots = stream.definitions[i].Dots();
            EXPECT_EQ(dots.width, c.widths[i]) << c.options.size() << " image " << i;
            size_t printed = 0;
            for (uint8_t dot : dots.dots)
                printed += dot;
            EXPECT_EQ(printed, c.dots[i]) << c.options.size() << " image " << i;
        }
    }
}

TEST_F(CliDownloadTest, StandardOutputAndAListOfWhatWasWritten)
{
    CliResult run = RunCli({"download", "-o", "-", Bmp("a.bmp", 8, 8)});
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.out, std::string("\x1C\x71\x01\x01\x00\x01\x00", 7) + std::string(8, '\xFF'));

    run = RunCli({"download", "-v", "-o", Out(), Bmp("a.bmp", 100, 50)});
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "NV image 1: 104 x 56 dots, 728 bytes, " + dir.File("a.bmp") + "\n");
}

// A refused file is named with the program's message, the status is 1 and an existing
// OUT keeps its content.
TEST_F(CliDownloadTest, RefusedFilesLeaveTheOutputAlone)
{
    dir.Write("junk.bmp", "BM, but nothing of a bitmap follows");
    WriteFile(dir.File("deep.bmp"), [] {
        BmpParams params;
        params.bitsPerPixel = 64;
        return MakeBmp(params, [](int, int) { return 0u; });
    }());
    const std::string big = Bmp("big.bmp", 512, 2304, 1);
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{dir.File("missing.bmp")},
         dir.File("missing.bmp") + ": Bitmap files that was defined with Log file is incorrect."},
        {{Bmp("ok.bmp", 8, 8), dir.File("junk.bmp")},
         dir.File("junk.bmp") + ": Bitmap files that was defined with Log file is incorrect."},
        {{dir.File("deep.bmp")}, dir.File("deep.bmp") + ": It is not support bitmap format!"},
        {{big, big, big}, big + ": NV-bitimage area too small"},
        {{"-c", "1", Bmp("tall.bmp", 8, 4480, 1)},
         "too large for one NV bit image:\n" + dir.File("tall.bmp")},
        {{Bmp("huge.bmp", 600, 2304, 1)}, "It needs 172800 bytes of raster data"},
    };
    for (const Case& c : cases) {
        dir.Write("out.prn", "old");
        std::vector<std::string> args = {"download", "-o", Out()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult run = RunCli(args);
        EXPECT_EQ(run.status, 1) << c.message;
        EXPECT_THAT(run.err, HasSubstr("nivora-cli: "));
        EXPECT_THAT(run.err, HasSubstr(c.message));
        EXPECT_EQ(dir.Read("out.prn"), "old");
    }
    const CliResult run = RunCli({"download", "-o", dir.File("new.prn"), dir.File("missing.bmp")});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(cli_test::FileExists(dir.File("new.prn")));
}

TEST_F(CliDownloadTest, TheTwoHundredFiftySixthFileIsRefused)
{
    std::vector<std::string> args = {"download", "-o", Out()};
    for (int i = 0; i < 256; ++i)
        args.push_back(Bmp("f" + std::to_string(i) + ".bmp", 1, 1));
    CliResult run = RunCli(args);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "nivora-cli: " + dir.File("f255.bmp") + ": Don't Read files any more!\n");
    EXPECT_FALSE(cli_test::FileExists(Out()));

    args.pop_back();
    run = RunCli(args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Output()[2], 0xFF);
    EXPECT_EQ(Output().size(), 3u + 255 * 12);
}

TEST_F(CliDownloadTest, WrongUsageExitsWithTwo)
{
    const std::string a = Bmp("a.bmp", 8, 8);
    const std::vector<std::vector<std::string>> cases = {
        {a},
        {"-o"},
        {"-o", Out(), "-t", "256", a},
        {"-o", Out(), "-t", "-1", a},
        {"-o", Out(), "-t", "12x", a},
        {"-o", Out(), "-w", "0", a},
        {"-o", Out(), "-w", "513", a},
        {"-o", Out(), "-c", "2", a},
        {"-o", Out(), "-c", "1,,1", a},
        {"-o", Out(), "-c", "1"},
        {"-o", Out(), "--frobnicate", a},
        {"-o", Out(), "-v=1", a},
    };
    for (const auto& options : cases) {
        std::vector<std::string> args = {"download"};
        args.insert(args.end(), options.begin(), options.end());
        const CliResult run = RunCli(args);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(options);
        EXPECT_THAT(run.err, HasSubstr("Try 'nivora-cli download --help'."));
        EXPECT_FALSE(cli_test::FileExists(Out()));
    }
}

TEST_F(CliDownloadTest, AnOutputThatCannotBeWrittenFails)
{
    const CliResult run = RunCli({"download", "-o", dir.File("no/such/dir/out.prn"), Bmp("a.bmp", 8, 8)});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr(dir.File("no/such/dir/out.prn")));
}

TEST_F(CliDownloadTest, HelpDocumentsEveryOption)
{
    const CliResult run = RunCli({"download", "--help"});
    EXPECT_EQ(run.status, 0);
    for (const char* option : {"-o, --output", "-t, --threshold", "-w, --max-width", "-c, --center",
                               "-v, --verbose", "Exit status"})
        EXPECT_THAT(run.out, HasSubstr(option));
    EXPECT_THAT(RunCli({"--help"}).out, HasSubstr("download"));
}

} // namespace
