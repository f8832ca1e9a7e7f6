// Real files from another program: ImageMagick's convert writes a PPM made here as BMP
// in many forms, and the reader must see the PPM's pixels in each of them. (The
// conversion and the command-line tool read files through this same reader.)
#include "logo/BmpFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "tests/support/BmpWriter.h"
#include "tests/support/TempDir.h"

using namespace testing_support;

namespace {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> rgb; // top row first
    uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y * width + x)]; }
};

uint32_t Mix(uint32_t v)
{
    v ^= v >> 16;
    v *= 0x7FEB352Du;
    v ^= v >> 15;
    return v;
}

// A picture of width x height drawn from `colours` distinct colours (2 = black and
// white), with runs and noise so that the RLE encoder uses both of its modes.
Picture MakePicture(int width, int height, uint32_t colours)
{
    Picture p{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t pick =
                (x / 4 + y) % 3 == 0 ? static_cast<uint32_t>(y) : Mix(static_cast<uint32_t>(x * 131 + y));
            const uint32_t c = pick % colours;
            p.rgb.push_back(colours == 2 ? (c ? 0xFFFFFF : 0) : Mix(c + 7) & 0xFFFFFF);
        }
    return p;
}

void WritePpm(const std::string& path, const Picture& p)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << p.width << " " << p.height << "\n255\n";
    for (uint32_t c : p.rgb) {
        const char rgb[3] = {static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c)};
        out.write(rgb, 3);
    }
}

bool HaveConvert()
{
    return std::system("command -v convert >/dev/null 2>&1") == 0;
}

struct Conversion {
    const char* name;
    const char* options; // convert's options and the output format prefix
    uint32_t colours;    // of the picture: 2 (black and white), <= 16, <= 256 or many
    int bitsPerPixel;
    uint32_t headerSize;
    uint32_t compression;
    int tolerance; // per channel
};

// What Debian 12's ImageMagick 6 writes for each set of options. "+dither -colors n"
// makes a palette file (lossless here: the pictures have at most n colours).
const Conversion kConversions[] = {
    {"rgb24_info", "BMP3:", 5000, 24, 40, 0, 0},
    {"rgb24_core", "BMP2:", 5000, 24, 12, 0, 0},
    {"argb32_v5_bitfields", "-alpha on BMP:", 5000, 32, 124, 3, 0},
    {"rgb565_v5", "-define bmp:subtype=RGB565 BMP:", 5000, 16, 124, 3, 8},
    {"rgb555_v5", "-define bmp:subtype=RGB555 BMP:", 5000, 16, 124, 3, 8},
    // A 40-byte header that says BI_BITFIELDS but carries no masks.
    {"rgb555_info_no_masks", "-define bmp:subtype=RGB555 -define bmp:format=bmp3 BMP:", 5000, 16, 40, 3, 8},
    {"palette8_info", "+dither -colors 256 -compress None BMP3:", 200, 8, 40, 0, 0},
    {"palette4_core", "+dither -colors 16 BMP2:", 11, 4, 12, 0, 0},
    {"bilevel_info", "+dither -colors 2 BMP3:", 2, 1, 40, 0, 0},
    {"rle8_info", "+dither -colors 256 -compress RLE BMP3:", 200, 8, 40, 1, 0},
};

class BmpImageMagickTest : public ::testing::TestWithParam<Conversion> {};

TEST_P(BmpImageMagickTest, ReadsWhatConvertWrote)
{
    if (!HaveConvert())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    const Conversion& c = GetParam();
    TempDir dir;
    for (auto [width, height] : {std::pair{1, 1}, {33, 9}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const Picture picture = MakePicture(width, height, c.colours);
        WritePpm(dir.File("in.ppm"), picture);
        const std::string out = dir.File("out.bmp");
        const std::string command = "convert " + dir.File("in.ppm") + " " + c.options + out + " 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;

        BmpImage image;
        ASSERT_TRUE(LoadBmp(out, image));
        BmpInfo info;
        ASSERT_TRUE(ReadBmpInfo(out, info));
        ASSERT_EQ(info.bitsPerPixel, image.bitsPerPixel);
        // The file is in the form these options promise, or the test proves nothing.
        const bool smallPicture = width * height <= 16; // ImageMagick picks fewer bits for those
        if (!smallPicture || c.bitsPerPixel > 8) {
            ASSERT_EQ(image.bitsPerPixel, c.bitsPerPixel);
        }
        ASSERT_EQ(Peek32(image.FileBytes(), 14), c.headerSize);
        if (c.headerSize != 12) {
            ASSERT_EQ(Peek32(image.FileBytes(), 30), c.compression);
        }
        ASSERT_EQ(image.width, width);
        ASSERT_EQ(image.height, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint32_t got = image.RgbAt(x, y), want = picture.At(x, y);
                for (int shift : {16, 8, 0}) {
                    const int diff =
                        static_cast<int>((got >> shift) & 255) - static_cast<int>((want >> shift) & 255);
                    ASSERT_LE(std::abs(diff), c.tolerance)
                        << "x " << x << " y " << y << " got " << std::hex << got << " want " << want;
                }
            }
    }
}

INSTANTIATE_TEST_SUITE_P(Convert, BmpImageMagickTest, ::testing::ValuesIn(kConversions),
                         [](const auto& param) { return std::string(param.param.name); });

} // namespace
