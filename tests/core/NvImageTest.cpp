#include "download/NvImage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "app/SharedRecord.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using ::testing::ElementsAreArray;

namespace {

// Greys worked out by hand from the single-precision rules (running sum rounded to
// float after each exact product), kept as plain numbers so that the code under test
// is checked against them and not against itself. Several of them differ by one from
// what float products or a double sum would give.
struct GreyCase {
    uint32_t rgb;
    int grey;
};
const GreyCase kGrey24[] = {
    {0xFEFEFE, 253}, {0x808080, 128}, {0xFFFFFF, 255}, {0x000000, 0},   {0x070707, 6},
    {0x0E0E0E, 13},  {0x0F0F0F, 15},  {0x171717, 22},  {0x1E1E1E, 30},  {0x373737, 55},
    {0x3F3F3F, 63},  {0x7F7F7F, 126}, {0xC7C7C7, 198}, {0xF5F5F5, 245}, {0xFDFDFD, 253},
    {0xFF0000, 76},  {0x00FF00, 150}, {0x0000FF, 28},  {0x0A141E, 18},  {0xC86432, 124},
};
// 16-bit words, read as 5-5-5 whatever the file's masks say.
const GreyCase kGrey16[] = {
    {0x7FFF, 248}, {0xFFFF, 248}, {0x0000, 0},   {0x0421, 8},   {0x1CE7, 56}, {0x39CE, 112},
    {0x4210, 128}, {0xC210, 128}, {0x56B5, 168}, {0x739C, 224}, {0x7C00, 74}, {0x03E0, 146},
    {0x001F, 27},  {0x1234, 107}, {0x5678, 161}, {0x2A55, 127},
};

class NvImageTest : public ::testing::Test {
protected:
    NvImageTest()
    {
        g_Shared.m_nThreshold = 128;
        g_Shared.m_nMaxPrintWidth = 512;
    }

    std::string Write(const BmpParams& params, const PixelFn& pixel, const std::string& name = "image.bmp")
    {
        WriteFile(dir.File(name), MakeBmp(params, pixel));
        return dir.File(name);
    }
    // Loads and converts as row 0 of the list.
    void Convert(const BmpParams& params, const PixelFn& pixel)
    {
        ASSERT_TRUE(image->LoadFile(Write(params, pixel)));
        image->BuildRaster(0);
    }
    // The dot at column x, row y as the printer reads the raster.
    int RasterDot(int x, int y) const
    {
        const int bytesPerColumn = image->m_nHeight / 8;
        return (image->m_raster[x * bytesPerColumn + y / 8] >> (7 - y % 8)) & 1;
    }
    std::vector<uint8_t> Raster() const { return {image->m_raster, image->m_raster + image->m_nLength}; }

