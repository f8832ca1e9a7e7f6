#include "download/NvImage.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempDir.h"

using namespace testing_support;

namespace {

// Greys worked out by hand from the single-precision rules (running sum rounded to
// float after each exact product), kept as plain numbers so that the code under test
// is checked against them and not against itself. Several of them differ by one from
// what float products or a double sum would give.
struct GreyCase {
    uint32_t rgb;
    int grey;
};
const std::vector<GreyCase> kGrey24 = {
    {0xFEFEFE, 253}, {0x808080, 128}, {0xFFFFFF, 255}, {0x000000, 0},   {0x070707, 6},
    {0x0E0E0E, 13},  {0x0F0F0F, 15},  {0x171717, 22},  {0x1E1E1E, 30},  {0x373737, 55},
    {0x3F3F3F, 63},  {0x7F7F7F, 126}, {0xC7C7C7, 198}, {0xF5F5F5, 245}, {0xFDFDFD, 253},
    {0xFF0000, 76},  {0x00FF00, 150}, {0x0000FF, 28},  {0x0A141E, 18},  {0xC86432, 124},
};
// 16-bit words, read as 5-5-5 whatever the file's masks say.
const std::vector<GreyCase> kGrey16 = {
    {0x7FFF, 248}, {0xFFFF, 248}, {0x0000, 0},   {0x0421, 8},   {0x1CE7, 56}, {0x39CE, 112},
    {0x4210, 128}, {0xC210, 128}, {0x56B5, 168}, {0x739C, 224}, {0x7C00, 74}, {0x03E0, 146},
    {0x001F, 27},  {0x1234, 107}, {0x5678, 161}, {0x2A55, 127},
};

class NvImageTest : public ::testing::Test {
protected:
    // Loads and converts with the conversion values of this test.
    void Convert(const BmpParams& params, const PixelFn& pixel)
    {
        WriteFile(dir.File("image.bmp"), MakeBmp(params, pixel));
        ASSERT_TRUE(image->LoadFile(dir.File("image.bmp")));
        image->BuildRaster(conversion);
    }

    NvConversion conversion{128, 512, false};
    // The dot at column x, row y as the printer reads the raster.
    int RasterDot(int x, int y) const
    {
        const int bytesPerColumn = image->m_nHeight / 8;
        return (image->m_raster[x * bytesPerColumn + y / 8] >> (7 - y % 8)) & 1;
    }

    FakePlatform fake;
    TempDir dir;
    std::unique_ptr<CNvImage> image = std::make_unique<CNvImage>();
};

// Each colour prints at the threshold one above its grey and not at its grey: black
// at 1 but not 0, the greys of 253 and 254 at 254 but not 253, white never.
TEST_F(NvImageTest, GreyLevelsInSinglePrecision)
{
    struct Case {
        int bits;
        bool fiveSixFiveMasks; // 16 bits: masks that the rule must ignore
        const std::vector<GreyCase>& table;
    };
    const Case cases[] = {
        {24, false, kGrey24}, {32, false, kGrey24}, {16, false, kGrey16}, {16, true, kGrey16}};
    for (const Case& c : cases) {
        BmpParams params{static_cast<int>(c.table.size()), 1, c.bits};
        if (c.fiveSixFiveMasks) {
            params.compression = kBiBitfields;
            params.masks[0] = 0xF800, params.masks[1] = 0x07E0, params.masks[2] = 0x001F;
        }
        // The fourth byte of a 32-bit pixel (the value's top byte) is not part of its grey.
        const uint32_t fourth = c.bits == 32 ? 0xFF000000u : 0u;
        Convert(params, [&](int x, int) { return c.table[static_cast<size_t>(x)].rgb | fourth; });
        for (size_t i = 0; i < c.table.size(); ++i) {
            SCOPED_TRACE(testing::Message() << c.bits << " bits, pixel " << std::hex << c.table[i].rgb);
            EXPECT_EQ(image->GetDot(static_cast<int>(i), 0, c.table[i].grey), 0);
            EXPECT_EQ(image->GetDot(static_cast<int>(i), 0, c.table[i].grey + 1), 1);
        }
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
        BmpParams params{c.width, c.height, 1};
        params.header = c.header;
        params.palette = c.palette;
        const std::vector<uint8_t> file = MakeBmp(params, pattern);
        const int key = file.size() > 54 ? file[54] : static_cast<int>(c.palette[0] & 0xFF);
        Convert(params, pattern);
        SCOPED_TRACE(testing::Message()
                     << "header " << static_cast<int>(c.header) << " size " << file.size());
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const int expected = pattern(x, y) == (key != 0 ? 1u : 0u);
                EXPECT_EQ(RasterDot(x, y), expected) << x << "," << y;
                EXPECT_EQ(image->GetDot(x, y, conversion.threshold), expected) << x << "," << y;
            }
    }
}

TEST_F(NvImageTest, ARasterBeyondTheCapacityIsLeftEmpty)
{
    struct Case {
        int width, height, centre, length;
    };
    const Case cases[] = {
        {576, 2304, 0, kNvRasterCapacity}, {576, 2305, 0, 0}, {8, 5120, 0, 8 * 640}, {8, 5120, 1, 0}};
    for (const Case& c : cases) {
        conversion.centre = c.centre != 0;
        Convert(BmpParams{c.width, c.height, 1}, [](int, int) { return 0u; });
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " centre " << c.centre);
        EXPECT_EQ(image->m_nLength, c.length);
        EXPECT_EQ(image->m_nWidth == 0 && image->m_nHeight == 0, c.length == 0);
        EXPECT_EQ(image->m_nCentringBytes, 0);
    }
}

// bfSize is what the writer claimed: 0 from some encoders, or simply wrong. The file
// converts from what it really holds.
TEST_F(NvImageTest, BfSizeZeroOrWrongDoesNotMatter)
{
    std::vector<uint8_t> file =
        MakeBmp(BmpParams{21, 13, 24}, [](int x, int y) { return (x * y) % 3 ? 0xFFFFFFu : 0x102030u; });
    const auto size = static_cast<uint32_t>(file.size());
    std::vector<uint8_t> expected;
    for (uint32_t claimed : {size, 0u, 20u, size + 5000u, 0xFFFFFFFFu}) {
        Poke(file, 2, claimed);
        WriteFile(dir.File("claimed.bmp"), file);
        ASSERT_TRUE(image->LoadFile(dir.File("claimed.bmp"))) << claimed;
        EXPECT_EQ(image->m_fileHeader.bfSize, claimed);
        EXPECT_EQ(image->m_nFileRestLength, size - 14);
        image->BuildRaster(conversion);
        const std::vector<uint8_t> raster(image->m_raster, image->m_raster + image->m_nLength);
        if (expected.empty())
            expected = raster;
        EXPECT_EQ(raster, expected) << claimed;
    }
}

} // namespace
