// The download stream: the worked examples byte by byte, stops and failures, the check
// of the listed files before anything is sent, and the round trip through the decoder.
#include "download/DownloadWalk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <set>

#include "download/NvDownload.h"
#include "download/NvImage.h"
#include "download/StreamDecoder.h"
#include "logo/LogoLoader.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using Bytes = std::vector<uint8_t>;

namespace {

// The bytes of write n of a sink.
Bytes Written(const MemorySink& sink, size_t n)
{
    size_t offset = 0;
    for (size_t i = 0; i < n; ++i)
        offset += sink.writes[i];
    const auto from = sink.bytes.begin() + static_cast<std::ptrdiff_t>(offset);
    return Bytes(from, from + sink.writes[n]);
}

const PixelFn kBlack = [](int, int) { return 0u; };

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The raster of an all-black 100 x 50 picture, column by column: 6 full bytes and the
// top two dots of the 7th, then 4 white margin columns.
Bytes Black100x50Raster()
{
    Bytes raster;
    for (int x = 0; x < 104; ++x)
        for (int r = 0; r < 7; ++r)
            raster.push_back(x >= 100 ? 0x00 : r < 6 ? 0xFF : 0xC0);
    return raster;
}

class NvStreamTest : public ::testing::Test {
protected:
    // Lists a picture as the Selection page does; 24 bits, black, unless said otherwise.
    void List(const std::string& name, int width, int height, const PixelFn& pixel = kBlack,
              BmpParams params = {})
    {
        params.width = width;
        params.height = height;
        WriteFile(dir.File(name), MakeBmp(params, pixel));
        ASSERT_TRUE(loader.AddFile(0, dir.File(name)).Added());
    }
    // The download driver paced as the command line paces it, with its pauses on the
    // virtual clock, or without pauses.
    CSinkDownload Walk(bool pauses = true)
    {
        return CSinkDownload(list, {threshold, maxPrintWidth}, sink,
                             pauses ? CSinkDownload::PauseFn([this](int ms) { fake.clock.Sleep(ms); })
                                    : CSinkDownload::PauseFn());
    }
    bool Download(bool pauses = true)
    {
        if (list.Empty())
            return SendDeleteAll(sink);
        CSinkDownload walk = Walk(pauses);
        const bool sent = walk.RunToEnd();
        centringBytes = walk.m_image->m_nCentringBytes;
        totalBytes = walk.m_nTotalBytes;
        return sent;
    }

