// Every form of BMP file the reader accepts must give the same picture as the plain
// 24-bit file of it, and the rows in the file's own bit depth must come out bottom-up
// exactly as a plain bottom-up file of that depth stores them.
#include "logo/BmpFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

#include "tests/support/BmpWriter.h"
#include "tests/support/TempDir.h"

using namespace testing_support;

namespace {

uint32_t Hash(int x, int y)
{
    auto h = static_cast<uint32_t>(x) * 0x9E3779B1u ^ static_cast<uint32_t>(y) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    return h ^ (h >> 13);
}

// Stretches of index 0 (skipped by RLE deltas), noise (absolute runs), long equal runs
// and short ones, so that every RLE command and every bit position gets used.
uint32_t Value(int x, int y)
{
    switch ((x / 7 + y) % 4) {
    case 0:
        return 0;
    case 1:
        return Hash(x, y);
    case 2:
        return Hash(0, y) | 1;
    default:
        return Hash(x / 3, y + 1000);
    }
}

std::vector<uint32_t> MakePalette(size_t n)
{
    std::vector<uint32_t> palette;
    for (size_t i = 0; i < n; ++i)
        palette.push_back(Hash(static_cast<int>(i), -1) & 0xFFFFFF);
    return palette;
}

struct Format {
    std::string name;
    BmpParams params; // width and height are set per size
    size_t paletteSize = 0;
};

Format Palette(std::string name, int bpp, BmpHeader header, size_t entries = 0, bool topDown = false)
{
    Format f{std::move(name), {}, entries ? entries : size_t{1} << bpp};
    f.params.bitsPerPixel = bpp;
    f.params.header = header;
    f.params.topDown = topDown;
    f.params.palette = MakePalette(f.paletteSize);
    return f;
}

Format Rle(std::string name, int bpp, RleStyle style, BmpHeader header = BmpHeader::Info)
{
    Format f = Palette(std::move(name), bpp, header);
    f.params.compression = bpp == 8 ? kBiRle8 : kBiRle4;
    f.params.rle = style;
    return f;
}

Format Direct(std::string name, int bpp, BmpHeader header, bool topDown = false,
              uint32_t compression = kBiRgb, std::array<uint32_t, 3> masks = {0x7C00, 0x03E0, 0x001F})
{
    Format f{std::move(name), {}, 0};
    f.params.bitsPerPixel = bpp;
    f.params.header = header;
    f.params.topDown = topDown;
    f.params.compression = compression;
    std::copy(masks.begin(), masks.end(), f.params.masks);
    f.params.alpha = 0x5A; // must not show
    return f;
}

const std::vector<Format>& Formats()
{
    using H = BmpHeader;
    static const std::vector<Format> formats = {
        Palette("p1_core", 1, H::Core),
        Palette("p1_info", 1, H::Info),
        Palette("p1_v5_topdown", 1, H::V5, 0, true),
        Palette("p1_one_entry", 1, H::Info, 1),
        Palette("p2_info", 2, H::Info),
        Palette("p2_core", 2, H::Core),
        Palette("p4_core", 4, H::Core),
        Palette("p4_info", 4, H::Info),
        Palette("p4_v2", 4, H::V2),
        Palette("p4_short_table", 4, H::Info, 5),
        Palette("p4_v4_topdown", 4, H::V4, 0, true),
        Palette("p8_core", 8, H::Core),
        Palette("p8_info", 8, H::Info),
        Palette("p8_v3", 8, H::V3),
        Palette("p8_short_table", 8, H::Info, 3),
        Palette("p8_topdown", 8, H::Info, 0, true),
        Palette("p8_v5", 8, H::V5),
        Rle("rle4_runs", 4, RleStyle::Runs),
        Rle("rle4_absolute", 4, RleStyle::Absolute),
        Rle("rle4_delta", 4, RleStyle::Delta),
        Rle("rle4_delta_v5", 4, RleStyle::Delta, H::V5),
        Rle("rle8_runs", 8, RleStyle::Runs),
        Rle("rle8_absolute", 8, RleStyle::Absolute),
        Rle("rle8_delta", 8, RleStyle::Delta),
        Rle("rle8_absolute_v4", 8, RleStyle::Absolute, H::V4),
        Direct("d16_info", 16, H::Info),
        Direct("d16_core", 16, H::Core),
        Direct("d16_v5_topdown", 16, H::V5, true),
        Direct("d16_555_fields", 16, H::Info, false, kBiBitfields),
        Direct("d16_565_fields", 16, H::Info, false, kBiBitfields, {0xF800, 0x07E0, 0x001F}),
        Direct("d16_565_v3", 16, H::V3, false, kBiBitfields, {0xF800, 0x07E0, 0x001F}),
        Direct("d16_565_v5_topdown", 16, H::V5, true, kBiBitfields, {0xF800, 0x07E0, 0x001F}),
        Direct("d24_core", 24, H::Core),
        Direct("d24_info", 24, H::Info),
        Direct("d24_v4", 24, H::V4),
        Direct("d24_v5_topdown", 24, H::V5, true),
        Direct("d32_info", 32, H::Info),
        Direct("d32_topdown", 32, H::Info, true),
        Direct("d32_fields", 32, H::Info, false, kBiBitfields, {0xFF0000, 0xFF00, 0xFF}),
        Direct("d32_fields_swapped_v2", 32, H::V2, false, kBiBitfields, {0xFF00, 0xFF0000, 0xFF000000}),
        Direct("d32_fields_10bit_v5", 32, H::V5, true, kBiBitfields, {0x3FF00000, 0xFFC00, 0x3FF}),
    };
    return formats;
}

const std::vector<std::pair<int, int>> kSizes = {{1, 1}, {1, 6},  {6, 1},  {2, 3},  {3, 2},   {5, 5},
                                                 {9, 4}, {17, 3}, {31, 2}, {33, 5}, {13, 11}, {300, 3}};

// The stored value of pixel (x, y) for this format: a palette index, a 16-bit word
// or a colour.
uint32_t Stored(const Format& f, int x, int y)
{
    const uint32_t v = Value(x, y);
    if (f.params.bitsPerPixel <= 8)
        return v % static_cast<uint32_t>(f.paletteSize);
    return f.params.bitsPerPixel == 16 ? v & 0xFFFF : v & 0xFFFFFF;
}

// What the pixel looks like, worked out without the reader.
uint32_t ExpectedRgb(const Format& f, int x, int y)
{
    const uint32_t v = Stored(f, x, y);
    if (f.params.bitsPerPixel <= 8)
        return f.params.palette[v];
    if (f.params.bitsPerPixel != 16)
        return v;
    uint32_t rgb = 0;
    for (int c = 0; c < 3; ++c) {
        const uint32_t mask = f.params.masks[c];
        const int shift = std::countr_zero(mask);
        const double max = static_cast<double>(mask >> shift);
        const auto value = static_cast<double>((v & mask) >> shift);
        rgb = (rgb << 8) | static_cast<uint32_t>(std::lround(value * 255.0 / max));
    }
    return rgb;
}

BmpImage Decode(const std::vector<uint8_t>& file)
{
    BmpImage image;
    EXPECT_TRUE(DecodeBmp(file, image));
    return image;
}

class BmpFormatsTest : public ::testing::TestWithParam<size_t> {
protected:
    const Format& format = Formats()[GetParam()];
    int width = 0;
    int height = 0;

