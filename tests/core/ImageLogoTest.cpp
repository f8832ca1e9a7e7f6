// PNG, JPEG and GIF logos on the road of a download: listed with their sizes and the
// capacity rules, checked before a download, and converted in every halftone mode into
// the stream.
#include <gtest/gtest.h>

#include <filesystem>

#include "download/DownloadWalk.h"
#include "download/Halftone.h"
#include "download/StreamDecoder.h"
#include "logo/ImageFile.h"
#include "logo/LogoLoader.h"
#include "platform/Messages.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/ImageWriters.h"
#include "tests/support/TempDir.h"

using namespace testing_support;

namespace {

// An 8-bit BMP as image editors write them: the palette is in no particular order, and
// white, which most of the logo is, stands at index 39.
std::string WriteEditorBmp(const std::string& path, int width, int height)
{
    BmpParams params{.width = width, .height = height, .bitsPerPixel = 8};
    params.palette.assign(256, 0x000000);
    params.palette[39] = 0xFFFFFF;
    WriteFile(path, MakeBmp(params, [](int x, int y) { return (x + y) % 7 == 0 ? 3u : 39u; }));
    return path;
}

// A 24-bit BMP with the same shades as the PNG and JPEG.
std::string WriteShadedBmp(const std::string& path, int width, int height)
{
    WriteFile(path, MakeBmp(BmpParams{.width = width, .height = height}, [=](int x, int y) {
                  const auto v = static_cast<uint32_t>(x * 200 / (width - 1) + (y * 2 >= height ? 0 : 35));
                  return v * 0x010101u;
              }));
    return path;
}

class ImageLogoTest : public ::testing::Test {
protected:
    bool Pick(const std::string& path) { return loader.AddFile(0, path).Added(); }
    // The driver writing into memory without pauses, as nivora-cli writes a file.
    std::vector<uint8_t> Stream(int threshold, int maxPrintWidth, HalftoneMode halftone)
    {
        MemorySink sink;
        CSinkDownload walk(list, {threshold, maxPrintWidth, false, halftone, {}}, sink);
        EXPECT_TRUE(walk.RunToEnd());
        EXPECT_TRUE(walk.m_arrEmptyImages.empty());
        return sink.bytes;
    }

