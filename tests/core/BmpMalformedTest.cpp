// Broken and oddly written BMP files: broken ones are refused without a crash, an
// out-of-bounds read or a huge allocation (the asan preset runs these); the header
// check from disk, the in-memory check, the decoder and the loader always agree.
#include "logo/BmpFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>

#include "tests/support/BmpWriter.h"
#include "tests/support/TempDir.h"

using namespace testing_support;

namespace {

// Offsets of the fields patched below.
constexpr size_t kBfSize = 2, kBfOffBits = 10, kBiSize = 14, kBiWidth = 18, kBiHeight = 22, kBiPlanes = 26,
                 kBiBitCount = 28, kBiCompression = 30, kBiSizeImage = 34, kBiClrUsed = 46;
constexpr size_t kBcHeight = 20, kBcPlanes = 22, kBcBitCount = 24;

uint32_t Pattern(int x, int y)
{
    return static_cast<uint32_t>(x * 7 + y * 13 + (x * y) % 5);
}

std::vector<uint8_t> Make(int bpp, uint32_t compression = kBiRgb, BmpHeader header = BmpHeader::Info,
                          int width = 5, int height = 4, RleStyle rle = RleStyle::Absolute)
{
    BmpParams params;
    params.width = width;
    params.height = height;
    params.bitsPerPixel = bpp;
    params.compression = compression;
    params.header = header;
    params.rle = rle;
    if (compression == kBiBitfields && bpp == 32)
        params.masks[0] = 0xFF0000, params.masks[1] = 0xFF00, params.masks[2] = 0xFF;
    return MakeBmp(params, [bpp](int x, int y) {
        return bpp == 24 || bpp == 32 ? Pattern(x, y) * 0x010203u : Pattern(x, y) % (1u << std::min(bpp, 16));
    });
}

// An 8-bit (or 4-bit) RLE file of width x height whose stream is replaced by the given bytes.
std::vector<uint8_t> RleFile(std::vector<uint8_t> stream, int bpp = 8, int width = 4, int height = 3)
{
    std::vector<uint8_t> file = Make(bpp, bpp == 8 ? kBiRle8 : kBiRle4, BmpHeader::Info, width, height);
    file.resize(Peek32(file, kBfOffBits));
    file.insert(file.end(), stream.begin(), stream.end());
    Poke32(file, kBfSize, static_cast<uint32_t>(file.size()));
    Poke32(file, kBiSizeImage, static_cast<uint32_t>(stream.size()));
    return file;
}

using Patch = std::function<void(std::vector<uint8_t>&)>;
Patch Set32(size_t at, uint32_t v)
{
    return [=](std::vector<uint8_t>& f) { Poke32(f, at, v); };
}
Patch Set16(size_t at, uint32_t v)
{
    return [=](std::vector<uint8_t>& f) { Poke16(f, at, v); };
}
Patch Cut(size_t bytes)
{
    return [=](std::vector<uint8_t>& f) { f.resize(f.size() - bytes); };
}

class BmpMalformedTest : public ::testing::Test {
protected:
    TempDir dir;
    const std::string path = dir.File("x.bmp");

    struct Verdict {
        bool parsed = false;
        bool decoded = false;
        BmpInfo info;
        BmpImage image;
    };