    void CheckPixels();
    void CheckFromDisk();
    // Runs check for every size in kSizes.
    template <typename Check> void ForEachSize(Check check)
    {
        for (const auto& [w, h] : kSizes) {
            width = w, height = h;
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
            check();
            if (HasFatalFailure())
                return;
        }
    }

    std::vector<uint8_t> Make(BmpParams params) const
    {
        params.width = width;
        params.height = height;
        return MakeBmp(params, [this](int x, int y) { return Stored(format, x, y); });
    }
    // The same pixels in the plainest file of the same depth: bottom-up, uncompressed.
    BmpParams PlainParams() const
    {
        BmpParams plain = format.params;
        plain.header = BmpHeader::Info;
        plain.topDown = false;
        if (plain.compression != kBiBitfields)
            plain.compression = kBiRgb;
        return plain;
    }
};

TEST_P(BmpFormatsTest, GivesThePixelsOfThePlainFiles)
{
    ForEachSize([this] { CheckPixels(); });
}
TEST_P(BmpFormatsTest, FromDiskTheHeaderCheckAndTheLoadAgree)
{
    ForEachSize([this] { CheckFromDisk(); });
}

void BmpFormatsTest::CheckPixels()
{
    const std::vector<uint8_t> file = Make(format.params);
    const BmpImage image = Decode(file);
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    ASSERT_EQ(image.bitsPerPixel, format.params.bitsPerPixel);
    ASSERT_EQ(image.widthBytes % 4, 0);
    ASSERT_GE(image.widthBytes * 8, width * format.params.bitsPerPixel);

    BmpParams reference; // the 24-bit file of the same picture
    reference.width = width;
    reference.height = height;
    const BmpImage rgb =
        Decode(MakeBmp(reference, [this](int x, int y) { return ExpectedRgb(format, x, y); }));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            ASSERT_EQ(image.RgbAt(x, y), rgb.RgbAt(x, y)) << "x " << x << " y " << y;
            ASSERT_EQ(rgb.RgbAt(x, y), ExpectedRgb(format, x, y)) << "x " << x << " y " << y;
        }

