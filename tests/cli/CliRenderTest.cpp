#include <QImage>
#include <QString>

#include <gmock/gmock.h>
#include <gtest/gtest.h>


#include "tests/cli/CliRunner.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using cli_test::CliResult;
using cli_test::RunCli;
using ::testing::HasSubstr;

namespace {

// A picture as rows of '#' (dot) and '.' (no dot).
using Dots = std::vector<std::string>;

Dots ReadPng(const std::string& path)
{
    const QImage image(QString::fromStdString(path));
    Dots dots;
    for (int y = 0; y < image.height(); ++y) {
        std::string row;
        for (int x = 0; x < image.width(); ++x)
            row += qGray(image.pixel(x, y)) < 128 ? '#' : '.';
        dots.push_back(row);
    }
    return dots;
}

class CliRenderTest : public ::testing::Test {
protected:
    std::string Stream(const std::string& name, const std::string& bytes)
    {
        dir.Write(name, bytes);
        return dir.File(name);
    }
    std::string Out(const std::string& name) const { return dir.File("out/" + name); }

    TempDir dir;
};

TEST_F(CliRenderTest, PrintsAreScaledByTheirMode)
{
    const std::string stream =
        std::string("\x1D\x49\x01\x1B\x40\x1C\x71\x01\x01\x00\x01\x00", 12) +
        std::string("\x00\x00\x04\x00\x00\x00\x00\x00", 8) + "--- Logo 1 ---\n" +
        std::string("\x1C\x70\x01\x00\x1C\x70\x01\x01\x1C\x70\x01\x02\x1C\x70\x01\x03", 16) +
        std::string("\x1C\x70\x02\x00", 4);
    const CliResult run = RunCli({"render", Stream("p.prn", stream), "--dir", dir.File("out")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "       0  GS I 1       printer ID request\n"
                       "       3  ESC @        initialise\n"
                       "       5  FS q 1       define 1 NV bit image\n"
                       "       8    NV image 1: 8 x 8 dots, 8 bytes -> " +
                           Out("nv-001.png") +
                           "\n"
                           "      20  text         \"--- Logo 1 ---\"\n"
                           "      35  FS p 1 0     print NV image 1, normal -> " +
                           Out("print-001.png") +
                           "\n"
                           "      39  FS p 1 1     print NV image 1, double width -> " +
                           Out("print-002.png") +
                           "\n"
                           "      43  FS p 1 2     print NV image 1, double height -> " +
                           Out("print-003.png") +
                           "\n"
                           "      47  FS p 1 3     print NV image 1, quadruple -> " +
                           Out("print-004.png") +
                           "\n"
                           "      51  FS p 2 0     print NV image 2, normal (no such image stored)\n");
    const Dots one = {"........", "........", "........", "........",
                      "........", "..#.....", "........", "........"};
    EXPECT_EQ(ReadPng(Out("nv-001.png")), one);
    EXPECT_EQ(ReadPng(Out("print-001.png")), one);
    const Dots wide = ReadPng(Out("print-002.png")), high = ReadPng(Out("print-003.png")),
               quad = ReadPng(Out("print-004.png"));
    ASSERT_EQ(wide.size(), 8u);
    EXPECT_EQ(wide[5], "....##..........");
    ASSERT_EQ(high.size(), 16u);
    EXPECT_EQ(high[10], "..#.....");
    EXPECT_EQ(high[11], "..#.....");
    ASSERT_EQ(quad.size(), 16u);
    EXPECT_EQ(quad[11], "....##..........");
    EXPECT_FALSE(cli_test::FileExists(Out("print-005.png")));
}

TEST_F(CliRenderTest, MalformedStreamsAreReportedWithTheOffset)
{
    // The second image record is cut short: the first is still rendered.
    const std::string cut = std::string("\x1C\x71\x02\x01\x00\x01\x00", 7) + std::string(8, '\xFF') +
                            std::string("\x01\x00\x01\x00\xFF\xFF", 6);
    CliResult run = RunCli({"render", Stream("cut.prn", cut), "-d", dir.File("out")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "nivora-cli render: " + dir.File("cut.prn") +
                  ": malformed stream at byte 15 of 21: FS q image 2 of 2: 8 data bytes announced, 2 left in "
                  "the stream\n");
    EXPECT_TRUE(cli_test::FileExists(Out("nv-001.png")));

    run = RunCli({"render", "-", "-d", dir.File("out2")}, std::string("\x1B\x40\x1B\x74\x10", 5));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "nivora-cli render: standard input: malformed stream at byte 2 of 5: unsupported command 1B 74 "
              "10\n");
    EXPECT_EQ(run.out, "       0  ESC @        initialise\n");
}

TEST_F(CliRenderTest, StandardInputEmptyDefinitionsAndIgnoredBytes)
{
    const CliResult run =
        RunCli({"render", "-", "-d", dir.File("out")},
               std::string("\x1C\x71\x02\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00", 15));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "       0  FS q 2       define 2 NV bit images\n"
                       "       3    NV image 1: 0 x 0 dots, 0 bytes (empty definition)\n"
                       "       7    NV image 2: 0 x 0 dots, 0 bytes (empty definition)\n"
                       "      11  00 x 4       ignored\n");
    EXPECT_FALSE(cli_test::FileExists(Out("nv-001.png")));
}

TEST_F(CliRenderTest, WrongUsageAndMissingInput)
{
    EXPECT_EQ(RunCli({"render", Stream("s.prn", "")}).status, 2);
    EXPECT_EQ(RunCli({"render", "-d", dir.File("out")}).status, 2);
    EXPECT_EQ(RunCli({"render", "a", "b", "-d", dir.File("out")}).status, 2);
    EXPECT_EQ(RunCli({"render", "--colour", Stream("s.prn", ""), "-d", dir.File("out")}).status, 2);
    const CliResult missing = RunCli({"render", dir.File("none.prn"), "-d", dir.File("out")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_THAT(missing.err, HasSubstr(dir.File("none.prn") + ": No such file or directory"));
    const CliResult folder = RunCli({"render", dir.Path(), "-d", dir.File("out")});
    EXPECT_EQ(folder.status, 1);
    dir.Write("file", "x");
    EXPECT_EQ(RunCli({"render", Stream("s.prn", ""), "-d", dir.File("file/sub")}).status, 1);
    EXPECT_THAT(RunCli({"render", "--help"}).out, HasSubstr("-d, --dir DIR"));
}

} // namespace