    // Runs all four entry points on the file and checks that they agree; every pixel
    // of a decoded picture is read (out-of-bounds reads show under the sanitizers).
    Verdict Judge(const std::vector<uint8_t>& file)
    {
        Verdict v;
        v.parsed = ParseBmpInfo(file.data(), file.size(), v.info);
        v.decoded = DecodeBmp(file, v.image);
        if (v.decoded) {
            EXPECT_TRUE(v.parsed);
            EXPECT_EQ(v.image.width, v.info.width);
            EXPECT_EQ(v.image.height, v.info.height);
            EXPECT_EQ(v.image.bitsPerPixel, v.info.bitsPerPixel);
            TouchEveryPixel(v.image);
        } else if (v.parsed) {
            const uint64_t rows = (uint64_t(v.info.width) * uint64_t(v.info.bitsPerPixel) + 31) / 32 * 4 *
                                  uint64_t(v.info.height);
            EXPECT_TRUE(v.info.bitsPerPixel > 32 || rows > kMaxPixelBytes) << "parsed but not decoded";
        }
        // A fresh file each time: rewriting one in place makes ext4 flush it to disk.
        std::remove(path.c_str());
        WriteFile(path, file);
        BmpInfo fromDisk;
        EXPECT_EQ(ReadBmpInfo(path, fromDisk), v.parsed);
        if (v.parsed) {
            EXPECT_EQ(fromDisk.width, v.info.width);
            EXPECT_EQ(fromDisk.height, v.info.height);
            EXPECT_EQ(fromDisk.bitsPerPixel, v.info.bitsPerPixel);
        }
        BmpImage loaded;
        EXPECT_EQ(LoadBmp(path, loaded), v.decoded);
        return v;
    }

    // Every pixel of small pictures; of big ones (damage can make a few bytes of RLE
    // into millions of pixels) the edges, where reads go out of bounds if anywhere.
    static void TouchEveryPixel(const BmpImage& image)
    {
        const bool small = int64_t{image.width} * image.height <= (1 << 16);
        const auto next = [small](int32_t i, int32_t n) {
            return small || i == 0 || i >= n - 2 ? i + 1 : n - 2;
        };
        uint32_t sum = 0;
        for (int32_t y = 0; y < image.height; y = next(y, image.height)) {
            for (int32_t x = 0; x < image.width; x = next(x, image.width))
                sum += image.RgbAt(x, y);
            sum += image.Row(y)[0] + image.Row(y)[image.widthBytes - 1];
        }
        ::testing::Test::RecordProperty("checksum", static_cast<int>(sum & 0x7FFFFFFF));
    }

