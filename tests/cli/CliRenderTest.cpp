#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/CliRunner.h"
#include "tests/support/PngRead.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using cli_test::CliResult;
using cli_test::RunCli;
using ::testing::HasSubstr;

namespace {

using Size = std::pair<int, int>;  // width, height
using Point = std::pair<int, int>; // x, y

// The dark pixels of a grey picture, and its size.
std::pair<Size, std::vector<Point>> Dark(const std::string& path)
{
    const DecodedPng image = ReadPng(path);
    std::vector<Point> dark;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.samples[static_cast<size_t>(y * image.width + x)] < 128)
                dark.emplace_back(x, y);
    return {{image.width, image.height}, dark};
}

// An 8 x 8 image with one dot and an empty one, a text line, prints normal and
// quadruple, a print of an image that is not stored, and bytes the printer ignores.
TEST(CliRenderTest, EveryCommandIsListedAndImagesBecomePictures)
{
    TempDir dir;
    dir.Write("p.prn",
              std::string("\x1D\x49\x01\x1B\x40\x1C\x71\x02\x01\x00\x01\x00", 12) +
                  std::string("\x00\x00\x04\x00\x00\x00\x00\x00\x00\x00\x00\x00", 12) + "--- Logo 1 ---\n" +
                  std::string("\x1C\x70\x01\x00\x1C\x70\x01\x03\x1C\x70\x03\x00\x00\x00\x00\x00", 16));
    const CliResult run =
        RunCli({"render", dir.File("p.prn"), "--dir", dir.File("out") + "/"}); // one slash in the names
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "       0  GS I 1       printer ID request\n"
                       "       3  ESC @        initialise\n"
                       "       5  FS q 2       define 2 NV bit images\n"
                       "       8    NV image 1: 8 x 8 dots, 8 bytes -> " +
                           dir.File("out/nv-001.png") +
                           "\n"
                           "      20    NV image 2: 0 x 0 dots, 0 bytes (empty definition)\n"
                           "      24  text         \"--- Logo 1 ---\"\n"
                           "      39  FS p 1 0     print NV image 1, normal -> " +
                           dir.File("out/print-001.png") +
                           "\n"
                           "      43  FS p 1 3     print NV image 1, quadruple -> " +
                           dir.File("out/print-002.png") +
                           "\n"
                           "      47  FS p 3 0     print NV image 3, normal (no such image stored)\n"
                           "      51  00 x 4       ignored\n");
    const std::pair<Size, std::vector<Point>> one = {{8, 8}, {{2, 5}}};
    EXPECT_EQ(Dark(dir.File("out/nv-001.png")), one);
    EXPECT_EQ(Dark(dir.File("out/print-001.png")), one);
    EXPECT_EQ(Dark(dir.File("out/print-002.png")),
              (std::pair{Size(16, 16), std::vector{Point(4, 10), Point(5, 10), Point(4, 11), Point(5, 11)}}));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out/nv-002.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out/print-003.png")));
}

// Read from standard input, a stream whose second image record is cut short: the
// first is still rendered.
TEST(CliRenderTest, MalformedStreamsAreReportedWithTheOffset)
{
    TempDir dir;
    const CliResult run = RunCli({"render", "-", "-d", dir.File("out")},
                                 std::string("\x1C\x71\x02\x01\x00\x01\x00", 7) + std::string(8, '\xFF') +
                                     std::string("\x01\x00\x01\x00\xFF\xFF", 6));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "nivora-cli render: standard input: malformed stream at byte 15 of 21: FS q image 2 of 2: 8 "
              "data bytes announced, 2 left in the stream\n");
    EXPECT_EQ(Dark(dir.File("out/nv-001.png")).second.size(), 64u);
}

// A picture that cannot be written is reported, the listing and the other pictures go
// on, and the exit status says that something is missing.
TEST(CliRenderTest, APictureThatCannotBeWrittenIsReported)
{
    TempDir dir;
    std::filesystem::create_directories(dir.File("out/nv-001.png"));
    dir.Write("p.prn", std::string("\x1C\x71\x01\x01\x00\x01\x00", 7) + std::string(8, '\x01') +
                           std::string("\x1C\x70\x01\x00", 4));
    const CliResult run = RunCli({"render", dir.File("p.prn"), "-d", dir.File("out")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "nivora-cli render: " + dir.File("out/nv-001.png") + ": cannot write the picture\n");
    EXPECT_THAT(run.out, HasSubstr("NV image 1: 8 x 8 dots, 8 bytes\n"));
    EXPECT_EQ(Dark(dir.File("out/print-001.png")).second.size(), 8u);
}

TEST(CliRenderTest, WrongUsageAndMissingInput)
{
    TempDir dir;
    dir.Write("s.prn", "");
    dir.Write("file", "x");
    const std::string empty = dir.File("s.prn"), out = dir.File("out");
    const std::pair<std::vector<std::string>, int> cases[] = {{{empty}, 2},
                                                              {{"-d", out}, 2},
                                                              {{"a", "b", "-d", out}, 2},
                                                              {{dir.File("none.prn"), "-d", out}, 1},
                                                              {{empty, "-d", dir.File("file/sub")}, 1}};
    for (const auto& [args, status] : cases) {
        std::vector<std::string> all = {"render"};
        all.insert(all.end(), args.begin(), args.end());
        EXPECT_EQ(RunCli(all).status, status) << ::testing::PrintToString(args);
    }
    EXPECT_THAT(RunCli({"render", dir.File("none.prn"), "-d", out}).err,
                HasSubstr(dir.File("none.prn") + ": No such file or directory"));
}

} // namespace
