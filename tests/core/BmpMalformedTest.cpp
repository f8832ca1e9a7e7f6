// Broken and carelessly written BMP files: broken ones are refused without a crash, an
// out-of-bounds read or a huge allocation (the asan preset runs these), careless ones
// give the clean file's picture, and the header check from disk, the in-memory check
// and the decoder always agree.
#include "logo/BmpFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "tests/support/BmpWriter.h"
#include "tests/support/TempDir.h"

using namespace testing_support;

namespace {

constexpr size_t kBfSize = 2, kBfOffBits = 10, kBiSize = 14, kBiWidth = 18, kBiHeight = 22, kBiPlanes = 26,
                 kBiBitCount = 28, kBiCompression = 30, kBiSizeImage = 34, kBiClrUsed = 46;
constexpr size_t kBcHeight = 20, kBcPlanes = 22, kBcBitCount = 24;
using H = BmpHeader;

std::vector<uint8_t> Make(int bpp, uint32_t compression = kBiRgb, BmpHeader header = H::Info, int width = 5,
                          int height = 4)
{
    BmpParams params{
        .width = width, .height = height, .bitsPerPixel = bpp, .header = header, .compression = compression};
    return MakeBmp(params, [bpp](int x, int y) {
        const auto v = static_cast<uint32_t>(x * 7 + y * 13 + (x * y) % 5);
        return bpp >= 24 ? v * 0x010203u : v % (1u << std::min(bpp, 16));
    });
}

struct Edit {
    size_t at;
    uint32_t value;
    size_t bytes = 4;
};

// The file with its fields edited, then made longer (by junk) or shorter by grow bytes.
std::vector<uint8_t> Patched(std::vector<uint8_t> file, std::initializer_list<Edit> edits, int grow = 0)
{
    for (const Edit& edit : edits)
        Poke(file, edit.at, edit.value, edit.bytes);
    file.resize(static_cast<size_t>(static_cast<int>(file.size()) + grow), 9);
    return file;
}

// A width x height RLE file (8 or 4 bits) whose stream is the given bytes.
std::vector<uint8_t> RleFile(std::vector<uint8_t> stream, int bpp = 8, int width = 4, int height = 3)
{
    std::vector<uint8_t> file = Make(bpp, bpp == 8 ? kBiRle8 : kBiRle4, H::Info, width, height);
    file.resize(Peek32(file, kBfOffBits));
    file.insert(file.end(), stream.begin(), stream.end());
    Poke(file, kBfSize, static_cast<uint32_t>(file.size()));
    Poke(file, kBiSizeImage, static_cast<uint32_t>(stream.size()));
    return file;
}

template <typename T> std::tuple<int32_t, int32_t, int> Dimensions(const T& picture)
{
    return {picture.width, picture.height, picture.bitsPerPixel};
}

struct Verdict {
    bool parsed = false;
    bool decoded = false;
    BmpImage image;
    std::vector<uint32_t> picture; // every pixel's colour, top row first
};

// Runs the header checks from disk and in memory and the decoder on the file and checks
// that they agree. Every pixel of a
// decoded picture is read, and the last byte of its rows is kept with them (reads out
// of bounds show under the sanitizers).
Verdict Judge(const std::vector<uint8_t>& file)
{
    static const TempDir dir;
    const std::string path = dir.File("x.bmp");
    Verdict v;
    BmpInfo info, fromDisk;
    v.parsed = ParseBmpInfo(file.data(), file.size(), info);
    v.decoded = DecodeBmp(file, v.image);
    std::remove(path.c_str()); // a fresh file each time: rewriting one in place makes ext4 flush it
    WriteFile(path, file);
    EXPECT_EQ(ReadBmpInfo(path, fromDisk), v.parsed);
    if (v.parsed) {
        EXPECT_EQ(Dimensions(fromDisk), Dimensions(info));
    }
    if (v.decoded) {
        EXPECT_TRUE(v.parsed);
        EXPECT_EQ(Dimensions(v.image), Dimensions(info));
        for (int32_t y = 0; y < v.image.height; ++y)
            for (int32_t x = 0; x < v.image.width; ++x)
                v.picture.push_back(v.image.RgbAt(x, y));
        v.picture.push_back(v.image.Row(v.image.height - 1)[v.image.widthBytes - 1]);
    } else if (v.parsed) {
        const uint64_t rows =
            (uint64_t(info.width) * uint64_t(info.bitsPerPixel) + 31) / 32 * 4 * uint64_t(info.height);
        EXPECT_TRUE(info.bitsPerPixel > 32 || rows > kMaxPixelBytes) << "parsed but not decoded";
    }
    return v;
}

// Refused everywhere, or, where `headerOnly`, known by the header check (so that the
// program can tell an unsupported depth or a picture beyond the memory limit from a
// broken file) but never decoded.
TEST(BmpMalformedTest, BrokenFilesAreRefused)
{
    const auto b24 = Make(24), b8 = Make(8), core = Make(4, kBiRgb, H::Core), rle8 = Make(8, kBiRle8);
    const auto v5 = Make(32, kBiBitfields, H::V5);
    const uint32_t minus4 = static_cast<uint32_t>(-4);
    const struct {
        const char* name;
        std::vector<uint8_t> file;
        bool headerOnly = false;
    } cases[] = {
        {"not_bm", Patched(b24, {{0, 0x4142, 2}})},
        {"header_size_os2_v2", Patched(b24, {{kBiSize, 64}})},
        {"header_longer_than_file", Patched(b24, {{kBiSize, 124}})},
        {"width_0", Patched(b24, {{kBiWidth, 0}})},
        {"width_just_beyond_limit", Patched(b24, {{kBiWidth, (1u << 24) + 1}})},
        {"width_lies", Patched(b24, {{kBiWidth, 6}})},
        {"height_0", Patched(b24, {{kBiHeight, 0}})},
        {"height_most_negative", Patched(b24, {{kBiHeight, 0x80000000}})},
        {"height_huge", Patched(b24, {{kBiHeight, 1u << 24}})},
        {"huge_1bit_picture_tiny_file", Patched(Make(1), {{kBiWidth, 1u << 24}, {kBiHeight, 1u << 24}})},
        {"core_height_0", Patched(core, {{kBcHeight, 0, 2}})},
        {"core_planes_2", Patched(core, {{kBcPlanes, 2, 2}})},
        {"core_bpp_64", Patched(core, {{kBcBitCount, 64, 2}})},
        {"planes_2", Patched(b24, {{kBiPlanes, 2, 2}})},
        {"bpp_33", Patched(b24, {{kBiBitCount, 33, 2}})},
        {"bpp_48_pixels_missing", Patched(b24, {{kBiBitCount, 48, 2}})},
        {"bpp_64_bitfields", Patched(v5, {{kBiBitCount, 64, 2}})},
        {"compression_jpeg", Patched(b24, {{kBiCompression, 4}})},
        {"bitfields_24bit", Patched(b24, {{kBiCompression, kBiBitfields}})},
        {"rle8_at_4bit", Patched(rle8, {{kBiBitCount, 4, 2}})},
        {"rle8_top_down", Patched(rle8, {{kBiHeight, minus4}})},
        {"offset_inside_header", Patched(b24, {{kBfOffBits, 20}})},
        {"offset_at_end", Patched(b24, {{kBfOffBits, static_cast<uint32_t>(b24.size())}})},
        {"offset_pushes_pixels_out", Patched(b24, {{kBfOffBits, 55}})},
        {"offset_beyond_limit", Patched(b24, {{kBfOffBits, static_cast<uint32_t>(kMaxPixelOffset + 1)}})},
        {"offset_0_table_beyond_end", Patched(b8, {{kBfOffBits, 0}, {kBiClrUsed, 0x40000000}})},
        {"offset_0_optional_table_beyond_end", Patched(b24, {{kBfOffBits, 0}, {kBiClrUsed, 200}})},
        {"top_down_pixels_short", Patched(b24, {{kBiHeight, minus4}}, -1)},
        {"rle_run_below_last_row", RleFile({4, 1, 0, 0, 4, 1, 0, 0, 4, 1, 0, 0, 4, 1, 0, 1})},
        {"rle_eol_below_last_row", RleFile({4, 1, 0, 0, 4, 1, 0, 0, 4, 1, 0, 0, 0, 0, 0, 1})},
        {"rle_delta_below_last_row", RleFile({0, 2, 0, 4, 0, 1})},
        {"rle_delta_past_the_end_then_run", RleFile({0, 2, 1, 3, 1, 1, 0, 1})},
        {"rle_delta_cut", RleFile({4, 1, 0, 2, 1})},
        {"rle4_absolute_cut", RleFile({0, 5, 0x12, 0x34}, 4)},
        {"rle_absolute_below_last_row", RleFile({0, 2, 0, 3, 0, 3, 1, 2, 3, 0, 0, 1})},
        {"rle_ends_before_the_picture", RleFile({4, 1, 0, 0})},
        {"rle_stream_missing", Patched(RleFile({}), {{kBfOffBits, 0}})},
        {"rle_last_row_short_no_end", RleFile({4, 1, 0, 0, 4, 1, 0, 0, 3, 1})},
        {"bpp_48", Patched(b24, {{kBiBitCount, 48, 2}}, 64), true},
        {"bpp_64", Patched(b24, {{kBiBitCount, 64, 2}}, 96), true},
        // 8192 x 8193 bytes of rows, all index 0 by an end-of-bitmap.
        {"rle_beyond_the_memory_limit", Patched(RleFile({0, 1}), {{kBiWidth, 8192}, {kBiHeight, 8193}}),
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Verdict v = Judge(c.file);
        EXPECT_EQ(v.parsed, c.headerOnly);
        EXPECT_FALSE(v.decoded);
    }
}

// Every way of cutting a file short (inside the headers, the colour table, the masks,
// the pixels or an RLE command) is refused, or (only for RLE, when nothing but the
// end-of-bitmap and the padding of a last absolute run is gone) gives the whole picture.
TEST(BmpMalformedTest, CutFilesAreRefused)
{
    for (const auto& file : {Make(4, kBiRgb, H::Core), Make(24), Make(1), Make(2, kBiRgb, H::V2),
                             Make(8, kBiRgb, H::V3), Make(16, kBiBitfields), Make(32, kBiBitfields, H::V5),
                             Make(4, kBiRle4, H::Info, 9, 5), Make(8, kBiRle8, H::V4, 9, 5)}) {
        SCOPED_TRACE("header " + std::to_string(Peek32(file, kBiSize)) + ", " +
                     std::to_string(Peek32(file, kBiBitCount) & 0xFF) + " bits");
        const Verdict whole = Judge(file);
        ASSERT_TRUE(whole.decoded);
        const uint32_t compression = Peek32(file, kBiCompression);
        const bool rle = Peek32(file, kBiSize) != 12 && (compression == kBiRle8 || compression == kBiRle4);
        size_t accepted = 0;
        for (size_t size = 0; size < file.size(); ++size) {
            SCOPED_TRACE("cut at " + std::to_string(size));
            const Verdict v = Judge({file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size)});
            accepted += v.parsed;
            if (v.decoded) {
                EXPECT_EQ(v.picture, whole.picture);
            }
        }
        EXPECT_LE(accepted, rle ? 3u : 0u);
    }
}

// A plain file of the picture given as rows of indices, top row first.
std::vector<uint8_t> Plain(int bpp, std::vector<std::vector<uint32_t>> rows)
{
    const BmpParams params{.width = static_cast<int>(rows[0].size()),
                           .height = static_cast<int>(rows.size()),
                           .bitsPerPixel = bpp};
    return MakeBmp(params,
                   [&rows](int x, int y) { return rows[static_cast<size_t>(y)][static_cast<size_t>(x)]; });
}

// What encoders write carelessly, read as a user expects: the clean file's picture. And
// RLE corners decoded as Windows draws them: runs past the right edge are cut off,
// skipped pixels are index 0, and a delta may end exactly at the top.
TEST(BmpMalformedTest, CarelessHeaderFieldsStillGiveThePicture)
{
    // Bytes between the colour table and the pixels, as a longer table leaves them.
    const auto gap = [](std::vector<uint8_t> file, uint32_t bytes) {
        file.insert(file.begin() + Peek32(file, kBfOffBits), bytes, 0xA5);
        Poke(file, kBfOffBits, Peek32(file, kBfOffBits) + bytes);
        return file;
    };
    const auto b24 = Make(24), b8 = Make(8), b16 = Make(16), b4 = Make(4), core = Make(4, kBiRgb, H::Core);
    const auto fields = Make(16, kBiBitfields), rle = Make(8, kBiRle8, H::Info, 9, 5);
    const std::tuple<const char*, std::vector<uint8_t>, std::vector<uint8_t>> cases[] = {
        {"bfSize_0", b24, Patched(b24, {{kBfSize, 0}})},
        {"bfOffBits_0_info", b8, Patched(b8, {{kBfOffBits, 0}})},
        {"bfOffBits_0_core", core, Patched(core, {{kBfOffBits, 0}})},
        {"bfOffBits_0_bitfields", fields, Patched(fields, {{kBfOffBits, 0}})},
        {"bitfields_without_masks", b16, Patched(b16, {{kBiCompression, kBiBitfields}})},
        {"biSizeImage_0", b24, Patched(b24, {{kBiSizeImage, 0}})},
        {"biSizeImage_wrong_rle", rle, Patched(rle, {{kBiSizeImage, 3}})},
        {"biClrUsed_0", b4, Patched(b4, {{kBiClrUsed, 0}})},
        {"biClrUsed_above_2_to_the_bits", b8, Patched(gap(b8, 44 * 4), {{kBiClrUsed, 300}})},
        {"gap_before_pixels", b8, gap(b8, 37)},
        {"trailing_bytes", b24, Patched(b24, {}, 999)},
        {"rle_without_end_of_bitmap", rle, Patched(rle, {}, -2)},
        {"rle_run_clipped", Plain(8, {{3, 3, 0, 0}, {0, 0, 0, 0}, {7, 7, 7, 7}}),
         RleFile({6, 7, 0, 0, 0, 0, 2, 3, 0, 1})},
        {"rle_delta_then_run", Plain(8, {{0, 0, 0, 0}, {0, 9, 9, 0}, {0, 0, 0, 0}}),
         RleFile({0, 2, 1, 1, 2, 9, 0, 1})},
        {"rle4_alternating", Plain(4, {{0, 0, 0, 0}, {10, 11, 12, 0}, {1, 2, 1, 2}}),
         RleFile({5, 0x12, 0, 0, 0, 3, 0xAB, 0xC0, 0, 1}, 4)},
    };
    for (const auto& [name, clean, careless] : cases) {
        SCOPED_TRACE(name);
        const Verdict a = Judge(clean), b = Judge(careless);
        ASSERT_TRUE(a.decoded);
        ASSERT_TRUE(b.decoded);
        EXPECT_EQ(a.picture, b.picture);
    }
}

} // namespace
