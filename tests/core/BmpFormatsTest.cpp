// Every form of BMP file the reader accepts must give the same picture as the plain
// 24-bit file of it, and its rows, in the file's own bit depth, must come out bottom-up
// exactly as a plain bottom-up file of that depth stores them.
#include "logo/BmpFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <tuple>

#include "tests/support/BmpWriter.h"

using namespace testing_support;

namespace {

uint32_t Hash(int x, int y)
{
    auto h = static_cast<uint32_t>(x) * 0x9E3779B1u ^ static_cast<uint32_t>(y) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    return h ^ (h >> 13);
}

// Stretches of index 0, noise, long equal runs and short ones, so that every bit
// position and every kind of RLE run gets used.
uint32_t Value(int x, int y)
{
    const int kind = (x / 7 + y) % 4;
    return kind == 0 ? 0 : kind == 1 ? Hash(x, y) : kind == 2 ? Hash(0, y) | 1 : Hash(x / 3, y + 1000);
}

struct Format {
    const char* name;
    int bits;
    BmpHeader header = BmpHeader::Info;
    uint32_t compression = kBiRgb;
    bool topDown = false;
    size_t colours = 0; // palette entries; 0: 2^bits
    std::array<uint32_t, 3> masks = {0x7C00, 0x03E0, 0x001F};
};

constexpr std::array<uint32_t, 3> k565 = {0xF800, 0x07E0, 0x001F};
using H = BmpHeader;
const Format kFormats[] = {
    {"p1_core", 1, H::Core},
    {"p2_info", 2},
    {"p4_core", 4, H::Core},
    {"p4_short_table", 4, H::Info, kBiRgb, false, 5},
    {"p4_v4_topdown", 4, H::V4, kBiRgb, true},
    {"p8_v5", 8, H::V5},
    {"rle4_info", 4, H::Info, kBiRle4},
    {"rle8_info", 8, H::Info, kBiRle8},
    {"d16_v5_topdown", 16, H::V5, kBiRgb, true},
    {"d16_555_fields", 16, H::Info, kBiBitfields},
    {"d16_565_fields", 16, H::Info, kBiBitfields, false, 0, k565},
    {"d16_565_v3", 16, H::V3, kBiBitfields, false, 0, k565},
    {"d16_565_v5_topdown", 16, H::V5, kBiBitfields, true, 0, k565},
    {"d24_core", 24, H::Core},
    {"d24_info", 24},
    {"d32_info", 32},
    {"d32_fields", 32, H::Info, kBiBitfields, false, 0, {0xFF0000, 0xFF00, 0xFF}},
    {"d32_fields_swapped_v2", 32, H::V2, kBiBitfields, false, 0, {0xFF00, 0xFF0000, 0xFF000000}},
    {"d32_fields_10bit_v5", 32, H::V5, kBiBitfields, true, 0, {0x3FF00000, 0xFFC00, 0x3FF}},
};

// The stored value of pixel (x, y): a palette index, or the word, whose bits outside the
// masks or the 24 colour bits must not show.
uint32_t Stored(const BmpParams& params, int x, int y)
{
    const uint32_t v = Value(x, y);
    if (params.bitsPerPixel <= 8)
        return v % static_cast<uint32_t>(params.palette.size());
    return params.bitsPerPixel == 16 ? v & 0xFFFF : v;
}

// The pixel's colour, as the plain 24-bit file of the picture holds it, worked out
// without the reader.
uint32_t ExpectedRgb(const BmpParams& params, int x, int y)
{
    const uint32_t v = Stored(params, x, y);
    if (params.bitsPerPixel <= 8)
        return params.palette[v];
    if (params.bitsPerPixel != 16 && params.compression != kBiBitfields)
        return v & 0xFFFFFF;
    uint32_t rgb = 0; // narrow channels to the nearest 8-bit value, wide ones to their top 8 bits
    for (uint32_t mask : params.masks) {
        const int shift = std::countr_zero(mask), bits = std::popcount(mask);
        const uint32_t value = (v & mask) >> shift;
        rgb =
            (rgb << 8) | (bits >= 8 ? value >> (bits - 8)
                                    : static_cast<uint32_t>(std::lround(value * 255.0 / ((1 << bits) - 1))));
    }
    return rgb;
}

constexpr std::pair<int, int> kSizes[] = {{1, 1}, {1, 6},  {6, 1},  {2, 3},  {3, 2},   {5, 5},
                                          {9, 4}, {17, 3}, {31, 2}, {33, 5}, {13, 11}, {300, 3}};

BmpParams Params(const Format& format, int width, int height)
{
    BmpParams params{width, height, format.bits, format.header, format.compression, format.topDown};
    std::copy(format.masks.begin(), format.masks.end(), params.masks);
    const size_t colours = format.colours ? format.colours : size_t{1} << format.bits;
    for (size_t i = 0; format.bits <= 8 && i < colours; ++i)
        params.palette.push_back(Hash(static_cast<int>(i), -1) & 0xFFFFFF);
    return params;
}

class BmpFormatsTest : public ::testing::TestWithParam<Format> {};

TEST_P(BmpFormatsTest, GivesThePictureOfThePlain24BitFileAndThePlainRows)
{
    for (const auto& [width, height] : kSizes) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        BmpParams params = Params(GetParam(), width, height);
        const auto stored = [&params](int x, int y) { return Stored(params, x, y); };
        BmpImage image, plain;
        ASSERT_TRUE(DecodeBmp(MakeBmp(params, stored), image));
        ASSERT_EQ(std::tie(image.width, image.height, image.bitsPerPixel),
                  std::tie(width, height, params.bitsPerPixel));
        for (int y = 0; y < height; ++y) // the d24 forms check the reading of the 24-bit file itself
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(image.RgbAt(x, y), ExpectedRgb(params, x, y)) << "x " << x << " y " << y;

        // The rows in the file's own depth, bottom-up, byte for byte (also the padding).
        params.header = BmpHeader::Info;
        params.topDown = false;
        if (params.compression != kBiBitfields)
            params.compression = kBiRgb;
        ASSERT_TRUE(DecodeBmp(MakeBmp(params, stored), plain));
        ASSERT_EQ(image.widthBytes, plain.widthBytes);
        EXPECT_EQ(std::memcmp(image.Bits(), plain.Bits(), static_cast<size_t>(image.widthBytes * height)), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(AllForms, BmpFormatsTest, ::testing::ValuesIn(kFormats),
                         [](const auto& param) { return std::string(param.param.name); });

} // namespace
