// nivora-cli download: the built program writing files, and the port runs in this
// process against a virtual printer with the virtual clock (the real program would
// pause 3.5 s).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "download/StreamDecoder.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using cli_test::CliResult;
using cli_test::RunCli;
using ::testing::HasSubstr;
using Bytes = std::vector<uint8_t>;

namespace {

class CliDownloadTest : public ::testing::Test {
protected:
    std::string Bmp(const std::string& name, int width, int height, uint32_t rgb = 0)
    {
        return WriteSolidBmp(dir.File(name), width, height, rgb);
    }
    Bytes Output() const
    {
        const std::string text = dir.Read("out.prn");
        return Bytes(text.begin(), text.end());
    }
    std::string Out() const { return dir.File("out.prn"); }

    TempDir dir;
};

TEST_F(CliDownloadTest, WritesTheStreamToAFileOrStandardOutput)
{
    CliResult run = RunCli({"download", "-o", "-", Bmp("a.bmp", 8, 8)});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, std::string("\x1C\x71\x01\x01\x00\x01\x00", 7) + std::string(8, '\xFF'));
    EXPECT_EQ(run.err, "");

    run = RunCli({"download", "-o", Out()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Output(), Bytes({0x1C, 0x71, 0x01, 0x00, 0x00, 0x00, 0x00}));

    const std::string logo = dir.File("a.bmp");
    run = RunCli({"download", "-o", Out(), "-v", logo});
    EXPECT_EQ(run.out, "NV image 1: 8 x 8 dots, 8 bytes, " + logo + "\n");
}

// A black 100 x 50 logo and an 8 x 8 one of grey 253.
TEST_F(CliDownloadTest, ThresholdWidthAndCentringOptions)
{
    const std::string black = Bmp("a.bmp", 100, 50), grey = Bmp("g.bmp", 8, 8, 0xFEFEFE);
    struct Case {
        std::vector<std::string> options;
        std::vector<int> widths; // of the two images, in dots
        long dots;               // printed by both
    };
    const Case cases[] = {
        {{"-c", "2"}, {104, 264}, 5000},
        {{"--center=1,2", "-w", "511"}, {312, 264}, 5000},
        {{"-c", "1", "--max-width", "200"}, {152, 8}, 5000},
        {{"--threshold", "254"}, {104, 8}, 5064},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.options));
        std::vector<std::string> args = {"download", "--output", Out()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), {black, grey});
        const CliResult run = RunCli(args);
        ASSERT_EQ(run.status, 0) << run.err;
        const DecodedStream stream = DecodeStream(Output());
        ASSERT_EQ(stream.definitions.size(), 2u);
        long dots = 0;
        for (size_t i = 0; i < 2; ++i) {
            const DotImage image = stream.definitions[i].Dots();
            EXPECT_EQ(image.width, c.widths[i]) << "image " << i;
            dots += std::count(image.dots.begin(), image.dots.end(), 1);
        }
        EXPECT_EQ(dots, c.dots);
    }
}

// A refused file is named with the reason, the status is 1 and an existing OUT keeps its
// content; a new OUT is not created.
TEST_F(CliDownloadTest, RefusalsLeaveTheOutputAlone)
{
    dir.Write("junk.bmp", "BM, but nothing of a bitmap follows");
    dir.Write("out.prn", "old");
    const std::string a = Bmp("a.bmp", 8, 8), junk = dir.File("junk.bmp"), tall = Bmp("tall.bmp", 8, 4480),
                      missing = dir.File("missing.bmp"), unwritable = dir.File("no/such/dir/out.prn");
    const std::tuple<std::string, std::vector<std::string>, std::string> cases[] = {
        // OUT, files, said
        {Out(), {a, junk}, "nivora-cli: " + junk + ": unsupported or damaged BMP file"},
        {Out(), {"-c", "1", tall}, "too large for one NV bit image:\n" + tall},
        {dir.File("new.prn"), {missing}, missing},
        {unwritable, {a}, unwritable},
    };
    for (const auto& [out, files, said] : cases) {
        std::vector<std::string> args = {"download", "-o", out};
        args.insert(args.end(), files.begin(), files.end());
        const CliResult run = RunCli(args);
        EXPECT_EQ(run.status, 1) << said;
        EXPECT_THAT(run.err, HasSubstr(said));
    }
    EXPECT_EQ(dir.Read("out.prn"), "old");
    EXPECT_FALSE(std::filesystem::exists(dir.File("new.prn")));
    EXPECT_FALSE(std::filesystem::exists(unwritable));
}