    FakePlatform fake;
    TempDir dir;
    std::unique_ptr<CNvImage> image = std::make_unique<CNvImage>();
};

BmpParams Params(int width, int height, int bits)
{
    BmpParams params;
    params.width = width;
    params.height = height;
    params.bitsPerPixel = bits;
    return params;
}

TEST_F(NvImageTest, ASingleDotLandsInBitSevenMinusItsRow)
{
    Convert(Params(8, 8, 24), [](int x, int y) { return x == 2 && y == 5 ? 0u : 0xFFFFFFu; });
    EXPECT_EQ(image->m_nWidth, 8);
    EXPECT_EQ(image->m_nHeight, 8);
    EXPECT_THAT(Raster(), ElementsAreArray({0, 0, 0x04, 0, 0, 0, 0, 0}));
}

TEST_F(NvImageTest, SizesAreRoundedUpWithWhiteMargins)
{
    Convert(Params(100, 50, 24), [](int, int) { return 0u; });
    EXPECT_EQ(image->m_nWidth, 104);
    EXPECT_EQ(image->m_nHeight, 56);
    ASSERT_EQ(image->m_nLength, 728);
    for (int x = 0; x < 104; ++x)
        for (int y = 0; y < 56; ++y)
            ASSERT_EQ(RasterDot(x, y), x < 100 && y < 50) << x << "," << y;

    Convert(Params(1, 1, 24), [](int, int) { return 0u; });
    EXPECT_THAT(Raster(), ElementsAreArray({0x80, 0, 0, 0, 0, 0, 0, 0}));

    Convert(Params(16, 8, 24), [](int, int) { return 0u; });
    EXPECT_EQ(Raster(), std::vector<uint8_t>(16, 0xFF)); // multiples of 8 get no margin
}

// Each colour prints at the threshold one above its grey and not at its grey.
TEST_F(NvImageTest, GreyOf24And32BitPixelsInSinglePrecision)
{
    for (int bits : {24, 32}) {
        const int n = static_cast<int>(std::size(kGrey24));
        Convert(Params(n, 1, bits), [](int x, int) { return kGrey24[x].rgb; });
        for (int i = 0; i < n; ++i) {
            g_Shared.m_nThreshold = kGrey24[i].grey;
            EXPECT_EQ(image->GetDot(i, 0), 0) << bits << " bits, colour " << std::hex << kGrey24[i].rgb;
            g_Shared.m_nThreshold = kGrey24[i].grey + 1;
            EXPECT_EQ(image->GetDot(i, 0), 1) << bits << " bits, colour " << std::hex << kGrey24[i].rgb;
        }
    }
    EXPECT_EQ(GreyOf24(254, 254, 254), 253);
    EXPECT_EQ(GreyOf24(128, 128, 128), 128);
}

TEST_F(NvImageTest, GreyOf16BitPixelsIgnoresTheFileMasks)
{
    BmpParams params = Params(static_cast<int>(std::size(kGrey16)), 1, 16);
    for (bool fiveSixFive : {false, true}) {
        if (fiveSixFive) {
            params.compression = kBiBitfields;
            params.masks[0] = 0xF800, params.masks[1] = 0x07E0, params.masks[2] = 0x001F;
        }
        Convert(params, [](int x, int) { return kGrey16[x].rgb; });
        for (size_t i = 0; i < std::size(kGrey16); ++i) {
            const int x = static_cast<int>(i);
            g_Shared.m_nThreshold = kGrey16[i].grey;
            EXPECT_EQ(image->GetDot(x, 0), 0) << std::hex << kGrey16[i].rgb;
            g_Shared.m_nThreshold = kGrey16[i].grey + 1;
            EXPECT_EQ(image->GetDot(x, 0), 1) << std::hex << kGrey16[i].rgb;
        }
    }
}

TEST_F(NvImageTest, ThresholdEdges)
{
    // Black, the 253 grey, the 254 grey (which is 253 too) and white.
    const uint32_t colours[] = {0x000000, 0xFDFDFD, 0xFEFEFE, 0xFFFFFF};
    struct Case {
        int threshold;
        std::vector<int> dots;
    };
    const Case cases[] = {
        {0, {0, 0, 0, 0}}, {1, {1, 0, 0, 0}}, {253, {1, 0, 0, 0}}, {254, {1, 1, 1, 0}}, {255, {1, 1, 1, 0}},
    };
    for (const Case& c : cases) {
        g_Shared.m_nThreshold = c.threshold;
        Convert(Params(4, 1, 24), [&](int x, int) { return colours[x]; });
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(RasterDot(x, 0), c.dots[static_cast<size_t>(x)])
                << "threshold " << c.threshold << " x " << x;
    }
    // Any threshold above 248 prints every 16-bit pixel, white included.
    for (int threshold : {248, 249, 255}) {
        g_Shared.m_nThreshold = threshold;
        Convert(Params(1, 1, 16), [](int, int) { return 0x7FFFu; });
        EXPECT_EQ(RasterDot(0, 0), threshold > 248) << threshold;
    }
}

// 8-bit pixels are judged by index, whatever colour the palette gives them.
TEST_F(NvImageTest, EightBitIndexAgainstTheThreshold)
{
    BmpParams params = Params(256, 1, 8);
    for (int i = 0; i < 256; ++i)
        params.palette.push_back(i % 2 ? 0x000000u : 0xFFFFFFu);
    for (int threshold : {0, 1, 127, 128, 255}) {
        g_Shared.m_nThreshold = threshold;
        Convert(params, [](int x, int) { return static_cast<uint32_t>(x); });
        for (int index = 0; index < 256; ++index)
            ASSERT_EQ(RasterDot(index, 0), 255 - index >= threshold) << threshold << " " << index;
    }
}

TEST_F(NvImageTest, FourAndTwoBitIndexRulesIgnoreTheThreshold)
{
    for (int threshold : {0, 128, 255}) {
        g_Shared.m_nThreshold = threshold;
        Convert(Params(16, 1, 4), [](int x, int) { return static_cast<uint32_t>(x); });
        for (int index = 0; index < 16; ++index)
            EXPECT_EQ(RasterDot(index, 0), index <= 8) << threshold << " " << index;
        Convert(Params(4, 1, 2), [](int x, int) { return static_cast<uint32_t>(x); });
        for (int index = 0; index < 4; ++index)
            EXPECT_EQ(RasterDot(index, 0), index == 0) << threshold << " " << index;
    }
}

// The 1-bit rule reads file byte 54 (40 bytes after the file header) whatever stands
// there: the first colour's blue with a 40-byte header, a mask byte with a larger one,
// pixel data with a 12-byte one. A file too short to have it uses the first colour.
TEST_F(NvImageTest, OneBitRuleReadsTheByteFortyIntoTheHeaderBlock)
{
    struct Case {
        BmpHeader header;
        int width, height;
        std::vector<uint32_t> palette;
    };
    const Case cases[] = {
        {BmpHeader::Info, 8, 4, {0xFFFFFF, 0x000000}}, {BmpHeader::Info, 8, 4, {0x000000, 0xFFFFFF}},
        {BmpHeader::Info, 8, 4, {0x0000FE, 0xFFFF00}}, {BmpHeader::V4, 8, 4, {0xFFFFFF, 0x000000}},
        {BmpHeader::V5, 8, 4, {0x000000, 0xFFFFFF}},   {BmpHeader::Core, 16, 12, {0xFFFFFF, 0x000000}},
        {BmpHeader::Core, 3, 2, {0xFFFFFF, 0x000000}}, {BmpHeader::Core, 3, 2, {0x000000, 0xFFFFFF}},
    };
    const PixelFn pattern = [](int x, int y) { return static_cast<uint32_t>((x * 3 + y) % 5 < 2); };
    for (const Case& c : cases) {
        BmpParams params = Params(c.width, c.height, 1);
        params.header = c.header;
        params.palette = c.palette;
        const std::vector<uint8_t> file = MakeBmp(params, pattern);
        const int key = file.size() > 54 ? file[54] : static_cast<int>(c.palette[0] & 0xFF);
        WriteFile(dir.File("one.bmp"), file);
        ASSERT_TRUE(image->LoadFile(dir.File("one.bmp")));
        image->BuildRaster(0);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                EXPECT_EQ(RasterDot(x, y), static_cast<int>(pattern(x, y) == (key != 0 ? 1u : 0u)))
                    << "header " << static_cast<int>(c.header) << " size " << file.size() << " at " << x
                    << "," << y;
    }
}

TEST_F(NvImageTest, TheFourthByteOfA32BitPixelIsIgnored)
{
    BmpParams params = Params(5, 3, 32);
    const PixelFn pixel = [](int x, int y) { return (x + y) % 2 ? 0x202020u : 0xE0E0E0u; };
    std::vector<uint8_t> file = MakeBmp(params, pixel);
    for (size_t at = 54 + 3; at < file.size(); at += 4)
        file[at] = 0xFF;
    WriteFile(dir.File("alpha.bmp"), file);
    ASSERT_TRUE(image->LoadFile(dir.File("alpha.bmp")));
    image->BuildRaster(0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(RasterDot(x, y), (x + y) % 2) << x << "," << y;
}

// The converter walks rows band by band; GetDot answers one pixel from first
// principles. Both must agree on every dot, for every format and awkward sizes.
TEST_F(NvImageTest, RasterAgreesWithGetDotForEveryFormat)
{
    std::mt19937 random(7);
    const int sizes[][2] = {{1, 1}, {7, 9}, {13, 21}, {33, 17}, {64, 8}};
    for (int bits : {1, 2, 4, 8, 16, 24, 32})
        for (const auto& size : sizes) {
            BmpParams params = Params(size[0], size[1], bits);
            std::vector<uint32_t> pixels(static_cast<size_t>(size[0] * size[1]));
            for (uint32_t& p : pixels)
                p = bits <= 8 ? random() % (1u << bits) : random() % (bits == 16 ? 0x10000u : 0x1000000u);
            g_Shared.m_nThreshold = static_cast<int>(random() % 256);
            Convert(params, [&](int x, int y) { return pixels[static_cast<size_t>(y * size[0] + x)]; });
            for (int x = 0; x < image->m_nWidth; ++x)
                for (int y = 0; y < image->m_nHeight; ++y)
                    ASSERT_EQ(RasterDot(x, y), image->GetDot(x, y))
                        << bits << " bits " << size[0] << "x" << size[1] << " at " << x << "," << y;
        }
}

struct CentreCase {
    int width;
    int maxWidth;
    int flag;
    int expectedWidth;
};

TEST_F(NvImageTest, CentringAddsBlankColumnsRoundedUpToEight)
{
    const CentreCase cases[] = {
        {100, 512, 1, 312}, // pad 204 -> 208
        {100, 511, 1, 312}, // pad 203 -> 208
        {100, 512, 0, 104}, // not asked for
        {104, 104, 1, 104}, // already as wide as the maximum
        {110, 104, 1, 112}, // wider than the maximum
        {100, 105, 1, 104}, // pad 0
        {100, 112, 1, 112}, // pad 4 -> 8
        {1, 512, 1, 264},   // pad 252 -> 256
    };
    for (const CentreCase& c : cases) {
        g_Shared.m_nMaxPrintWidth = c.maxWidth;
        g_Shared.m_arrAutoCenter[3] = c.flag;
        g_Shared.m_nTotalBytes = 1000;
        ASSERT_TRUE(image->LoadFile(Write(Params(c.width, 50, 24), [](int, int) { return 0u; })));
        image->BuildRaster(3);
        const int pad = c.expectedWidth - (c.width + 7) / 8 * 8;
        SCOPED_TRACE(testing::Message() << c.width << " in " << c.maxWidth << " flag " << c.flag);
        EXPECT_EQ(image->m_nWidth, c.expectedWidth);
        EXPECT_EQ(image->m_nLength, c.expectedWidth * 7);
        EXPECT_EQ(g_Shared.m_nTotalBytes, 1000 + pad * 7);
        for (int x = 0; x < image->m_nWidth; ++x)
            ASSERT_EQ(RasterDot(x, 0), x >= pad && x < pad + c.width) << x;
    }
}

TEST(NvRasterLengthTest, CountsTheCentringColumns)
{
    EXPECT_EQ(NvRasterLength(100, 50, false, 512), 728);
    EXPECT_EQ(NvRasterLength(100, 50, true, 512), 2184);
    EXPECT_EQ(NvRasterLength(512, 2304, true, 512), kNvRasterCapacity);
    EXPECT_EQ(NvRasterLength(505, 2304, false, 512), kNvRasterCapacity);
    EXPECT_EQ(NvRasterLength(512, 2305, false, 512), 512 * 289);
    EXPECT_EQ(NvRasterLength(8, 4480, false, 512), 8 * 560);
    EXPECT_EQ(NvRasterLength(8, 4480, true, 512), 264 * 560);
    EXPECT_EQ(NvRasterLength(1 << 24, 1 << 24, false, 512), int64_t{1} << 45);
}

// A raster beyond the buffer is never written: the image stays empty and would go out
// as a definition of size 0 (the download refuses such files before it starts).
TEST_F(NvImageTest, ARasterBeyondTheCapacityIsLeftEmpty)
{
    const PixelFn black = [](int, int) { return 0u; };
    BmpParams full = Params(512, 2304, 1);
    Convert(full, black);
    EXPECT_EQ(image->m_nLength, kNvRasterCapacity);

    BmpParams tall = Params(512, 2305, 1);
    Convert(tall, black);
    EXPECT_EQ(image->m_nLength, 0);
    EXPECT_EQ(image->m_nWidth, 0);
    EXPECT_EQ(image->m_nHeight, 0);

    // Fits as it is, but not once centred.
    BmpParams narrow = Params(8, 4480, 1);
    g_Shared.m_arrAutoCenter[0] = 0;
    Convert(narrow, black);
    EXPECT_EQ(image->m_nLength, 8 * 560);
    g_Shared.m_arrAutoCenter[0] = 1;
    g_Shared.m_nTotalBytes = 0;
    Convert(narrow, black);
    EXPECT_EQ(image->m_nLength, 0);
    EXPECT_EQ(g_Shared.m_nTotalBytes, 0);
}

TEST_F(NvImageTest, AFileThatNoLongerLoadsLeavesAnEmptyImage)
{
    Convert(Params(100, 50, 24), [](int, int) { return 0u; });
    ASSERT_EQ(image->m_nLength, 728);

    for (const std::string& path : {dir.File("missing.bmp"), dir.Path()}) {
        EXPECT_FALSE(image->LoadFile(path));
        EXPECT_EQ(image->m_hBitmap, nullptr);
        EXPECT_EQ(image->m_nWidth, 0);
        EXPECT_EQ(image->m_nHeight, 0);
        image->BuildRaster(0);
        EXPECT_EQ(image->m_nLength, 0);
        EXPECT_EQ(image->GetDot(0, 0), 0);
    }
    dir.Write("text.bmp", "BM this is not a bitmap at all");
    EXPECT_FALSE(image->LoadFile(dir.File("text.bmp")));
    EXPECT_EQ(image->m_nLength, 0);
}

// bfSize is what the writer claimed: 0 from some encoders, or simply wrong. The file
// converts from what it really holds.
TEST_F(NvImageTest, BfSizeZeroOrWrongDoesNotMatter)
{
    const BmpParams params = Params(21, 13, 24);
    const PixelFn pixel = [](int x, int y) { return (x * y) % 3 ? 0xFFFFFFu : 0x102030u; };
    std::vector<uint8_t> file = MakeBmp(params, pixel);
    WriteFile(dir.File("right.bmp"), file);
    ASSERT_TRUE(image->LoadFile(dir.File("right.bmp")));
    EXPECT_EQ(image->m_fileHeader.bfSize, file.size());
    EXPECT_EQ(image->m_fileHeader.bfType, 0x4D42);
    EXPECT_EQ(image->m_nFileRestLength, file.size() - 14);
    image->BuildRaster(0);
    const std::vector<uint8_t> expected = Raster();

    for (uint32_t claimed : {0u, 20u, static_cast<uint32_t>(file.size()) + 5000u, 0xFFFFFFFFu}) {
        for (int i = 0; i < 4; ++i)
            file[2 + static_cast<size_t>(i)] = static_cast<uint8_t>(claimed >> (8 * i));
        WriteFile(dir.File("claimed.bmp"), file);
        ASSERT_TRUE(image->LoadFile(dir.File("claimed.bmp"))) << claimed;
        EXPECT_EQ(image->m_fileHeader.bfSize, claimed);
        image->BuildRaster(0);
        EXPECT_EQ(Raster(), expected) << claimed;
    }
}

} // namespace
