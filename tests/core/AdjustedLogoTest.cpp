// Adjustments where they take effect: the conversion a download, the printed-dots
// preview and a key-coded store share, the sizes the list counts, and the profile.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "download/AdjustRedraw.h"
#include "download/AdjustedDots.h"
#include "download/Halftone.h"
#include "download/NvDownload.h"
#include "download/NvImage.h"
#include "download/PrintedDots.h"
#include "logo/LogoList.h"
#include "logo/LogoLoader.h"
#include "logo/PrivateProfile.h"
#include "logo/StoredList.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/ImageWriters.h"
#include "tests/support/TempDir.h"

namespace {

using namespace testing_support;

// A 24-bit BMP whose pixel (x, y) has the grey grey(x, y).
std::string WriteGreyBmp(const std::string& path, int width, int height,
                         const std::function<int(int, int)>& grey)
{
    WriteFile(path, MakeBmp({.width = width, .height = height}, [&](int x, int y) {
                  const auto g = static_cast<uint32_t>(grey(x, y));
                  return (g << 16) | (g << 8) | g;
              }));
    return path;
}

NvConversion Converting(HalftoneMode mode, Adjustments adjust, int threshold = 128, int width = 576)
{
    return {threshold, width, false, mode, adjust};
}

TEST(AdjustedLogoTest, TrimTurnAndInvertGiveTheDotsOfTheSteps)
{
    TempDir dir;
    // A 3 x 2 black block at (2, 1) on a 7 x 5 white ground.
    const std::string path = WriteGreyBmp(dir.File("block.bmp"), 7, 5, [](int x, int y) {
        return x >= 2 && x < 5 && y >= 1 && y < 3 ? 0 : 255;
    });
    Adjustments adjust{.trim = true, .rotate = 90, .invert = true};
    for (const HalftoneMode mode : {HalftoneMode::Classic, HalftoneMode::Colour}) {
        CNvImage image;
        ASSERT_TRUE(image.LoadFile(path));
        image.BuildRaster(Converting(mode, adjust));
        // Trimmed to the 3 x 2 block, turned to 2 x 3, inverted to white: no dot at all,
        // in a raster of 8 x 8.
        EXPECT_EQ(image.m_nWidth, 8);
        EXPECT_EQ(image.m_nHeight, 8);
        EXPECT_EQ(image.m_nLength, 8);
        for (int i = 0; i < image.m_nLength; ++i)
            EXPECT_EQ(image.m_raster[i], 0) << HalftoneLabel(mode);
    }
    // Without the invert the block prints: 2 columns of 3 dots.
    adjust.invert = false;
    CNvImage image;
    ASSERT_TRUE(image.LoadFile(path));
    image.BuildRaster(Converting(HalftoneMode::Classic, adjust));
    EXPECT_EQ(image.m_raster[0], 0xE0);
    EXPECT_EQ(image.m_raster[1], 0xE0);
    EXPECT_EQ(image.m_raster[2], 0x00);
}

// The list counts a logo at its adjusted size, and the check before a download judges
// it as it will be sent: a picture too large as it stands goes once fitted, follows the
// paper's width, and one enlarged beyond what FS q can describe is refused.
TEST(AdjustedLogoTest, TheListAndTheDownloadCheckTakeTheAdjustedSize)
{
    TempDir dir;
    const std::string path = WriteGreyBmp(dir.File("wide.bmp"), 1200, 1200, [](int, int) { return 0; });
    const std::string banner = WriteGreyBmp(dir.File("banner.bmp"), 2100, 8, [](int, int) { return 0; });
    LogoList list;
    CLogoLoader loader(list);
    int width = 576;
    loader.SetAdjustedSizeFn(
        [&](const std::string& file, const Adjustments& adjust, int32_t& w, int32_t& h, std::string& why) {
            return AdjustedPictureSize(file, Converting(HalftoneMode::Colour, adjust, 128, width), w, h, why);
        });
    const NvConversion settings = Converting(HalftoneMode::Classic, {}, 128, 576);
    EXPECT_EQ(loader.AddFile(0, path).outcome, AddOutcome::TooLarge);
    const Adjustments fit{.scale = Adjustments::Scale::Fit};
    ASSERT_TRUE(loader.AddFile(1, path, fit).Added());
    EXPECT_EQ(list.At(0).nvSize, 72 * 576); // 576 x 576
    EXPECT_EQ(list.TotalBytes(), 72 * 576);
    EXPECT_EQ(ListedRasterLength(list, 0, settings), 576 * 72);
    list.SetCentre(0, true); // as wide as the paper: no centring columns
    EXPECT_EQ(ListedRasterLength(list, 0, settings), 576 * 72);
    EXPECT_EQ(ListedLogoRefusal(DownloadJobs(list), settings), "");
    width = 384; // a narrower paper: the fitted logo shrinks with it
    loader.RefreshAdjustedSizes();
    EXPECT_EQ(list.At(0).nvSize, 48 * 384); // 384 x 384
    EXPECT_EQ(list.TotalBytes(), 48 * 384);
    EXPECT_EQ(ListedRasterLength(list, 0, Converting(HalftoneMode::Classic, {}, 128, 384)), 384 * 48);
    // Taking the fit away would not fit the printer: refused, nothing changes.
    list.SetCapacityKByte(100);
    EXPECT_EQ(loader.SetAdjustments(0, {}).outcome, AddOutcome::DoesNotFit);
    EXPECT_EQ(list.At(0).adjust, fit);

    const Adjustments grow{.scale = Adjustments::Scale::Percent, .percent = 400};
    list.Append({0, banner, "banner.bmp", ImageKind::Bmp, 2100, 8, NvDataSize(8400, 32), false, grow});
    const std::string refusal = ListedLogoRefusal(DownloadJobs(list), settings);
    EXPECT_NE(refusal.find(banner), std::string::npos);
    EXPECT_NE(refusal.find("8400 x 32 dots"), std::string::npos);
    list.SetAdjust(0, {}, NvDataSize(1200, 1200)); // unadjusted it is too large for one image
    EXPECT_EQ(ListedRasterLength(list, 0, settings), 180000);
    EXPECT_NE(ListedLogoRefusal(DownloadJobs(list), settings).find("180000 bytes"), std::string::npos);
}

// The dots redrawn while the user tries adjustments keep what did not change, and are
// still exactly the download's after every kind of change.
TEST(AdjustedLogoTest, RedrawnDotsAreTheDownloadsWhateverChanged)
{
    TempDir dir;
    // A grey ramp on a white margin: every threshold, tone and turn shows.
    const std::string bmp = WriteGreyBmp(dir.File("ramp.bmp"), 40, 30, [](int x, int y) {
        return x < 3 || y < 2 ? 255 : (x * 6 + y * 2) % 256;
    });
    const std::string png = WriteShadedPng(dir.File("shade.png"), 37, 23);
    const Adjustments light{.gamma = 1.6}, dark{.brightness = -30, .gamma = 1.6},
        turned{.trim = true, .rotate = 90, .brightness = -30, .gamma = 1.6},
        fitted{.trim = true, .rotate = 90, .scale = Adjustments::Scale::Fit, .brightness = -30, .gamma = 1.6};
    const NvConversion centred{128, 20, true, HalftoneMode::Colour, fitted};
    const NvConversion steps[] = {
        Converting(HalftoneMode::Colour, light),           Converting(HalftoneMode::Colour, dark),
        Converting(HalftoneMode::Colour, turned),          Converting(HalftoneMode::Atkinson, turned),
        Converting(HalftoneMode::Classic, turned),         Converting(HalftoneMode::Classic, turned, 90),
        Converting(HalftoneMode::Classic, {}, 90),         Converting(HalftoneMode::Colour, fitted, 128, 24),
        Converting(HalftoneMode::Colour, fitted, 128, 16), centred,
    };
    for (const std::string& path : {bmp, png}) {
        AdjustedDots redraw;
        std::string why;
        ASSERT_TRUE(redraw.Load(path, why)) << why;
        DotImage previous;
        for (size_t i = 0; i < std::size(steps); ++i) {
            SCOPED_TRACE(path + " step " + std::to_string(i));
            DotImage made, expected;
            ASSERT_TRUE(redraw.Make(steps[i], made, why)) << why;
            ASSERT_TRUE(ConvertToDots(path, steps[i], expected, why)) << why;
            EXPECT_EQ(made, expected);
            EXPECT_NE(made, previous); // each step changes the dots: a stale one would show
            previous = made;
        }
    }
    AdjustedDots none;
    std::string why;
    DotImage dots;
    EXPECT_FALSE(none.Load(dir.File("missing.bmp"), why));
    EXPECT_FALSE(none.Make(Converting(HalftoneMode::Colour, light), dots, why));
}

// A slider asks faster than the dots are made: a request waiting to start gives way to
// the next, and the result is the latest request's dots.
TEST(AdjustedLogoTest, OnlyTheLatestRedrawRequestIsMade)
{
    TempDir dir;
    const std::string path = WriteShadedPng(dir.File("shade.png"), 45, 21);
    std::mutex mutex;
    std::condition_variable changed;
    int made = 0;
    bool release = false;
    {
        // The first redraw holds the redraw thread until the next requests are in.
        AdjustRedraw redraw([&] {
            std::unique_lock lock(mutex);
            ++made;
            changed.notify_all();
            changed.wait(lock, [&] { return release; });
        });
        Adjustments adjust;
        adjust.gamma = 0.5;
        redraw.Request(path, Converting(HalftoneMode::Colour, adjust));
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return made == 1; });
        }
        adjust.gamma = 2.0;
        redraw.Request(path, Converting(HalftoneMode::Colour, adjust));
        adjust.invert = true;
        const NvConversion latest = Converting(HalftoneMode::Atkinson, adjust);
        const uint64_t serial = redraw.Request(path, latest);
        {
            std::unique_lock lock(mutex);
            release = true;
            changed.notify_all();
            changed.wait(lock, [&] { return made == 2; });
        }
        AdjustRedraw::Result result;
        ASSERT_TRUE(redraw.Take(result));
        EXPECT_EQ(result.serial, serial);
        ASSERT_TRUE(result.made) << result.why;
        DotImage expected;
        std::string why;
        ASSERT_TRUE(ConvertToDots(path, latest, expected, why)) << why;
        EXPECT_EQ(result.dots, expected);
        EXPECT_FALSE(redraw.Take(result));
    }
    EXPECT_EQ(made, 2); // the request in between was never made
}

TEST(AdjustedLogoTest, AdjustmentsTravelWithTheStoredList)
{
    TempDir dir;
    PrivateProfile profile(dir.File("nivora.INI"));
    const Adjustments adjust{.rotate = 270, .gamma = 1.4};
    ASSERT_TRUE(WriteStoredList(profile, {{"/a.bmp", false, adjust}, {"/b.bmp", true, {}}}, 0));
    EXPECT_EQ(profile.GetProfileString(kLogSection, "Logoadjust1"), "rotate=270 gamma=1.4");
    EXPECT_EQ(profile.GetProfileString(kLogSection, "Logoadjust2"), "");
    const std::vector<StoredLogo> rows = ReadStoredList(profile);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].adjust, adjust);
    EXPECT_FALSE(rows[1].adjust.Any());
    // An old profile without the key, or one whose text is not understood, reads as none.
    ASSERT_TRUE(profile.WriteProfileString(kLogSection, "Logoadjust2", "sparkle"));
    EXPECT_FALSE(ReadStoredList(profile)[1].adjust.Any());
}

} // namespace