    bool SamePicture(const BmpImage& a, const BmpImage& b)
    {
        if (a.width != b.width || a.height != b.height || a.bitsPerPixel != b.bitsPerPixel)
            return false;
        for (int32_t y = 0; y < a.height; ++y)
            for (int32_t x = 0; x < a.width; ++x)
                if (a.RgbAt(x, y) != b.RgbAt(x, y))
                    return false;
        return true;
    }
};

struct BrokenCase {
    const char* name;
    std::vector<uint8_t> file;
};

std::vector<uint8_t> Patched(std::vector<uint8_t> file, std::initializer_list<Patch> patches)
{
    for (const Patch& p : patches)
        p(file);
    return file;
}

std::vector<BrokenCase> BrokenFiles()
{
    using H = BmpHeader;
    const auto b24 = Make(24), b8 = Make(8), b4core = Make(4, kBiRgb, H::Core), b16 = Make(16, kBiBitfields);
    const auto rle8 = Make(8, kBiRle8), rle4 = Make(4, kBiRle4), v5 = Make(32, kBiBitfields, H::V5);
    const uint32_t minus1 = 0xFFFFFFFF;
    return {
        {"empty", {}},
        {"only_the_signature", {'B', 'M'}},
        {"not_bm", Patched(b24, {Set16(0, 0x4142)})},
        {"header_size_0", Patched(b24, {Set32(kBiSize, 0)})},
        {"header_size_os2_v2", Patched(b24, {Set32(kBiSize, 64)})},
        {"header_size_41", Patched(b24, {Set32(kBiSize, 41)})},
        {"header_size_huge", Patched(b24, {Set32(kBiSize, minus1)})},
        {"header_longer_than_file", Patched(b24, {Set32(kBiSize, 124)})},
        {"width_0", Patched(b24, {Set32(kBiWidth, 0)})},
        {"width_negative", Patched(b24, {Set32(kBiWidth, minus1)})},
        {"width_huge", Patched(b24, {Set32(kBiWidth, 0x7FFFFFFF)})},
        {"width_just_beyond_limit", Patched(b24, {Set32(kBiWidth, (1u << 24) + 1)})},
        {"width_lies", Patched(b24, {Set32(kBiWidth, 6)})},
        {"height_0", Patched(b24, {Set32(kBiHeight, 0)})},
        {"height_most_negative", Patched(b24, {Set32(kBiHeight, 0x80000000)})},
        {"height_huge", Patched(b24, {Set32(kBiHeight, 1u << 24)})},
        {"height_lies", Patched(b24, {Set32(kBiHeight, 5)})},
        {"huge_1bit_picture_tiny_file",
         Patched(Make(1), {Set32(kBiWidth, 1u << 24), Set32(kBiHeight, 1u << 24)})},
        {"core_height_0", Patched(b4core, {Set16(kBcHeight, 0)})},
        {"core_planes_2", Patched(b4core, {Set16(kBcPlanes, 2)})},
        {"core_bpp_64", Patched(b4core, {Set16(kBcBitCount, 64)})},
        {"core_palette_beyond_end", Patched(Make(8, kBiRgb, H::Core, 1, 1), {Cut(600)})},
        {"planes_0", Patched(b24, {Set16(kBiPlanes, 0)})},
        {"planes_2", Patched(b24, {Set16(kBiPlanes, 2)})},
        {"bpp_0", Patched(b24, {Set16(kBiBitCount, 0)})},
        {"bpp_3", Patched(b8, {Set16(kBiBitCount, 3)})},
        {"bpp_15", Patched(b16, {Set16(kBiBitCount, 15)})},
        {"bpp_33", Patched(b24, {Set16(kBiBitCount, 33)})},
        {"bpp_48_pixels_missing", Patched(b24, {Set16(kBiBitCount, 48)})},
        {"bpp_64_bitfields", Patched(v5, {Set16(kBiBitCount, 64)})},
        {"compression_jpeg", Patched(b24, {Set32(kBiCompression, 4)})},
        {"compression_png", Patched(b24, {Set32(kBiCompression, 5)})},
        {"compression_alpha_bitfields", Patched(v5, {Set32(kBiCompression, 6)})},
        {"compression_unknown", Patched(b24, {Set32(kBiCompression, minus1)})},
        {"bitfields_24bit", Patched(b24, {Set32(kBiCompression, kBiBitfields)})},
        {"bitfields_8bit", Patched(b8, {Set32(kBiCompression, kBiBitfields)})},
        {"bitfields_masks_beyond_end", Patched(Make(16, kBiBitfields, H::Info, 1, 1), {Cut(8)})},
        {"rle8_at_4bit", Patched(rle8, {Set16(kBiBitCount, 4)})},
        {"rle4_at_8bit", Patched(rle4, {Set16(kBiBitCount, 8)})},
        {"rle8_at_24bit", Patched(b24, {Set32(kBiCompression, kBiRle8)})},
        {"rle8_top_down", Patched(rle8, {Set32(kBiHeight, static_cast<uint32_t>(-4))})},
        {"rle4_top_down", Patched(rle4, {Set32(kBiHeight, static_cast<uint32_t>(-4))})},
        {"offset_inside_header", Patched(b24, {Set32(kBfOffBits, 20)})},
        {"offset_at_end", Patched(b24, {[](auto& f) { Poke32(f, kBfOffBits, uint32_t(f.size())); }})},
        {"offset_beyond_end", Patched(b24, {Set32(kBfOffBits, minus1)})},
        {"offset_pushes_pixels_out", Patched(b24, {Set32(kBfOffBits, 55)})},
        {"offset_beyond_limit", Patched(b24, {Set32(kBfOffBits, uint32_t(kMaxPixelOffset + 1))})},
        {"offset_0_table_beyond_end", Patched(b8, {Set32(kBfOffBits, 0), Set32(kBiClrUsed, 0x40000000)})},
        {"offset_0_optional_table_beyond_end", Patched(b24, {Set32(kBfOffBits, 0), Set32(kBiClrUsed, 200)})},
        {"palette_beyond_end", Patched(Make(8, kBiRgb, H::Info, 1, 1), {Cut(1000)})},
        {"pixels_one_byte_short", Patched(b24, {Cut(1)})},
        {"top_down_pixels_short", Patched(b24, {Set32(kBiHeight, static_cast<uint32_t>(-4)), Cut(1)})},
        {"rle_run_below_last_row", RleFile({4, 1, 0, 0, 4, 1, 0, 0, 4, 1, 0, 0, 4, 1, 0, 1})},
        {"rle_eol_below_last_row", RleFile({4, 1, 0, 0, 4, 1, 0, 0, 4, 1, 0, 0, 0, 0, 0, 1})},
        {"rle_delta_below_last_row", RleFile({0, 2, 0, 4, 0, 1})},
        {"rle_delta_past_the_end_then_run", RleFile({0, 2, 1, 3, 1, 1, 0, 1})},
        {"rle_delta_cut", RleFile({4, 1, 0, 2, 1})},
        {"rle_absolute_cut", RleFile({0, 4, 1, 2, 3})},
        {"rle4_absolute_cut", RleFile({0, 5, 0x12, 0x34}, 4)},
        {"rle_absolute_below_last_row", RleFile({0, 2, 0, 3, 0, 3, 1, 2, 3, 0, 0, 1})},
        {"rle_ends_before_the_picture", RleFile({4, 1, 0, 0})},
        {"rle_one_byte", RleFile({0})},
        {"rle_stream_missing", Patched(RleFile({}), {Set32(kBfOffBits, 0)})},
        {"rle_last_row_short_no_end", RleFile({4, 1, 0, 0, 4, 1, 0, 0, 3, 1})},
    };
}

TEST_F(BmpMalformedTest, BrokenFilesAreRefusedEverywhere)
{
    for (const BrokenCase& c : BrokenFiles()) {
        SCOPED_TRACE(c.name);
        const Verdict v = Judge(c.file);
        EXPECT_FALSE(v.parsed);
        EXPECT_FALSE(v.decoded);
    }
}

// Every way of cutting a file short is refused, or (only for RLE, when nothing but the
// end-of-bitmap and padding is gone) gives the whole picture.
TEST_F(BmpMalformedTest, TruncatedFilesAreRefused)
{
    using H = BmpHeader;
    const std::vector<std::vector<uint8_t>> files = {
        Make(24),
        Make(1, kBiRgb, H::Core),
        Make(8, kBiRgb, H::V3),
        Make(16, kBiBitfields),
        Make(32, kBiBitfields, H::V5),
        Make(4, kBiRle4, H::Info, 9, 5, RleStyle::Absolute),
        Make(8, kBiRle8, H::Info, 9, 5, RleStyle::Delta),
        Make(8, kBiRle8, H::V4, 9, 5, RleStyle::Runs),
    };
    for (const auto& file : files) {
        const Verdict whole = Judge(file);
        ASSERT_TRUE(whole.decoded);
        const bool rle = Peek32(file, kBiSize) != 12 && Peek32(file, kBiCompression) != kBiRgb &&
                         Peek32(file, kBiCompression) != kBiBitfields;
        size_t accepted = 0;
        for (size_t size = 0; size < file.size(); ++size) {
            SCOPED_TRACE("header " + std::to_string(Peek32(file, kBiSize)) + ", cut at " +
                         std::to_string(size));
            const Verdict v = Judge({file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size)});
            accepted += v.parsed;
            if (v.decoded) {
                EXPECT_TRUE(SamePicture(v.image, whole.image));
            }
        }
        // At most the end-of-bitmap and the padding of a last absolute run may go.
        EXPECT_LE(accepted, rle ? 3u : 0u);
    }
}

