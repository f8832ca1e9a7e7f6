// What the printer would store after a download equals the pictures thresholded by
// hand: BMP files -> download stream -> decoded as the printer does -> dots.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "app/SharedRecord.h"
#include "download/NvDownload.h"
#include "download/NvImage.h"
#include "download/NvStream.h"
#include "download/StreamDecoder.h"
#include "logo/LogoLoader.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempDir.h"

using namespace testing_support;

namespace {

// Colours and 16-bit words with their greys (worked out by hand).
const std::pair<uint32_t, int> kColours[] = {{0x000000, 0},  {0xFFFFFF, 255}, {0xFF0000, 76}, {0x00FF00, 150},
                                             {0x0000FF, 28}, {0x808080, 128}, {0xFEFEFE, 253}};
const std::pair<uint32_t, int> kWords[] = {
    {0x7FFF, 248}, {0x0000, 0}, {0x4210, 128}, {0x1CE7, 56}, {0x7C00, 74}};

struct Picture {
    BmpParams params;
    bool centre;
    std::vector<uint32_t> pixels;  // row-major from the top
    std::vector<uint8_t> expected; // 1 = dot, row-major, the picture's own size
};

class RoundTripTest : public ::testing::TestWithParam<int> {
protected:
    Picture Make(int width, int height, int bits, bool centre)
    {
        Picture p;
        p.params.width = width;
        p.params.height = height;
        p.params.bitsPerPixel = bits;
        p.centre = centre;
        if (bits == 1)
            p.params.palette =
                random() % 2 ? std::vector<uint32_t>{0xFFFFFF, 0} : std::vector<uint32_t>{0, 0xFFFFFF};
        const int threshold = GetParam();
        for (int i = 0; i < width * height; ++i) {
            uint32_t value;
            bool dot;
            if (bits == 24 || bits == 32) {
                const auto& c = kColours[random() % std::size(kColours)];
                value = c.first, dot = c.second < threshold;
            } else if (bits == 16) {
                const auto& w = kWords[random() % std::size(kWords)];
                value = w.first, dot = w.second < threshold;
            } else {
                value = static_cast<uint32_t>(random() % (1u << bits));
                dot = bits == 8   ? 255 - static_cast<int>(value) >= threshold
                      : bits == 4 ? value <= 8
                      : bits == 2 ? value == 0
                                  : (value == 1) == ((p.params.palette[0] & 0xFF) != 0);
            }
            p.pixels.push_back(value);
            p.expected.push_back(dot);
        }
        return p;
    }

    // The dots the printer holds for p: margins to multiples of 8, centring on the left.
    static DotImage Expected(const Picture& p, int maxWidth)
    {
        const int width8 = (p.params.width + 7) / 8 * 8, height8 = (p.params.height + 7) / 8 * 8;
        const int pad = p.centre && width8 < maxWidth ? ((maxWidth - width8) / 2 + 7) / 8 * 8 : 0;
        DotImage image{width8 + pad, height8,
                       std::vector<uint8_t>(static_cast<size_t>((width8 + pad) * height8))};
        for (int y = 0; y < p.params.height; ++y)
            for (int x = 0; x < p.params.width; ++x)
                image.dots[static_cast<size_t>(y * image.width + pad + x)] =
                    p.expected[static_cast<size_t>(y * p.params.width + x)];
        return image;
    }

    FakePlatform fake;
    TempDir dir;
    std::mt19937 random{static_cast<unsigned>(GetParam())};
};

TEST_P(RoundTripTest, TheStoredDotsAreThePicturesThresholded)
{
    CLogoLoader loader;
    g_Shared.m_nThreshold = GetParam();
    g_Shared.m_nMaxPrintWidth = GetParam() == 128 ? 512 : 383;
    const int sizes[][2] = {{1, 1}, {7, 13}, {100, 50}, {33, 9}, {250, 3}, {64, 16}};
    std::vector<Picture> pictures;
    for (int bits : {1, 2, 4, 8, 16, 24, 32})
        for (const auto& size : sizes) {
            const bool centre = (pictures.size() % 3) == 1;
            pictures.push_back(Make(size[0], size[1], bits, centre));
            const Picture& p = pictures.back();
            const std::string path = dir.File(std::to_string(pictures.size()) + ".bmp");
            WriteFile(path, MakeBmp(p.params, [&](int x, int y) {
                          return p.pixels[static_cast<size_t>(y * size[0] + x)];
                      }));
            loader.m_strFilePath = path;
            ASSERT_TRUE(loader.AddFile(0, path));
            g_Shared.m_arrAutoCenter[pictures.size() - 1] = centre;
        }

    MemorySink sink;
    NvStreamWriter writer(sink, false);
    auto image = std::make_unique<CNvImage>();
    std::vector<int> emptyRows;
    ASSERT_TRUE(WriteNvDownload(writer, *image, emptyRows));
    EXPECT_TRUE(emptyRows.empty());

    const DecodedStream stream = DecodeStream(sink.bytes);
    ASSERT_TRUE(stream.complete) << stream.error << " at " << stream.errorOffset;
    ASSERT_EQ(stream.definitions.size(), pictures.size());
    for (size_t i = 0; i < pictures.size(); ++i) {
        const Picture& p = pictures[i];
        EXPECT_EQ(stream.definitions[i].Dots(), Expected(p, g_Shared.m_nMaxPrintWidth))
            << p.params.bitsPerPixel << " bits, " << p.params.width << " x " << p.params.height
            << (p.centre ? " centred" : "");
    }
}

INSTANTIATE_TEST_SUITE_P(Thresholds, RoundTripTest, ::testing::Values(128, 200, 0, 255));

} // namespace
