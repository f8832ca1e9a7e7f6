// Which BMP files Classic would print badly, and what the user is told about them.
#include <gtest/gtest.h>

#include "download/ClassicHint.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/ImageWriters.h"
#include "tests/support/TempDir.h"

namespace {

using namespace testing_support;

TEST(ClassicHintTest, ColourPalettesAlphaAndBlackBlocksAreToldPlainLogosAreNot)
{
    TempDir dir;
    // An image editor's 8-bit picture: a colour palette, white at index 3.
    const BmpParams eight{.bitsPerPixel = 8, .palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}};
    WriteFile(dir.File("editor.bmp"), MakeBmp(eight, [](int x, int) { return x < 4 ? 3u : 0u; }));
    EXPECT_EQ(JudgeClassicBmp(dir.File("editor.bmp"), 128).trouble, ClassicTrouble::ColourPalette);

    // 32 bits with an alpha mask: a transparent ground whose hidden colour is black.
    const BmpParams alpha{.bitsPerPixel = 32,
                          .header = BmpHeader::V4,
                          .compression = kBiBitfields,
                          .masks = {0xFF0000, 0xFF00, 0xFF}};
    std::vector<uint8_t> file = MakeBmp(alpha, [](int x, int) { return x == 0 ? 0xFF000000u : 0u; });
    Poke(file, 14 + 52, 0xFF000000u); // the alpha mask in the V4 header
    WriteFile(dir.File("alpha.bmp"), file);
    EXPECT_EQ(JudgeClassicBmp(dir.File("alpha.bmp"), 128).trouble, ClassicTrouble::Transparent);

    // A plain monochrome logo, and a grey picture, are fine; one that prints nearly all
    // black is told with its share, which follows the threshold.
    const BmpParams mono{.bitsPerPixel = 1, .palette = {0x000000, 0xFFFFFF}};
    WriteFile(dir.File("mono.bmp"), MakeBmp(mono, [](int x, int y) { return x == y ? 0u : 1u; }));
    EXPECT_EQ(JudgeClassicBmp(dir.File("mono.bmp"), 128).trouble, ClassicTrouble::None);
    const BmpParams dark{.width = 10, .height = 10}; // 91 of 100 pixels grey 100, the rest white
    WriteFile(dir.File("dark.bmp"),
              MakeBmp(dark, [](int x, int y) { return y * 10 + x < 91 ? 0x646464u : 0xFFFFFFu; }));
    const ClassicVerdict verdict = JudgeClassicBmp(dir.File("dark.bmp"), 128);
    EXPECT_EQ(verdict.trouble, ClassicTrouble::MostlyBlack);
    EXPECT_EQ(verdict.blackPercent, 91);
    EXPECT_EQ(JudgeClassicBmp(dir.File("dark.bmp"), 100).trouble, ClassicTrouble::None);
    WriteFile(dir.File("ninety.bmp"),
              MakeBmp(dark, [](int x, int y) { return y * 10 + x < 90 ? 0x646464u : 0xFFFFFFu; }));
    EXPECT_EQ(JudgeClassicBmp(dir.File("ninety.bmp"), 128).trouble, ClassicTrouble::None);
    // Other kinds have no Classic rules of their own.
    EXPECT_EQ(JudgeClassicBmp(WriteShadedPng(dir.File("p.png"), 4, 4), 255).trouble, ClassicTrouble::None);

    EXPECT_EQ(
        ClassicHintText("dark.bmp", verdict),
        "dark.bmp would print 91 % black under Classic. Choose Colour or a dither under Halftone on the "
        "Setup page to print it as it looks.");
    EXPECT_EQ(ClassicHintText("mono.bmp", {}), "");
}

} // namespace