// What encoders write carelessly, read as a user expects: the same picture as the
// clean file.
TEST_F(BmpMalformedTest, CarelessHeaderFieldsStillGiveThePicture)
{
    using H = BmpHeader;
    struct Lenient {
        const char* name;
        std::vector<uint8_t> clean, careless;
    };
    BmpParams big; // palette of 300 entries in an 8-bit file: 256 of them are usable
    big.bitsPerPixel = 8, big.width = 7, big.height = 3;
    for (uint32_t i = 0; i < 300; ++i)
        big.palette.push_back(i * 0x010307u & 0xFFFFFF);
    const auto pixel = [](int x, int y) { return static_cast<uint32_t>(x * 40 + y * 3) % 256; };
    BmpParams usable = big;
    usable.palette.resize(256);
    BmpParams bigNoOffset = big;
    bigNoOffset.writeOffBits = false;
    BmpParams gap = big;
    gap.gapBeforePixels = 37;
    const auto rle = Make(8, kBiRle8, H::Info, 9, 5, RleStyle::Runs);

    const std::vector<Lenient> cases = {
        {"bfSize_0", Make(24), Patched(Make(24), {Set32(kBfSize, 0)})},
        {"bfSize_too_big", Make(8), Patched(Make(8), {Set32(kBfSize, 1u << 30)})},
        {"bfSize_too_small", Make(8), Patched(Make(8), {Set32(kBfSize, 20)})},
        {"bfOffBits_0_info", Make(8), Patched(Make(8), {Set32(kBfOffBits, 0)})},
        {"bfOffBits_0_core", Make(4, kBiRgb, H::Core),
         Patched(Make(4, kBiRgb, H::Core), {Set32(kBfOffBits, 0)})},
        {"bfOffBits_0_bitfields", Make(16, kBiBitfields),
         Patched(Make(16, kBiBitfields), {Set32(kBfOffBits, 0)})},
        {"bfOffBits_0_v5", Make(32, kBiBitfields, H::V5),
         Patched(Make(32, kBiBitfields, H::V5), {Set32(kBfOffBits, 0)})},
        {"bfOffBits_0_rle", rle, Patched(rle, {Set32(kBfOffBits, 0)})},
        {"bitfields_without_masks", Make(16), Patched(Make(16), {Set32(kBiCompression, kBiBitfields)})},
        {"biSizeImage_0", Make(24), Patched(Make(24), {Set32(kBiSizeImage, 0)})},
        {"biSizeImage_wrong_rle", rle, Patched(rle, {Set32(kBiSizeImage, 3)})},
        {"biClrUsed_0", Make(4), Patched(Make(4), {Set32(kBiClrUsed, 0)})},
        {"biClrUsed_above_2_to_the_bits", MakeBmp(usable, pixel), MakeBmp(big, pixel)},
        {"biClrUsed_above_with_bfOffBits_0", MakeBmp(usable, pixel), MakeBmp(bigNoOffset, pixel)},
        {"gap_before_pixels", MakeBmp(usable, pixel), MakeBmp(gap, pixel)},
        {"trailing_bytes", Make(24),
         [] {
             auto f = Make(24);
             f.resize(f.size() + 999, 7);
             return f;
         }()},
        {"rle_without_end_of_bitmap", rle, Patched(rle, {Cut(2)})},
        {"rle_junk_after_end", rle,
         [&] {
             auto f = rle;
             f.insert(f.end(), {9, 9, 9});
             return f;
         }()},
    };
    for (const Lenient& c : cases) {
        SCOPED_TRACE(c.name);
        const Verdict clean = Judge(c.clean), careless = Judge(c.careless);
        ASSERT_TRUE(clean.decoded);
        ASSERT_TRUE(careless.decoded);
        EXPECT_TRUE(SamePicture(clean.image, careless.image));
    }
}