    FakePlatform fake;
    TempDir dir;
    LogoList list;
    CLogoLoader loader{list};
};

TEST_F(ImageLogoTest, PngJpegAndGifFilesAreListedWithTheirNvSizes)
{
    const struct {
        std::string path;
        ImageKind kind;
        int32_t size;
    } cases[] = {
        {WriteShadedPng(dir.File("a.png"), 100, 50), ImageKind::Png, 728},    // 7 bands x 104
        {WriteShadedJpeg(dir.File("b.jpg"), 201, 96), ImageKind::Jpeg, 2496}, // 12 x 208
        {WriteBarsGif(dir.File("c.gif"), 1, 1), ImageKind::Gif, 8},
        // Named for another kind: the first bytes decide.
        {WriteShadedPng(dir.File("d.bmp"), 8, 8), ImageKind::Png, 8},
    };
    for (const auto& c : cases)
        ASSERT_TRUE(Pick(c.path)) << c.path;
    ASSERT_EQ(list.Count(), 4);
    for (size_t i = 0; i < 4; ++i) {
        const Logo& logo = list.At(static_cast<int>(i));
        EXPECT_EQ(logo.kind, cases[i].kind);
        EXPECT_EQ(logo.nvSize, cases[i].size);
    }
    EXPECT_EQ(list.TotalBytes(), 3240);
}

// The NV area holds 393216 bytes: 147456 + 147456 + 98304 fill it exactly.
TEST_F(ImageLogoTest, TheCapacityRulesUseThePicturesWidthAndHeight)
{
    ASSERT_TRUE(Pick(WriteShadedPng(dir.File("a.png"), 512, 2304)));
    ASSERT_TRUE(Pick(WriteShadedJpeg(dir.File("b.jpg"), 505, 2300)));
    ASSERT_TRUE(Pick(WriteBarsGif(dir.File("c.gif"), 512, 1536)));
    EXPECT_EQ(list.TotalBytes(), 393216);

    EXPECT_EQ(loader.AddFile(0, WriteShadedPng(dir.File("d.png"), 1, 1)).outcome, AddOutcome::DoesNotFit);
    EXPECT_EQ(list.Count(), 3);
    // A stored file that does not fit is a failed one.
    EXPECT_EQ(loader.AddFile(4, dir.File("d.png")).reason, "does not fit: 0 KByte left");
    EXPECT_EQ(list.FailedNumbers(), std::vector<int32_t>{4});
}

TEST_F(ImageLogoTest, TheDownloadCheckReadsTheSizesOfEveryKind)
{
    ASSERT_TRUE(Pick(WriteShadedPng(dir.File("a.png"), 100, 50)));
    ASSERT_TRUE(Pick(WriteBarsGif(dir.File("wide.gif"), 512, 2304)));
    EXPECT_EQ(ListedRasterLength(list, 0, {128, 512}), 728);
    list.SetCentre(0, true);
    EXPECT_EQ(ListedRasterLength(list, 0, {128, 512}), 2184); // 208 blank columns of 7 bytes
    EXPECT_EQ(ListedLogoRefusal(DownloadJobs(list), {128, 512}), "");

    // Centring adds nothing to a picture as wide as the printable width. A file
    // replaced by a text is caught before anything is sent.
    list.SetCentre(1, true);
    EXPECT_EQ(ListedLogoRefusal(DownloadJobs(list), {128, 511}), "");
    dir.Write("wide.gif", "GIF89a but nothing more");
    EXPECT_NE(ListedLogoRefusal(DownloadJobs(list), {128, 512}).find(dir.File("wide.gif")),
              std::string::npos);
}

// Every mode, every kind, centred or not: the stream carries exactly the dots of the
// halftone of the file's colours, in the raster's layout with white margins.
TEST_F(ImageLogoTest, EachHalftoneModeEndToEndThroughTheStream)
{
    const std::string files[] = {
        WriteShadedPng(dir.File("a.png"), 45, 21), WriteShadedJpeg(dir.File("b.jpg"), 37, 30),
        WriteBarsGif(dir.File("c.gif"), 30, 9), WriteShadedBmp(dir.File("d.bmp"), 43, 19),
        WriteEditorBmp(dir.File("e.bmp"), 20, 12)};
    for (const std::string& file : files)
        ASSERT_TRUE(Pick(file)) << file;
    list.SetCentre(1, true);
    list.SetCentre(3, true);
    const int threshold = 140, maxWidth = 200;
    for (const HalftoneMode mode : kHalftoneModes) {
        SCOPED_TRACE(HalftoneLabel(mode));
        const DecodedStream stream = DecodeStream(Stream(threshold, maxWidth, mode));
        ASSERT_TRUE(stream.complete) << stream.error;
        ASSERT_EQ(stream.definitions.size(), 5u);
        for (size_t i = 0; i < 5; ++i) {
            const bool bmp = i >= 3;
            if (bmp && mode == HalftoneMode::Classic)
                continue; // the historic rules, checked byte by byte by the stream tests
            SCOPED_TRACE(files[i]);
            DecodedImage colours;
            std::string why;
            ASSERT_TRUE(LoadImageFile(files[i], colours, why)) << why;
            // Classic takes other files as Colour does, with the historic grey.
            const DotMatrix dots = Halftone(colours, mode, threshold);
            const int width = (dots.width + 7) / 8 * 8;
            const int pad = list.At(static_cast<int>(i)).centre ? ((maxWidth - width) / 2 + 7) / 8 * 8 : 0;
            const DotImage got = stream.definitions[i].Dots();
            ASSERT_EQ(got.width, pad + width);
            ASSERT_EQ(got.height, (dots.height + 7) / 8 * 8);
            for (int y = 0; y < got.height; ++y)
                for (int x = 0; x < got.width; ++x) {
                    const int sx = x - pad;
                    const bool inside = sx >= 0 && sx < dots.width && y < dots.height;
                    ASSERT_EQ(got.Dot(x, y), inside ? dots.At(sx, y) : 0) << x << ", " << y;
                }
        }
    }
}

} // namespace
