// The PNG, JPEG and GIF readers against files their own libraries wrote, and against
// broken and hostile files: every refusal says why, none crashes.
#include <gtest/gtest.h>

#include "logo/ImageDecoders.h"
#include "logo/ImageFile.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/ImageWriters.h"
#include "tests/support/TempDir.h"

using namespace testing_support;

namespace {

uint32_t Mix(uint32_t v)
{
    v ^= v >> 16;
    v *= 0x7FEB352Du;
    v ^= v >> 15;
    return v;
}

// 16-bit samples keep their high byte (not rounded), and the transparent colour is
// matched on all 16 bits: 0x12FF is clear, 0x12FE is not.
TEST(PngFiles, SixteenBitSamplesAndTheTransparentColour)
{
    const struct {
        PngParams params;
        std::vector<uint16_t> samples; // the row's, pixel after pixel
        std::vector<uint8_t> rgba;
    } cases[] = {
        {{.width = 2, .height = 1, .colourType = 0, .bitDepth = 16, .transparentGrey = 0x12FF},
         {0x12FF, 0x12FE},
         {0x12, 0x12, 0x12, 0, 0x12, 0x12, 0x12, 255}},
        {{.width = 1, .height = 1, .colourType = 6, .bitDepth = 16},
         {0x80FF, 0x0180, 0xFF00, 0x7FFF},
         {0x80, 0x01, 0xFF, 0x7F}},
    };
    for (const auto& c : cases) {
        // Grey rows have one channel, the RGBA row one pixel: x + channel indexes both.
        const std::vector<uint8_t> file = EncodePng(
            c.params, [&c](int x, int, int channel) { return c.samples[static_cast<size_t>(x + channel)]; });
        DecodedImage image;
        std::string why;
        ASSERT_TRUE(DecodePng(file.data(), file.size(), image, why)) << why;
        ASSERT_EQ(image.layout, PixelLayout::Rgba);
        EXPECT_EQ(image.pixels, c.rgba);
    }
}

// Flat pictures, which JPEG's lossy coding keeps within a step or two: a grey file
// stays grey (one channel with its alpha), colour comes out RGBA in its order, opaque,
// and CMYK, which we cannot show truly, is refused.
TEST(JpegFiles, GreyAndColourDecodeToTheirLayoutsAndCmykIsRefused)
{
    const auto decode = [](const std::vector<uint8_t>& file, DecodedImage& image, std::string& why) {
        return DecodeImageBytes(file.data(), file.size(), image, why);
    };
    DecodedImage image;
    std::string why;
    ASSERT_TRUE(decode(EncodeJpeg(16, 16, std::vector<uint8_t>(16 * 16, 77), 1), image, why)) << why;
    ASSERT_EQ(image.layout, PixelLayout::GreyAlpha);
    EXPECT_NEAR(image.At(9, 9)[0], 77, 2);
    EXPECT_EQ(image.At(9, 9)[1], 255);

    std::vector<uint8_t> rgb;
    for (int i = 0; i < 16 * 16; ++i)
        rgb.insert(rgb.end(), {200, 40, 90});
    ASSERT_TRUE(decode(EncodeJpeg(16, 16, rgb), image, why)) << why;
    ASSERT_EQ(image.layout, PixelLayout::Rgba);
    const uint8_t* px = image.At(5, 11);
    EXPECT_NEAR(px[0], 200, 3);
    EXPECT_NEAR(px[1], 40, 3);
    EXPECT_NEAR(px[2], 90, 3);
    EXPECT_EQ(px[3], 255);

    image.width = 77; // a refusal leaves the image as it was
    EXPECT_FALSE(decode(EncodeJpeg(16, 16, std::vector<uint8_t>(16 * 16 * 4, 30), 4), image, why));
    EXPECT_EQ(why, "CMYK JPEG files are not supported");
    EXPECT_EQ(image.width, 77);
}

uint8_t GifIndex(int x, int y)
{
    return static_cast<uint8_t>((x * 3 + y * 5) % 4);
}

// Interlaced rows land in their picture rows; the transparent index is clear.
TEST(GifFiles, TransparencyAndInterlace)
{
    for (const bool interlace : {false, true}) {
        GifParams p{11, 19, {0xFF0000, 0x00FF00, 0x0000FF, 0x123456}, 2, interlace};
        std::vector<uint8_t> expected;
        for (int y = 0; y < 19; ++y)
            for (int x = 0; x < 11; ++x) {
                const uint32_t rgb = p.palette[GifIndex(x, y)];
                if (GifIndex(x, y) == 2)
                    expected.insert(expected.end(), {0, 0, 0, 0});
                else
                    expected.insert(expected.end(),
                                    {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 255});
            }
        const std::vector<uint8_t> file = EncodeGif(p, GifIndex);
        DecodedImage image;
        std::string why;
        ASSERT_TRUE(DecodeGif(file.data(), file.size(), image, why)) << why;
        ASSERT_EQ(image.width, 11);
        EXPECT_EQ(image.pixels, expected) << "interlace " << interlace;
    }
}

// Small valid files of each kind, made by the libraries themselves.
std::vector<uint8_t> SmallPng()
{
    return EncodePng({.width = 40, .height = 30}, [](int x, int y, int channel) {
        return static_cast<uint16_t>(Mix(static_cast<uint32_t>(x * 977 + y * 31 + channel)) & 255);
    });
}

std::vector<uint8_t> SmallGif()
{
    return EncodeGif(GifParams{40, 30, {0, 0xFFFFFF}, -1, false}, GifIndex);
}

std::vector<uint8_t> SmallJpeg()
{
    std::vector<uint8_t> rgb(40 * 30 * 3); // noise, so that the file is not all headers
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<uint8_t>(Mix(static_cast<uint32_t>(i)));
    return EncodeJpeg(40, 30, rgb);
}

struct Broken {
    const char* name;
    std::vector<uint8_t> (*make)();
    size_t keep;        // bytes kept of the file; 0 = all
    long flipAt;        // byte to invert, from the end when negative; 0 = none
    const char* reason; // the refusal starts with this
};

const Broken kBroken[] = {
    {"png_header_only", SmallPng, 33, 0, "truncated PNG"},
    {"png_bad_crc", SmallPng, 0, 29, "corrupted PNG"},
    {"jpeg_cut_in_header", SmallJpeg, 100, 0, "truncated JPEG"},
    {"jpeg_cut_in_data", SmallJpeg, 0, 0, "truncated JPEG"},
    {"jpeg_bad_marker", SmallJpeg, 0, 3, "corrupted JPEG"},
    {"gif_cut_in_data", SmallGif, 0, 0, "truncated GIF"},
    {"gif_bad_lzw", SmallGif, 0, -4, "corrupted GIF"},
};

class BrokenFiles : public ::testing::TestWithParam<Broken> {};

TEST_P(BrokenFiles, AreRefusedWithAReason)
{
    const Broken c = GetParam();
    std::vector<uint8_t> file = c.make();
    ASSERT_GT(file.size(), 100u);
    if (std::string(c.name).ends_with("_cut_in_data"))
        file.resize(file.size() * 2 / 3);
    else if (c.keep)
        file.resize(c.keep);
    if (c.flipAt)
        file[c.flipAt > 0 ? static_cast<size_t>(c.flipAt) : file.size() - static_cast<size_t>(-c.flipAt)] ^=
            0xFF;
    DecodedImage image;
    image.width = 77; // a failed decode leaves the image as it was
    std::string why;
    EXPECT_FALSE(DecodeImageBytes(file.data(), file.size(), image, why));
    EXPECT_EQ(why.rfind(c.reason, 0), 0u) << why;
    EXPECT_EQ(image.width, 77);
}

INSTANTIATE_TEST_SUITE_P(TruncatedAndCorrupted, BrokenFiles, ::testing::ValuesIn(kBroken),
                         [](const auto& param) { return std::string(param.param.name); });

uint32_t Crc32(const uint8_t* p, size_t n)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBe32(std::vector<uint8_t>& f, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        f[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// Headers that declare huge pictures over a few bytes of data: refused for their size
// before any pixel memory is taken (else the decoder would first fail on the data).
TEST(DimensionBombs, AreRefusedBeforeDecoding)
{
    std::vector<uint8_t> png = SmallPng();
    PutBe32(png, 16, 100000); // IHDR width
    PutBe32(png, 20, 100000); // IHDR height
    PutBe32(png, 29, Crc32(png.data() + 12, 17));

    std::vector<uint8_t> jpeg = SmallJpeg();
    for (size_t i = 2; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) { // SOF0: length, precision, height, width
            jpeg[i + 5] = jpeg[i + 7] = 0xEA;         // 60000: the largest the library reads is 65500
            jpeg[i + 6] = jpeg[i + 8] = 0x60;
            break;
        }

    std::vector<uint8_t> gif = SmallGif();
    gif[6] = gif[7] = gif[8] = gif[9] = 0xFF; // screen 65535 x 65535

    // Just over the NV area: 4096 dots wide needs 97 bands of 8 dots.
    std::vector<uint8_t> justOver = SmallPng();
    PutBe32(justOver, 16, 4096);
    PutBe32(justOver, 20, 97 * 8);
    PutBe32(justOver, 29, Crc32(justOver.data() + 12, 17));

    for (const auto& [name, file] :
         {std::pair{"png", png}, {"jpeg", jpeg}, {"gif", gif}, {"png 4096x776", justOver}}) {
        DecodedImage image;
        std::string why;
        EXPECT_FALSE(DecodeImageBytes(file.data(), file.size(), image, why)) << name;
        EXPECT_NE(why.find("too large"), std::string::npos) << name << ": " << why;
    }
    // Exactly the NV area still decodes as far as its size goes (then fails on data).
    PutBe32(justOver, 20, 96 * 8);
    PutBe32(justOver, 29, Crc32(justOver.data() + 12, 17));
    DecodedImage image;
    std::string why;
    EXPECT_FALSE(DecodeImageBytes(justOver.data(), justOver.size(), image, why));
    EXPECT_EQ(why.find("too large"), std::string::npos) << why;
    // The conversion's own, smaller limit.
    const std::vector<uint8_t> small = SmallPng();
    EXPECT_FALSE(DecodePng(small.data(), small.size(), image, why, 39));
    EXPECT_TRUE(DecodePng(small.data(), small.size(), image, why, 40 * 4)) << why;
}

TEST(FileKinds, AreJudgedByTheFirstBytes)
{
    TempDir dir;
    WriteFile(dir.File("logo.png"), SmallGif());
    dir.Write("notes.png", "just some text, not a picture");
    dir.Write("empty.gif", "");
    ImageInfo info;
    std::string why;
    ASSERT_TRUE(ReadImageInfo(dir.File("logo.png"), info, why)) << why;
    EXPECT_EQ(info.kind, ImageKind::Gif);
    EXPECT_EQ(info.width, 40);
    EXPECT_EQ(info.height, 30);
    for (const char* name : {"notes.png", "empty.gif"}) {
        EXPECT_FALSE(ReadImageInfo(dir.File(name), info, why));
        EXPECT_EQ(why, kNotAnImageReason);
        DecodedImage image;
        EXPECT_FALSE(LoadImageFile(dir.File(name), image, why));
        EXPECT_EQ(why, kNotAnImageReason);
    }
    EXPECT_FALSE(LoadImageFile(dir.File("missing.png"), *std::make_unique<DecodedImage>(), why));
    EXPECT_EQ(why.rfind("cannot be opened", 0), 0u) << why;
}

} // namespace