// RLE corners decoded to the rows Windows draws: runs past the right edge are cut off,
// skipped pixels are index 0, and a delta may end exactly at the top.
TEST_F(BmpMalformedTest, RleEdgesDecodeAsDrawn)
{
    struct RleCase {
        const char* name;
        std::vector<uint8_t> stream;
        int bpp;
        std::vector<std::vector<uint32_t>> rows; // bottom-up, indices
    };
    const std::vector<RleCase> cases = {
        {"run_clipped", {6, 7, 0, 0, 0, 0, 2, 3, 0, 1}, 8, {{7, 7, 7, 7}, {0, 0, 0, 0}, {3, 3, 0, 0}}},
        {"absolute_clipped", {0, 5, 1, 2, 3, 4, 5, 0, 0, 1}, 8, {{1, 2, 3, 4}, {0, 0, 0, 0}, {0, 0, 0, 0}}},
        {"delta_then_run", {0, 2, 1, 1, 2, 9, 0, 1}, 8, {{0, 0, 0, 0}, {0, 9, 9, 0}, {0, 0, 0, 0}}},
        {"delta_to_the_end", {1, 5, 0, 2, 0, 3, 0, 1}, 8, {{5, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}},
        {"rle4_alternating",
         {5, 0x12, 0, 0, 0, 3, 0xAB, 0xC0, 0, 1},
         4,
         {{1, 2, 1, 2}, {10, 11, 12, 0}, {0, 0, 0, 0}}},
    };
    for (const RleCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Verdict v = Judge(RleFile(c.stream, c.bpp));
        ASSERT_TRUE(v.decoded);
        for (size_t r = 0; r < c.rows.size(); ++r)
            for (size_t x = 0; x < 4; ++x) {
                const uint8_t byte = v.image.Row(static_cast<int32_t>(r))[c.bpp == 8 ? x : x / 2];
                const uint32_t index = c.bpp == 8 ? byte : (x % 2 ? byte & 15u : byte >> 4u);
                EXPECT_EQ(index, c.rows[r][x]) << "row " << r << " x " << x;
            }
    }
}

// 48 and 64 bits pass the header check (so that the program can say the format is not
// supported) but are never decoded; pictures beyond the pixel memory limit are known
// by their header and refused by the decoder before it takes memory.
TEST_F(BmpMalformedTest, DeepAndHugePicturesPassOnlyTheHeaderCheck)
{
    for (int bpp : {48, 64}) {
        BmpParams params;
        params.width = 3, params.height = 2, params.bitsPerPixel = 24;
        auto file = MakeBmp(params, [](int, int) { return 0u; });
        Poke16(file, kBiBitCount, static_cast<uint32_t>(bpp));
        file.resize(54 + static_cast<size_t>((3 * bpp + 31) / 32 * 4 * 2));
        const Verdict v = Judge(file);
        EXPECT_TRUE(v.parsed);
        EXPECT_EQ(v.info.bitsPerPixel, bpp);
        EXPECT_FALSE(v.decoded);
    }
    // An RLE picture of 8192 x 8193 bytes: an end-of-bitmap makes it all index 0.
    const Verdict huge = Judge(Patched(RleFile({0, 1}), {Set32(kBiWidth, 8192), Set32(kBiHeight, 8193)}));
    EXPECT_TRUE(huge.parsed);
    EXPECT_FALSE(huge.decoded);
    const Verdict fits = Judge(Patched(RleFile({0, 1}), {Set32(kBiWidth, 1024), Set32(kBiHeight, 1024)}));
    EXPECT_TRUE(fits.decoded);
}

// Random damage to the headers and the first pixels of files of every kind: whatever
// comes out, the four entry points agree and nothing reads out of bounds.
TEST_F(BmpMalformedTest, RandomDamageNeverBreaksTheReader)
{
    using H = BmpHeader;
    const std::vector<std::vector<uint8_t>> files = {Make(24, kBiRgb, H::Core),
                                                     Make(1),
                                                     Make(2, kBiRgb, H::V2),
                                                     Make(8, kBiRle8, H::Info, 7, 6, RleStyle::Delta),
                                                     Make(4, kBiRle4),
                                                     Make(16),
                                                     Make(32, kBiBitfields, H::V5)};
    std::mt19937 random(20240611);
    for (const auto& original : files) {
        for (int round = 0; round < 300; ++round) {
            std::vector<uint8_t> file = original;
            const int changes = 1 + static_cast<int>(random() % 3);
            for (int i = 0; i < changes; ++i) {
                const size_t at = random() % std::min<size_t>(file.size(), 80);
                file[at] = static_cast<uint8_t>(random() % 4 == 0 ? 0xFF : random());
            }
            // Damaged sizes can ask for up to kMaxPixelBytes of rows; the fuzz target
            // covers those, here they would only make the test slow.
            BmpInfo info;
            if (ParseBmpInfo(file.data(), file.size(), info) && int64_t{info.width} * info.height > (1 << 20))
                continue;
            SCOPED_TRACE("round " + std::to_string(round));
            Judge(file);
        }
    }
}

} // namespace