TEST_F(CliDownloadTest, WrongUsageExitsWithTwo)
{
    const std::string a = Bmp("a.bmp", 8, 8);
    const std::vector<std::vector<std::string>> cases = {
        {a},
        {"-o"},
        {"-o", Out(), "-t", "256", a},
        {"-o", Out(), "-t", "12x", a},
        {"-o", Out(), "-w", "577", a},
        {"-o", Out(), "-c", "2", a},
        {"-o", Out(), "-c", "0", a},
        {"-o", Out(), "-c", "1,,1", a},
        {"-o", Out(), "-c", "1"},
        {"-o", Out(), "--frobnicate", a},
        {"-o", Out(), "-v=1", a},
        {"-p", "COM1", "-o", Out(), a},
        {"-p", "FILE", a},
        {"-o", Out(), "--baud", "9600", a},
        {"-p", "COM1", "--erase-all", a},
        {"-o", Out(), "--erase-all"},
    };
    for (const auto& options : cases) {
        std::vector<std::string> args = {"download"};
        args.insert(args.end(), options.begin(), options.end());
        const CliResult run = RunCli(args);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(options);
        EXPECT_THAT(run.err, HasSubstr("Try 'nivora-cli download --help'."));
        EXPECT_FALSE(std::filesystem::exists(Out()));
    }
    const CliResult help = RunCli({"download", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("-p, --port PORT"));
}

class CliDownloadPortTest : public CliDownloadTest {
protected:
    CliDownloadPortTest() { root.Link("ttyS0", printer.Path()); }

    // download ARGS as the program runs it.
    CliResult Download(std::vector<std::string> args) { return cli.Run("download", args); }

    FakePlatform fake;
    cli_test::InProcess cli;
    FakeDeviceRoot root{cli.context};
    FakePrinter printer;
};

// What each port run sends, says and ends with: a logo on the serial printer (checked
// and reset first) and on the parallel port, the delete-all without files, ports that
// do not open or take nothing (/dev/full), and a file refused before any port is touched.
TEST_F(CliDownloadPortTest, PortRunsSendTheWindowsBytesAndMessages)
{
    root.Link("ttyS1", "/dev/full");
    const std::string parallel = root.AddFile("usb/lp0");
    const std::string a = Bmp("a.bmp", 8, 8);
    // The arguments, the status, part of the message, what the printer receives.
    const std::tuple<std::vector<std::string>, int, std::string, Bytes> cases[] = {
        {{"-p", "COM1", "--baud", "9600", a},
         0,
         "Complete the NV bit image definition.\nPlease wait some paper feed.\n",
         {0x1D, 0x49, 0x01, 0x1B, 0x40, 0x1C, 0x71, 0x01, 0x01, 0x00,
          0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {{"-p", printer.Path(), "--erase-all"},
         0,
         "",
         {0x1D, 0x49, 0x01, 0x1B, 0x40, 0x1C, 0x71, 0x01, 0, 0, 0, 0}},
        {{"-p", printer.Path()}, 2, "to delete every image stored in the printer, give --erase-all", {}},
        {{"-p", "COM7", a},
         1,
         "nivora-cli: COM7 (" + root.Device("ttyS6") + "): ERROR[2] - Open port or file.\n",
         {}},
        {{"-p", "COM2", a}, 1, "ERROR - Write to port.", {}},
        {{"-p", "LPT1", a}, 0, "", {}},
        {{"-p", "COM1", Bmp("tall.bmp", 8, 2312)}, 1, "8 x 2312 dots", {}},
    };
    for (const auto& [args, status, message, bytes] : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        printer.Clear();
        const CliResult run = Download(args);
        EXPECT_EQ(run.status, status);
        EXPECT_THAT(run.err, HasSubstr(message));
        printer.WaitForBytes(bytes.size());
        EXPECT_EQ(printer.Bytes(), bytes);
    }
    std::ifstream in(parallel, std::ios::binary); // checked, but no ESC @
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), {}),
              Bytes({0x1D, 0x49, 0x01, 0x1C, 0x71, 0x01, 0x01, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                     0xFF, 0xFF, 0xFF}));
}

} // namespace
