// What the preview draws: pictures scaled as the eye sees them (fine dots become grey,
// whole multiples draw each dot), and the pictures loaded away from the window, kept
// within their byte limit and read again only when their file changes.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "download/DownloadWalk.h"
#include "download/Halftone.h"
#include "download/PreviewPictures.h"
#include "download/StreamDecoder.h"
#include "logo/ImageFile.h"
#include "logo/LogoList.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/ImageWriters.h"
#include "tests/support/TempDir.h"

using namespace testing_support;

namespace {

constexpr uint32_t kBlack = 0xFF000000u, kWhite = 0xFFFFFFFFu;

Picture Pattern(int width, int height, const std::function<bool(int, int)>& dark)
{
    Picture p{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.pixels.push_back(dark(x, y) ? kBlack : kWhite);
    return p;
}

// The grey of a pixel that must be grey: -1 when its channels differ.
int Grey(uint32_t pixel)
{
    const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
    return r == g && g == b ? r : -1;
}

TEST(PictureScaleTest, ShrinkingAveragesFineDotsIntoGrey)
{
    const Picture board = Pattern(8, 8, [](int x, int y) { return (x + y) % 2 == 1; });
    // Half the size: every pixel takes two white and two black dots.
    const Picture half = ScalePicture(board, 4, 4);
    ASSERT_EQ(half.pixels.size(), 16u);
    for (const uint32_t pixel : half.pixels)
        EXPECT_EQ(pixel, 0xFF808080u);
    // Not a whole fraction: parts of dots are weighed by how much of them falls there.
    for (const uint32_t pixel : ScalePicture(board, 3, 3).pixels)
        EXPECT_TRUE(Grey(pixel) > 90 && Grey(pixel) < 165) << std::hex << pixel;
}

TEST(PictureScaleTest, GrowingRepeatsEachDotAndAnyPartIsCutFromTheWhole)
{
    Picture source{3, 2, {0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0, 0xFFD0E0F0, 0xFF010203}};
    const Picture grown = ScalePicture(source, 12, 6); // 4:1 across, 3:1 down
    ASSERT_EQ(grown.width, 12);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(grown.At(x, y), source.At(x / 4, y / 3)) << x << "," << y;
    EXPECT_EQ(ScalePicture(source, 3, 2), source);
    // One axis shrinking, the other growing: a column pair averaged, each row doubled.
    const Picture wide = Pattern(4, 1, [](int x, int) { return x < 2; });
    const Picture mixed = ScalePicture(wide, 2, 2);
    EXPECT_EQ(mixed.pixels, (std::vector<uint32_t>{kBlack, kWhite, kBlack, kWhite}));

    // A part of the scaled picture is exactly that part of the whole.
    const Picture part = ScalePicture(source, 12, 6, {5, 1, 4, 3});
    ASSERT_EQ(part.width, 4);
    ASSERT_EQ(part.height, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(part.At(x, y), grown.At(x + 5, y + 1));
    // Clipped to the picture; nothing for a part outside it or an empty size.
    EXPECT_EQ(ScalePicture(source, 12, 6, {10, 4, 8, 8}).width, 2);
    EXPECT_EQ(ScalePicture(source, 12, 6, {12, 0, 4, 4}).width, 0);
    EXPECT_EQ(ScalePicture(source, 0, 6).width, 0);
}

// Waits for the loading thread's ready callbacks.
class Arrivals {
public:
    std::function<void()> Callback()
    {
        return [this] {
            const std::lock_guard lock(m_mutex);
            ++m_nReady;
            m_wake.notify_all();
        };
    }
    // Waits for the next count loads (or checks) and collects them.
    bool Take(PreviewPictures& pictures, int count)
    {
        std::unique_lock lock(m_mutex);
        m_nWanted += count;
        const bool arrived =
            m_wake.wait_for(lock, std::chrono::seconds(30), [this] { return m_nReady >= m_nWanted; });
        lock.unlock();
        pictures.Collect();
        return arrived;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_nReady = 0;
    int m_nWanted = 0;
};

class PreviewPicturesTest : public ::testing::Test {
protected:
    PictureKey Colours(const std::string& path) { return {path, false, {}}; }
    TempDir dir;
    Arrivals arrivals;
};

TEST_F(PreviewPicturesTest, ColoursAreTheFilesOwnAndDotsAreTheDownloadsDots)
{
    // Every depth's pixels are the decoder's (tested with it); here the orientation and
    // the colours as they stand.
    const std::string bmp = dir.File("b.bmp");
    WriteFile(bmp, MakeBmp({.width = 5, .height = 3}, [&](int x, int y) -> uint32_t {
                  return x == 4 || (x == 0 && y == 0) ? 0xE0C0A0u : 0x102030u; // not upside down
              }));
    const PreviewPicture loaded = LoadPreviewPicture(Colours(bmp));
    ASSERT_TRUE(loaded.Loaded());
    EXPECT_EQ(loaded.picture.At(0, 0), 0xFFE0C0A0u);
    EXPECT_EQ(loaded.picture.At(1, 0), 0xFF102030u);
    EXPECT_EQ(loaded.picture.At(0, 2), 0xFF102030u);
    EXPECT_EQ(loaded.picture.At(4, 2), 0xFFE0C0A0u);
    // A PNG's transparent ground is white paper.
    const std::string png = WriteShadedPng(dir.File("a.png"), 45, 21);
    const PreviewPicture colours = LoadPreviewPicture(Colours(png));
    ASSERT_TRUE(colours.Loaded()) << colours.why;
    EXPECT_EQ(colours.picture.At(0, 0), kWhite);

    // The dots are those the download stream defines, centring columns included.
    LogoList list;
    list.Append({1, png, "a.png", ImageKind::Png, 45, 21, 288, true});
    const NvConversion conversion{120, 100, true, HalftoneMode::Atkinson, {}};
    MemorySink sink;
    CSinkDownload walk(list, conversion, sink);
    ASSERT_TRUE(walk.RunToEnd());
    const DotImage stored = DecodeStream(sink.bytes).definitions.at(0).Dots();
    const PreviewPicture dots = LoadPreviewPicture({png, true, conversion});
    ASSERT_EQ(dots.picture.width, stored.width);
    ASSERT_EQ(dots.picture.height, stored.height);
    for (int y = 0; y < stored.height; ++y)
        for (int x = 0; x < stored.width; ++x)
            ASSERT_EQ(dots.picture.At(x, y), stored.Dot(x, y) ? kBlack : kWhite);

    dir.Write("a.png", "no picture");
    const PreviewPicture broken = LoadPreviewPicture({png, true, conversion});
    EXPECT_FALSE(broken.Loaded());
    EXPECT_EQ(broken.why, kNotAnImageReason);
}

TEST_F(PreviewPicturesTest, PicturesArriveFromTheLoaderAndAreReadAgainOnlyWhenTheirFileChanges)
{
    PreviewPictures pictures(size_t{1} << 20, arrivals.Callback());
    const std::string a = WriteSolidBmp(dir.File("a.bmp"), 10, 10, 0x112233);
    const std::string b = WriteSolidBmp(dir.File("b.bmp"), 20, 10, 0x445566);
    const PictureKey dotsOfA{a, true, {128, 512, false, HalftoneMode::Classic, {}}};
    pictures.Want({Colours(a), Colours(b), dotsOfA});
    EXPECT_TRUE(pictures.Pending(Colours(a)));
    EXPECT_EQ(pictures.Find(Colours(a)), nullptr); // nothing has been collected yet
    ASSERT_TRUE(arrivals.Take(pictures, 3));
    EXPECT_FALSE(pictures.Pending(Colours(a)));
    ASSERT_NE(pictures.Find(Colours(a)), nullptr);
    EXPECT_EQ(pictures.Find(Colours(a))->picture.At(3, 3), 0xFF112233u);
    EXPECT_EQ(pictures.Find(Colours(b))->picture.width, 20);
    EXPECT_EQ(pictures.Find(dotsOfA)->picture.At(0, 0), kBlack);
    EXPECT_EQ(pictures.Loads(), 3);
    EXPECT_EQ(pictures.KeptBytes(), (100u + 200u + 16 * 16u) * 4); // the dots rounded up to 8 both ways

    // Asked again, an unchanged file is only looked at; a changed one is read again.
    pictures.Want({Colours(a), Colours(b)});
    ASSERT_TRUE(arrivals.Take(pictures, 2));
    EXPECT_EQ(pictures.Loads(), 3);
    WriteSolidBmp(b, 21, 10, 0x445566);
    pictures.Want({Colours(b)});
    ASSERT_TRUE(arrivals.Take(pictures, 1));
    EXPECT_EQ(pictures.Loads(), 4);
    EXPECT_EQ(pictures.Find(Colours(b))->picture.width, 21);

    // A file that does not load is kept as such, with its reason.
    dir.Write("a.bmp", "BM not a bitmap");
    pictures.Want({Colours(a)});
    ASSERT_TRUE(arrivals.Take(pictures, 1));
    ASSERT_NE(pictures.Find(Colours(a)), nullptr);
    EXPECT_FALSE(pictures.Find(Colours(a))->Loaded());
}

TEST_F(PreviewPicturesTest, TheLeastRecentlyShownPicturesGoBeyondTheByteLimit)
{
    // Room for two 32 x 32 pictures (4 KiB each).
    PreviewPictures pictures(9000, arrivals.Callback());
    std::vector<PictureKey> keys;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
        keys.push_back(Colours(WriteSolidBmp(dir.File(name), 32, 32)));
    pictures.Want({keys[0], keys[1]});
    ASSERT_TRUE(arrivals.Take(pictures, 2));
    const std::shared_ptr<const PreviewPicture> shown = pictures.Find(keys[0]); // now the most recent
    pictures.Want({keys[2]});
    ASSERT_TRUE(arrivals.Take(pictures, 1));
    EXPECT_NE(pictures.Find(keys[0]), nullptr);
    EXPECT_EQ(pictures.Find(keys[1]), nullptr);
    EXPECT_NE(pictures.Find(keys[2]), nullptr);
    EXPECT_LE(pictures.KeptBytes(), 9000u);
    EXPECT_EQ(shown->picture.width, 32);

    // What is asked for stays, though found less recently: the one kept already too.
    pictures.Find(keys[0]);
    pictures.Want({keys[1], keys[2]});
    ASSERT_TRUE(arrivals.Take(pictures, 2));
    EXPECT_EQ(pictures.Find(keys[0]), nullptr);
    EXPECT_NE(pictures.Find(keys[1]), nullptr);
    EXPECT_NE(pictures.Find(keys[2]), nullptr);
}

} // namespace
