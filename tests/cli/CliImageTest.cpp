// nivora-cli with PNG, JPEG and GIF logos: --halftone, the adjustments, and preview's
// picture against the virtual printer's.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "download/Halftone.h"
#include "download/StreamDecoder.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/ImageWriters.h"
#include "tests/support/PngRead.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using cli_test::CliResult;
using cli_test::RunCli;
using ::testing::HasSubstr;

namespace {

class CliImageTest : public ::testing::Test {
protected:
    // The one image written into out.prn (an empty one, failing the test, when there is
    // not exactly one).
    NvDefinition Written() const
    {
        const std::string text = dir.Read("out.prn");
        const DecodedStream stream = DecodeStream(std::vector<uint8_t>(text.begin(), text.end()));
        EXPECT_EQ(stream.definitions.size(), 1u);
        return stream.definitions.size() == 1 ? stream.definitions[0] : NvDefinition{};
    }

    TempDir dir;
    const std::string png = WriteShadedPng(dir.File("logo.png"), 45, 21);
    const std::string out = dir.File("out.prn");
};

TEST_F(CliImageTest, HalftoneNamesChooseTheModeAndABadNameIsAUsageError)
{
    std::vector<std::vector<uint8_t>> rasters;
    for (const HalftoneMode mode : kHalftoneModes) {
        const CliResult run = RunCli({"download", "-o", out, "--halftone", HalftoneOptionName(mode), png});
        ASSERT_EQ(run.status, 0) << run.err;
        rasters.push_back(Written().raster);
    }
    // A PNG has no historic rule: Classic thresholds it as Colour does, but with the
    // historic grey, which is a level darker than the exact one for some colours.
    EXPECT_EQ(std::set(rasters.begin(), rasters.end()).size(), rasters.size()) << "two names chose one mode";

    for (const std::string command : {"download", "preview"}) {
        const CliResult run = RunCli({command, "-o", out, "--halftone", "Floyd-Steinberg", png});
        EXPECT_EQ(run.status, 2);
        EXPECT_THAT(run.err, HasSubstr("--halftone takes one of classic, colour, floyd-steinberg, atkinson"));
    }
}

// preview -c -m double-height is what the virtual printer prints after the download
// with the same settings and adjustments and FS p n 2.
TEST_F(CliImageTest, PreviewWritesTheDotsThePrinterPrints)
{
    ASSERT_EQ(RunCli({"download", "-o", out, "-t", "150", "-w", "120", "-c", "1", "--halftone", "atkinson",
                      "--contrast", "-20", png})
                  .status,
              0);
    const DotImage printed = ScaleForPrint(Written().Dots(), 2);

    const std::string picture = dir.File("preview.png");
    const CliResult run = RunCli({"preview", "-t", "150", "-w", "120", "-c", "--halftone", "atkinson",
                                  "--contrast", "-20", "-m", "double-height", png, "-o", picture});
    ASSERT_EQ(run.status, 0) << run.err;
    const DecodedPng shown = ReadPng(picture);
    ASSERT_EQ(shown.width, printed.width);
    ASSERT_EQ(shown.height, printed.height);
    for (size_t i = 0; i < printed.dots.size(); ++i)
        ASSERT_EQ(shown.samples[i], printed.dots[i] ? 0 : 255) << "dot " << i;
}

// A logo wider than the paper is refused as it stands and stored at the paper's width
// once fitted.
TEST_F(CliImageTest, AFittedWideLogoIsStoredAtThePaperWidth)
{
    const std::string wide = WriteShadedPng(dir.File("wide.png"), 1200, 1200);
    const CliResult refused = RunCli({"download", "-o", out, "-w", "576", wide});
    EXPECT_EQ(refused.status, 1);
    EXPECT_THAT(refused.err, HasSubstr("1200 x 1200 is larger than the printer can store"));

    ASSERT_EQ(RunCli({"download", "-o", out, "--fit", "-w", "576", wide}).status, 0);
    const NvDefinition fitted = Written();
    EXPECT_EQ(std::pair(fitted.WidthDots(), fitted.HeightDots()), std::pair(576, 576));
}

// An L of four black pixels on white, trimmed, turned and inverted: two dots left in the
// first column. What each step does is the core's to test; here the options reach it.
TEST_F(CliImageTest, TrimTurnAndInvertReachTheDownload)
{
    BmpParams params;
    params.width = 10;
    params.height = 6;
    const std::string bmp = dir.File("l.bmp");
    WriteFile(bmp, MakeBmp(params, [](int x, int y) {
                  return (y == 1 && x >= 2 && x <= 4) || (y == 2 && x == 2) ? 0u : 0xFFFFFFu;
              }));
    ASSERT_EQ(RunCli({"download", "-o", out, bmp, "--trim", "--rotate", "90", "--invert"}).status, 0);
    EXPECT_EQ(Written().raster, (std::vector<uint8_t>{0x60, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(CliImageTest, PreviewUsageAndRefusals)
{
    const std::string picture = dir.File("p.png");
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        // arguments, status, said
        {{"preview", png}, 2, "the output picture is missing"},
        {{"preview", "-o", picture}, 2, "the image file is missing"},
        {{"preview", "-m", "triple", png, "-o", picture}, 2, "-m needs normal"},
        {{"preview", "-t", "256", png, "-o", picture}, 2, "threshold"},
        {{"preview", "-w", "577", png, "-o", picture}, 2, "from 1 to 576"},
        {{"preview", "--rotate", "45", png, "-o", picture}, 2, "--rotate takes 0, 90, 180 or 270, not '45'"},
        {{"preview", "--fit", "--scale", "50", png, "-o", picture}, 2, "either --fit or --scale"},
        {{"preview", dir.File("none.png"), "-o", picture}, 1, dir.File("none.png") + ": cannot be opened"},
        {{"preview", png, "-o", dir.File("no/dir/p.png")}, 1, dir.File("no/dir/p.png")},
    };
    for (const auto& [args, status, said] : cases) {
        const CliResult run = RunCli(args);
        EXPECT_EQ(run.status, status) << said;
        EXPECT_THAT(run.err, HasSubstr(said));
    }
}

} // namespace