    FakePlatform fake;
    TempDir dir;
    LogoList list;
    CLogoLoader loader{list};
    MemorySink sink;
    std::unique_ptr<CNvImage> image = std::make_unique<CNvImage>();
    int centringBytes = 0;
    int64_t totalBytes = 0; // the run's total as its progress shows it
    int threshold = 128;
    int maxPrintWidth = 512;
};

TEST_F(NvStreamTest, TwoLogosOf100By50)
{
    List("a.bmp", 100, 50);
    List("b.bmp", 100, 50);
    ASSERT_TRUE(Download());
    const Bytes raster = Black100x50Raster();
    EXPECT_EQ(sink.bytes, Bytes({0x1C, 0x71, 0x02}) + Bytes({0x0D, 0x00, 0x07, 0x00}) + raster +
                              Bytes({0x0D, 0x00, 0x07, 0x00}) + raster);
    EXPECT_THAT(sink.writes, ElementsAre(3, 4, 512, 216, 4, 512, 216));
    EXPECT_THAT(fake.clock.sleeps, ElementsAre(3500, 10, 10, 10, 10));
}

TEST_F(NvStreamTest, EightByEightWithOneDot)
{
    List("dot.bmp", 8, 8, [](int x, int y) { return x == 2 && y == 5 ? 0u : 0xFFFFFFu; });
    ASSERT_TRUE(Download());
    EXPECT_THAT(sink.bytes,
                ElementsAreArray({0x1C, 0x71, 0x01, 0x01, 0x00, 0x01, 0x00, 0, 0, 0x04, 0, 0, 0, 0, 0}));
    EXPECT_THAT(sink.writes, ElementsAre(3, 4, 8));
    EXPECT_THAT(fake.clock.sleeps, ElementsAre(3500, 10));
}

TEST_F(NvStreamTest, AnExactMultipleOf512EndsWithAnEmptyPiece)
{
    List("wide.bmp", 512, 8);
    ASSERT_TRUE(Download());
    EXPECT_EQ(sink.bytes, Bytes({0x1C, 0x71, 0x01, 0x40, 0x00, 0x01, 0x00}) + Bytes(512, 0xFF));
    EXPECT_THAT(sink.writes, ElementsAre(3, 4, 512, 0));
    EXPECT_THAT(fake.clock.sleeps, ElementsAre(3500, 10, 10));
}

TEST_F(NvStreamTest, ACentredImageIsSentWithItsBlankColumns)
{
    List("c.bmp", 100, 50);
    list.SetCentre(0, true);
    // The list counts the logo's own size; a run adds its blank columns, every run anew.
    for (int run = 0; run < 2; ++run) {
        sink = MemorySink{};
        ASSERT_TRUE(Download());
        EXPECT_EQ(sink.bytes,
                  Bytes({0x1C, 0x71, 0x01, 0x27, 0x00, 0x07, 0x00}) + Bytes(1456, 0) + Black100x50Raster());
        EXPECT_THAT(sink.writes, ElementsAre(3, 4, 512, 512, 512, 512, 136));
        EXPECT_EQ(centringBytes, 1456);
        EXPECT_EQ(totalBytes, 728 + 1456);
        EXPECT_EQ(list.TotalBytes(), 728);
    }
}

TEST_F(NvStreamTest, TwoHundredFiftyFiveLogosInAscendingNumberOrderWithoutPauses)
{
    for (int i = 0; i < 255; ++i)
        List("l" + std::to_string(i) + ".bmp", 1 + i % 3 * 8, 1);
    // Number 2 given again to a file 17 dots wide, listed last: it goes second.
    loader.RemoveFile(2);
    List("wider.bmp", 17, 1);
    ASSERT_TRUE(Download(false));
    EXPECT_EQ(sink.writes.size(), 1u + 255 * 2);
    EXPECT_EQ(Written(sink, 0), Bytes({0x1C, 0x71, 0xFF}));
    EXPECT_EQ(Written(sink, 1), Bytes({0x01, 0x00, 0x01, 0x00})); // number 1: 1 dot wide
    EXPECT_EQ(Written(sink, 3), Bytes({0x03, 0x00, 0x01, 0x00})); // number 2: 17 dots wide
    EXPECT_EQ(Written(sink, 5), Bytes({0x03, 0x00, 0x01, 0x00})); // number 3: 17 dots wide
    EXPECT_TRUE(fake.clock.sleeps.empty());
}

TEST_F(NvStreamTest, AnEmptyListDeletesAllImagesInOneWrite)
{
    ASSERT_TRUE(Download());
    EXPECT_EQ(sink.bytes, Bytes({0x1C, 0x71, 0x01, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_THAT(sink.writes, ElementsAre(7));
    EXPECT_TRUE(fake.clock.sleeps.empty());

    sink.failing = {1};
    EXPECT_FALSE(Download());
}

// Stopped between images after 2 of 5: the two went out whole, then one group more
// than the three definitions still owed, then the settle wait.
TEST_F(NvStreamTest, CancelAfterTwoOfFive)
{
    for (int i = 0; i < 5; ++i)
        List("l" + std::to_string(i) + ".bmp", 8, 8);
    CSinkDownload walk = Walk();
    ASSERT_TRUE(walk.RunToEnd([&] { return walk.m_nDefined == 2; }));
    EXPECT_TRUE(walk.m_bStop);
    ASSERT_EQ(walk.CompleteStopped(30), 0);
    const Bytes record = Bytes({1, 0, 1, 0}) + Bytes(8, 0xFF);
    EXPECT_EQ(sink.bytes, Bytes({0x1C, 0x71, 0x05}) + record + record + Bytes(16, 0));
    EXPECT_THAT(sink.writes, ElementsAre(3, 4, 8, 4, 8, 4, 4, 4, 4));
    EXPECT_THAT(fake.clock.sleeps, ElementsAre(3500, 10, 10, 30)); // no pause between groups
}

// Every failed group is counted and the rest still go; the settle wait is skipped.
TEST_F(NvStreamTest, AFailedCompletionGroupIsCountedAndTheRestStillGo)
{
    for (int i = 0; i < 3; ++i)
        List("l" + std::to_string(i) + ".bmp", 8, 8);
    CSinkDownload walk = Walk();
    ASSERT_TRUE(walk.RunToEnd([] { return true; })); // stopped before the first image
    sink = MemorySink{};
    fake.clock.sleeps.clear();
    sink.failing = {1, 2};
    EXPECT_EQ(walk.CompleteStopped(500), 2);
    EXPECT_EQ(sink.writes.size(), 4u);
    EXPECT_TRUE(fake.clock.sleeps.empty());
}

// Everything FS q and the converter can take passes; the first file beyond either, or
// one gone since it was listed, is named in one message before anything is sent. Should
// such a file turn up once the download runs, it goes out as an empty definition.
TEST_F(NvStreamTest, TheCheckNamesTheFirstFileThatCannotBeDefined)
{
    struct Case {
        const char* name;
        int width, height;
        bool centre;
        const char* message; // nullptr: accepted
    };
    const Case cases[] = {
        {"full.bmp", 512, 2304, false, nullptr},         // the whole raster, 288 units down
        {"tall.bmp", 8, 2312, false, "8 x 2312 dots"},   // 289 units down
        {"widest.bmp", 8184, 8, false, nullptr},         // 1023 units across
        {"wider.bmp", 8185, 8, false, "8192 x 8 dots"},  // 1024 units across
        {"centred.bmp", 8, 2304, true, nullptr},         // 264 columns once centred
        {"heavy.bmp", 600, 2304, false, "172800 bytes"}, // within FS q, beyond the raster
        {"gone.bmp", 8, 8, false, ""},                   // removed once listed
    };
    List("ok.bmp", 8, 8);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // One bit a pixel: small on disk at any size.
        WriteFile(dir.File(c.name),
                  MakeBmp({.width = c.width, .height = c.height, .bitsPerPixel = 1}, kBlack));
        // Listed as it was when it still fitted: the check looks at the file as it is now.
        list.Append({0, dir.File(c.name), c.name, ImageKind::Bmp, 8, 8, 8, c.centre});
        if (std::string(c.name) == "gone.bmp")
            std::remove(dir.File(c.name).c_str());
        const std::string refusal = ListedLogoRefusal(DownloadJobs(list), {128, 512});
        EXPECT_EQ(PrepareNvImage(*image, list.At(1).path, {128, 512, c.centre}), c.message == nullptr);
        loader.RemoveFile(list.At(1).number);
        EXPECT_EQ(image->m_nLength == 0 && image->m_nWidth == 0 && image->m_nHeight == 0,
                  c.message != nullptr);
        EXPECT_EQ(refusal.empty(), c.message == nullptr);
        if (c.message) {
            EXPECT_THAT(refusal, HasSubstr(dir.File(c.name)));
            EXPECT_THAT(refusal, HasSubstr(c.message));
        }
    }
}

// Colours and 16-bit words with their greys (worked out by hand).
const std::vector<std::pair<uint32_t, int>> kColours = {{0x000000, 0},   {0xFFFFFF, 255}, {0xFF0000, 76},
                                                        {0x00FF00, 150}, {0x0000FF, 28},  {0x808080, 128},
                                                        {0xFEFEFE, 253}};
const std::vector<std::pair<uint32_t, int>> kWords = {
    {0x7FFF, 248}, {0x0000, 0}, {0x4210, 128}, {0x1CE7, 56}, {0x7C00, 74}};

// A picture's pixels and, worked out without the converter, its dots (row-major).
struct Picture {
    BmpParams params;
    std::vector<uint32_t> pixels;
    std::vector<uint8_t> dots;
};

Picture MakePicture(std::mt19937& random, int width, int height, int bits, int threshold)
{
    Picture p;
    p.params.bitsPerPixel = bits;
    // Palettes that say nothing about the index rules.
    for (uint32_t i = 0; bits <= 8 && i < (1u << bits); ++i)
        p.params.palette.push_back(random() % 2 ? 0xFFFFFFu : 0u);
    const auto& greys = bits == 16 ? kWords : kColours;
    for (int i = 0; i < width * height; ++i) {
        const auto [value, grey] = bits > 8 ? greys[random() % greys.size()]
                                            : std::pair{static_cast<uint32_t>(random() % (1u << bits)), 0};
        const bool dot = bits > 8    ? grey < threshold
                         : bits == 8 ? 255 - static_cast<int>(value) >= threshold
                         : bits == 4 ? value <= 8
                         : bits == 2 ? value == 0
                                     : (value == 1) == ((p.params.palette[0] & 0xFF) != 0); // file byte 54
        p.pixels.push_back(value);
        p.dots.push_back(dot);
    }
    return p;
}

// The dots the printer holds for a picture: margins to multiples of 8, centring on the left.
DotImage Expected(const Picture& p, int width, int height, bool centre, int maxWidth)
{
    const int width8 = (width + 7) / 8 * 8, height8 = (height + 7) / 8 * 8;
    const int pad = centre && width8 < maxWidth ? ((maxWidth - width8) / 2 + 7) / 8 * 8 : 0;
    DotImage image{width8 + pad, height8,
                   std::vector<uint8_t>(static_cast<size_t>((width8 + pad) * height8))};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.dots[static_cast<size_t>(y * image.width + pad + x)] =
                p.dots[static_cast<size_t>(y * width + x)];
    return image;
}

class RoundTripTest : public NvStreamTest, public ::testing::WithParamInterface<int> {};

// What the printer would store after a download equals the pictures thresholded by
// hand: BMP files -> download stream -> decoded as the printer does -> dots. Every
// third picture is centred, up to a maximum width of 512 or 511 dots; the widest are
// as wide as (or wider than) that maximum and get no blank columns.
TEST_P(RoundTripTest, TheStoredDotsAreThePicturesThresholded)
{
    threshold = GetParam();
    maxPrintWidth = threshold == 128 ? 512 : 511;
    std::mt19937 random(static_cast<unsigned>(threshold));
    const std::pair<int, int> sizes[] = {{1, 1}, {7, 13}, {100, 50}, {33, 9}, {250, 3}, {64, 16}, {512, 3}};
    std::vector<Picture> pictures;
    for (int bits : {1, 2, 4, 8, 16, 24, 32})
        for (const auto& [width, height] : sizes) {
            const Picture& p = pictures.emplace_back(MakePicture(random, width, height, bits, threshold));
            const size_t row = pictures.size() - 1;
            List(
                std::to_string(row) + ".bmp", width, height,
                [&p, w = width](int x, int y) { return p.pixels[static_cast<size_t>(y * w + x)]; }, p.params);
            list.SetCentre(static_cast<int>(row), row % 3 == 1);
        }
    ASSERT_TRUE(Download(false));
    const DecodedStream stream = DecodeStream(sink.bytes);
    ASSERT_TRUE(stream.complete) << stream.error << " at " << stream.errorOffset;
    ASSERT_EQ(stream.definitions.size(), pictures.size());
    for (size_t i = 0; i < pictures.size(); ++i) {
        const auto& [width, height] = sizes[i % std::size(sizes)];
        EXPECT_EQ(stream.definitions[i].Dots(),
                  Expected(pictures[i], width, height, i % 3 == 1, maxPrintWidth))
            << pictures[i].params.bitsPerPixel << " bits, " << width << " x " << height;
    }
}

INSTANTIATE_TEST_SUITE_P(Thresholds, RoundTripTest, ::testing::Values(128, 200, 0, 255));

} // namespace
