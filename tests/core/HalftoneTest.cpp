// The colours of a pixel and the halftone modes, on pixels and pictures worked out by
// hand, and error diffusion against a second, plainer implementation.
#include "download/Halftone.h"

#include <gtest/gtest.h>

#include <tuple>

#include "logo/ImageDecoders.h"
#include "logo/ImageFile.h"
#include "tests/support/BmpWriter.h"

using namespace testing_support;

namespace {

// One pixel of the colour.
DecodedImage Pixel(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255)
{
    return DecodedImage{1, 1, PixelLayout::Rgba, {r, g, b, a}};
}

std::vector<uint8_t> Rgba(const DecodedImage& image, int x, int y)
{
    return {image.At(x, y), image.At(x, y) + 4};
}

DecodedImage FromBmp(const BmpParams& params, const PixelFn& pixel)
{
    const std::vector<uint8_t> file = MakeBmp(params, pixel);
    DecodedImage image;
    std::string why;
    EXPECT_TRUE(DecodeImageBytes(file.data(), file.size(), image, why)) << why;
    return image;
}

TEST(PixelColours, HandWorkedPixels)
{
    // An image editor's 8-bit file: white at index 39 is white, whatever its index.
    BmpParams p8{2, 1, 8};
    p8.palette.assign(256, 0x000000);
    p8.palette[39] = 0xFFFFFF;
    const DecodedImage c8 = FromBmp(p8, [](int x, int) { return x == 0 ? 39u : 38u; });
    EXPECT_EQ(Rgba(c8, 0, 0), (std::vector<uint8_t>{255, 255, 255, 255}));
    EXPECT_EQ(Halftone(c8, HalftoneMode::Colour, 128).dots, (std::vector<uint8_t>{0, 1}));

    // A short colour table: an index past its end is black.
    const BmpParams p4{.width = 1, .height = 1, .bitsPerPixel = 4, .palette = {0xFFFFFF, 0xFFFFFF}};
    EXPECT_EQ(Rgba(FromBmp(p4, [](int, int) { return 9u; }), 0, 0), (std::vector<uint8_t>{0, 0, 0, 255}));

    // Black at alpha 128 over white: (255 * 127 + 127) / 255 = 127 per channel, and the
    // single-precision grey of (127, 127, 127) is 126. Colours whose exact value on white
    // ends in .5 or just below it round as the rule says: 128.0, 254.99, 255.0.
    EXPECT_EQ(OnWhite(0, 128), 127);
    EXPECT_EQ(OnWhite(1, 128), 128);
    EXPECT_EQ(OnWhite(127, 1), 254);
    EXPECT_EQ(OnWhite(128, 1), 255);
    EXPECT_EQ(GreyOnPaper(Pixel(0, 0, 0, 128))[0], 126);
    EXPECT_EQ(GreyOnPaper(Pixel(200, 10, 90, 0))[0], 255); // fully transparent: paper
    EXPECT_EQ(GreyOnPaper(Pixel(255, 0, 0))[0], 76);       // red weighs 0.299, blue 0.114
    EXPECT_EQ(GreyOnPaper(Pixel(0, 0, 255))[0], 28);
    // The exact grey of colour and the dithers: 77/256 of red, 29/256 of blue, rounded.
    EXPECT_EQ(GreyOnPaper(Pixel(255, 0, 0), GreyRule::Exact)[0], 77);
    EXPECT_EQ(GreyOnPaper(Pixel(0, 0, 255), GreyRule::Exact)[0], 29);
    DecodedImage ga{1, 1, PixelLayout::GreyAlpha, {0, 128}};
    EXPECT_EQ(GreyOnPaper(ga)[0], 126);
}

TEST(PixelColours, AlphaMaskOfALargeHeader)
{
    BmpParams p{2, 1, 32};
    p.header = BmpHeader::V5;
    p.compression = kBiBitfields;
    p.masks[0] = 0x00FF0000, p.masks[1] = 0x0000FF00, p.masks[2] = 0x000000FF;
    std::vector<uint8_t> file = MakeBmp(p, [](int x, int) { return x == 0 ? 0x80000000u : 0xFF000000u; });
    std::vector<uint8_t> noAlpha = file;
    Poke(file, 14 + 52, 0xFF000000u); // the alpha mask in the V5 header
    Poke(noAlpha, 14 + 52, 0);
    DecodedImage image;
    std::string why;
    ASSERT_TRUE(DecodeImageBytes(file.data(), file.size(), image, why)) << why;
    EXPECT_EQ(Rgba(image, 0, 0), (std::vector<uint8_t>{0, 0, 0, 128}));
    EXPECT_EQ(Rgba(image, 1, 0), (std::vector<uint8_t>{0, 0, 0, 255}));
    ASSERT_TRUE(DecodeImageBytes(noAlpha.data(), noAlpha.size(), image, why)) << why;
    EXPECT_EQ(Rgba(image, 0, 0), (std::vector<uint8_t>{0, 0, 0, 255}));
}

struct Worked {
    const char* name;
    HalftoneMode mode;
    int width, height;
    uint8_t grey;
    int threshold;
    std::vector<uint8_t> dots;
};

// Worked through by hand with the integer rules (shares truncated toward zero).
const Worked kWorked[] = {
    {"fs_4x2_grey100", HalftoneMode::FloydSteinberg, 4, 2, 100, 128, {1, 0, 1, 1, 1, 0, 1, 0}},
    {"atkinson_4x2_grey100", HalftoneMode::Atkinson, 4, 2, 100, 128, {1, 1, 1, 0, 1, 0, 1, 1}},
    {"colour_4x2_grey100", HalftoneMode::Colour, 4, 2, 100, 128, std::vector<uint8_t>(8, 1)},
    {"colour_at_its_own_grey", HalftoneMode::Colour, 2, 1, 100, 100, {0, 0}},
    {"classic_is_colour_here", HalftoneMode::Classic, 2, 1, 100, 101, {1, 1}},
    // 50% grey in one row: 128 misses, its error -127 gives -55 to the next: 73 prints,
    // +31: 159 misses, -42: 86 prints, +37: 165 misses, -39: 89 prints.
    {"fs_row_of_mid_grey", HalftoneMode::FloydSteinberg, 6, 1, 128, 128, {0, 1, 0, 1, 0, 1}},
    {"fs_white_never_prints", HalftoneMode::FloydSteinberg, 3, 3, 255, 255, std::vector<uint8_t>(9, 0)},
};

class WorkedPictures : public ::testing::TestWithParam<Worked> {};

TEST_P(WorkedPictures, GiveTheHandWorkedDots)
{
    const Worked& w = GetParam();
    const std::vector<uint8_t> grey(static_cast<size_t>(w.width * w.height), w.grey);
    const DotMatrix m = HalftoneGrey(w.width, w.height, grey, w.mode, w.threshold);
    EXPECT_EQ(m.width, w.width);
    EXPECT_EQ(m.height, w.height);
    EXPECT_EQ(m.dots, w.dots);
}

INSTANTIATE_TEST_SUITE_P(Halftones, WorkedPictures, ::testing::ValuesIn(kWorked),
                         [](const auto& param) { return std::string(param.param.name); });

// The rules again, written as plainly as possible: one int of carried error per pixel
// of the whole picture, every share checked against the picture's edges.
std::vector<uint8_t> PlainDiffusion(int width, int height, const std::vector<uint8_t>& grey, int threshold,
                                    bool atkinson)
{
    std::vector<int> carried(grey.size(), 0);
    std::vector<uint8_t> dots(grey.size(), 0);
    auto add = [&](int x, int y, int amount) {
        if (x >= 0 && x < width && y >= 0 && y < height)
            carried[static_cast<size_t>(y * width + x)] += amount;
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y * width + x);
            const int v = grey[i] + carried[i];
            dots[i] = v < threshold;
            const int e = v - (dots[i] ? 0 : 255);
            if (atkinson) {
                for (const auto& [dx, dy] : {std::pair{1, 0}, {2, 0}, {-1, 1}, {0, 1}, {1, 1}, {0, 2}})
                    add(x + dx, y + dy, e / 8);
            } else {
                add(x + 1, y, e * 7 / 16);
                add(x - 1, y + 1, e * 3 / 16);
                add(x, y + 1, e * 5 / 16);
                add(x + 1, y + 1, e * 1 / 16);
            }
        }
    return dots;
}