    // The rows in the file's own depth, bottom-up, byte for byte (also the padding).
    const BmpImage plain = Decode(Make(PlainParams()));
    ASSERT_EQ(image.widthBytes, plain.widthBytes);
    for (int r = 0; r < height; ++r)
        ASSERT_EQ(std::memcmp(image.Row(r), plain.Row(r), static_cast<size_t>(image.widthBytes)), 0)
            << "bottom-up row " << r;
    if (format.params.bitsPerPixel <= 8) { // and the raw palette indices where they belong
        const int bpp = format.params.bitsPerPixel, perByte = 8 / bpp;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint8_t byte = image.Row(height - 1 - y)[x / perByte];
                const uint32_t index = (byte >> ((perByte - 1 - x % perByte) * bpp)) & ((1u << bpp) - 1);
                ASSERT_EQ(index, Stored(format, x, y)) << "x " << x << " y " << y;
            }
    }
}

void BmpFormatsTest::CheckFromDisk()
{
    TempDir dir;
    const std::vector<uint8_t> file = Make(format.params);
    WriteFile(dir.File("f.bmp"), file);
    BmpInfo info;
    ASSERT_TRUE(ReadBmpInfo(dir.File("f.bmp"), info));
    EXPECT_EQ(info.width, width);
    EXPECT_EQ(info.height, height);
    EXPECT_EQ(info.bitsPerPixel, format.params.bitsPerPixel);
    BmpImage loaded;
    ASSERT_TRUE(LoadBmp(dir.File("f.bmp"), loaded));
    EXPECT_EQ(loaded.FileBytes(), file);
    const BmpImage decoded = Decode(file);
    for (int r = 0; r < height; ++r)
        ASSERT_EQ(std::memcmp(loaded.Row(r), decoded.Row(r), static_cast<size_t>(loaded.widthBytes)), 0);
}

INSTANTIATE_TEST_SUITE_P(AllForms, BmpFormatsTest, ::testing::Range(size_t{0}, Formats().size()),
                         [](const auto& param) { return Formats()[param.param].name; });

// A copy of an image must stay valid when the original goes.
TEST(BmpImageTest, CopiesOwnTheirPixels)
{
    BmpParams params;
    params.width = 3;
    params.height = 2;
    BmpImage copy;
    {
        BmpImage original = Decode(MakeBmp(params, [](int x, int y) { return Hash(x, y) & 0xFFFFFF; }));
        copy = original;
    }
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(copy.RgbAt(x, y), Hash(x, y) & 0xFFFFFF);
    EXPECT_EQ(copy.RgbAt(3, 0), 0u);
    EXPECT_EQ(copy.RgbAt(0, -1), 0u);
    EXPECT_EQ(BmpImage{}.Bits(), nullptr);
}

} // namespace