TEST(Halftones, LargerPictureMatchesAPlainImplementation)
{
    const int width = 97, height = 61; // odd sizes: the edges matter
    std::vector<uint8_t> grey(static_cast<size_t>(width * height));
    uint32_t state = 12345;
    for (size_t i = 0; i < grey.size(); ++i) {
        state = state * 1103515245u + 12345u;
        // A gradient with noise, so that errors of both signs run long distances.
        grey[i] = static_cast<uint8_t>(std::min<uint32_t>(255, (i % width) * 255 / width + (state >> 27)));
    }
    for (const int threshold : {1, 100, 128, 200, 255}) {
        EXPECT_EQ(HalftoneGrey(width, height, grey, HalftoneMode::FloydSteinberg, threshold).dots,
                  PlainDiffusion(width, height, grey, threshold, false))
            << "Floyd-Steinberg at " << threshold;
        EXPECT_EQ(HalftoneGrey(width, height, grey, HalftoneMode::Atkinson, threshold).dots,
                  PlainDiffusion(width, height, grey, threshold, true))
            << "Atkinson at " << threshold;
    }
}

// The command line's and the profile's names of the modes, and the window's.
TEST(Halftones, NamesOfTheModes)
{
    const std::tuple<const char*, const char*, HalftoneMode> names[] = {
        {"classic", "Classic", HalftoneMode::Classic},
        {"colour", "Colour", HalftoneMode::Colour},
        {"floyd-steinberg", "Floyd-Steinberg", HalftoneMode::FloydSteinberg},
        {"atkinson", "Atkinson", HalftoneMode::Atkinson}};
    for (const auto& [option, label, mode] : names) {
        HalftoneMode parsed = mode == HalftoneMode::Classic ? HalftoneMode::Atkinson : HalftoneMode::Classic;
        ASSERT_TRUE(ParseHalftoneOption(option, parsed)) << option;
        EXPECT_EQ(parsed, mode);
        EXPECT_STREQ(HalftoneOptionName(mode), option);
        EXPECT_STREQ(HalftoneLabel(mode), label);
    }
    HalftoneMode mode = HalftoneMode::Classic;
    EXPECT_FALSE(ParseHalftoneOption("Colour", mode)); // lower case only
    EXPECT_FALSE(ParseHalftoneOption("color", mode));
}

} // namespace
