#include "logo/Adjustments.h"

#include <gtest/gtest.h>

namespace {

// A 3 x 2 picture with every pixel different:  1 2 3
//                                             4 5 6
GreyImage Small()
{
    return GreyImage{3, 2, {1, 2, 3, 4, 5, 6}};
}

TEST(AdjustmentsTest, TrimTakesTheWhiteBordersOfEachSide)
{
    // White (>= 250) margins of 1 left, 2 right, 0 top, 1 bottom around a 2 x 2 logo;
    // 249 is not white and stays.
    const std::vector<uint8_t> grey = {255, 0,   249, 250, 255, //
                                       251, 10,  20,  255, 252, //
                                       255, 255, 255, 250, 255};
    const GreyImage out = Trim({5, 3, grey});
    EXPECT_EQ(out.width, 2);
    EXPECT_EQ(out.height, 2);
    EXPECT_EQ(out.grey, (std::vector<uint8_t>{0, 249, 10, 20}));
    // A picture with nothing but white paper is left whole.
    EXPECT_EQ(Trim({2, 1, {255, 250}}).width, 2);
}

TEST(AdjustmentsTest, RotatesClockwise)
{
    EXPECT_EQ(Rotate(Small(), 0).grey, Small().grey);
    const GreyImage quarter = Rotate(Small(), 90);
    EXPECT_EQ(quarter.width, 2);
    EXPECT_EQ(quarter.height, 3);
    EXPECT_EQ(quarter.grey, (std::vector<uint8_t>{4, 1, 5, 2, 6, 3}));
    const GreyImage half = Rotate(Small(), 180);
    EXPECT_EQ(half.width, 3);
    EXPECT_EQ(half.grey, (std::vector<uint8_t>{6, 5, 4, 3, 2, 1}));
    const GreyImage threeQuarters = Rotate(Small(), 270);
    EXPECT_EQ(threeQuarters.width, 2);
    EXPECT_EQ(threeQuarters.grey, (std::vector<uint8_t>{3, 6, 2, 5, 1, 4}));
}

// Fit shrinks to the printable width only and holds the height to 2304; a percentage
// scales both ways, rounding halves up, never below one dot.
TEST(AdjustmentsTest, FitAndPercentSizes)
{
    const Adjustments fit{.scale = Adjustments::Scale::Fit};
    const auto percentOf = [](int p) {
        return Adjustments{.scale = Adjustments::Scale::Percent, .percent = p};
    };
    const struct {
        Adjustments adjust;
        int32_t width, height, maxWidth, newWidth, newHeight;
    } cases[] = {
        {fit, 1200, 300, 576, 576, 144},    {fit, 600, 100, 384, 384, 64},
        {fit, 300, 100, 576, 300, 100},     {fit, 1000, 8000, 500, 288, 2304},
        {percentOf(250), 4, 3, 576, 10, 8}, {percentOf(10), 15, 4, 576, 2, 1},
    };
    for (const auto& c : cases) {
        int32_t w = 0, h = 0;
        ScaledSize(c.adjust, c.width, c.height, c.maxWidth, w, h);
        EXPECT_EQ(std::pair(w, h), std::pair(c.newWidth, c.newHeight)) << c.width << " x " << c.height;
    }
}

// Shrinking averages the covered pixels, parts weighed by how much of them is covered;
// growing repeats them.
TEST(AdjustmentsTest, ResizeAveragesDownAndRepeatsUp)
{
    const std::vector<uint8_t> grey = {0,   255, 100, 100, //
                                       255, 0,   100, 200};
    EXPECT_EQ(Resize({4, 2, grey}, 2, 1).grey, (std::vector<uint8_t>{128, 125})); // 127.5 and 125
    EXPECT_EQ(Resize({3, 1, {0, 90, 255}}, 2, 1).grey, (std::vector<uint8_t>{30, 200}));
    EXPECT_EQ(Resize({2, 1, {0, 255}}, 4, 2).grey, (std::vector<uint8_t>{0, 0, 255, 255, 0, 0, 255, 255}));
}

TEST(AdjustmentsTest, ToneCurvesAtTheirEndsAndMiddles)
{
    const std::vector<uint8_t> identity = ToneCurve({});
    for (int v = 0; v < 256; ++v)
        ASSERT_EQ(identity[static_cast<size_t>(v)], v);

    EXPECT_EQ(ToneCurve({.brightness = 100})[0], 255);
    const std::vector<uint8_t> darker = ToneCurve({.brightness = -50});
    EXPECT_EQ(darker[200], 73); // 200 - 127.5
    EXPECT_EQ(darker[100], 0);

    const std::vector<uint8_t> flat = ToneCurve({.contrast = -100}); // everything mid-grey
    EXPECT_EQ(flat[0], 128);
    EXPECT_EQ(flat[255], 128);
    const std::vector<uint8_t> step = ToneCurve({.contrast = 100}); // a hard step at the middle
    EXPECT_EQ(step[127], 0);
    EXPECT_EQ(step[128], 255);

    EXPECT_EQ(ToneCurve({.gamma = 2.0})[64], 128); // lightens: 255 * sqrt(64 / 255)
    EXPECT_EQ(ToneCurve({.gamma = 0.5})[128], 64); // darkens
    EXPECT_EQ(ToneCurve({.invert = true})[200], 55);
}

TEST(AdjustmentsTest, StepsRunInTheirOrder)
{
    // Trim before the fit: the 2-pixel white margin must not count towards the width
    // that is scaled to 2, so each half of the logo becomes one pixel.
    const GreyImage in{6, 1, {255, 255, 0, 0, 200, 200}};
    EXPECT_EQ(Adjust(in, {.trim = true, .scale = Adjustments::Scale::Fit}, 2).grey,
              (std::vector<uint8_t>{0, 200}));
    // Rotation before the fit: a 1 x 4 column turned becomes 4 wide, then fits 2.
    const GreyImage column =
        Adjust({1, 4, {0, 0, 255, 255}}, {.rotate = 90, .scale = Adjustments::Scale::Fit}, 2);
    EXPECT_EQ(column.width, 2);
    EXPECT_EQ(column.grey, (std::vector<uint8_t>{255, 0}));
    // Invert after the tone: brightening black to grey then inverting gives dark grey.
    EXPECT_EQ(Adjust({1, 1, {0}}, {.brightness = 20, .invert = true}, 576).grey[0], 204);
}

TEST(AdjustmentsTest, ExactGreyOfEveryPureGrey)
{
    for (int v = 0; v < 256; ++v)
        ASSERT_EQ(ExactGrey(v, v, v), v);
    EXPECT_EQ(ExactGrey(255, 0, 0), 77);
    EXPECT_EQ(ExactGrey(0, 255, 0), 149);
    EXPECT_EQ(ExactGrey(0, 0, 255), 29);
}

TEST(AdjustmentsTest, TextsRoundTripAndRefuseNonsense)
{
    Adjustments adjust;
    EXPECT_EQ(adjust.ToText(), "");
    EXPECT_EQ(adjust.Summary(), "");
    EXPECT_FALSE(adjust.Any());
    adjust.scale = Adjustments::Scale::Fit;
    adjust.rotate = 90;
    adjust.gamma = 1.4;
    EXPECT_EQ(adjust.Summary(), "fit, 90\u00b0, \u03b31.4");
    adjust.trim = true;
    adjust.brightness = -20;
    adjust.contrast = 35;
    adjust.invert = true;
    EXPECT_EQ(adjust.ToText(), "trim rotate=90 fit brightness=-20 contrast=35 gamma=1.4 invert");
    EXPECT_EQ(Adjustments::Parse(adjust.ToText()), adjust);
    const Adjustments percent{.scale = Adjustments::Scale::Percent, .percent = 150};
    EXPECT_EQ(Adjustments::Parse(percent.ToText()), percent);
    EXPECT_EQ(Adjustments::Parse(""), Adjustments{});
    for (const char* bad : {"rotate=45", "rotate=360", "scale=9", "scale=401", "gamma=0.1", "gamma=5.5",
                            "brightness=101", "contrast=-101", "tilt", "trim=1", "fit=yes", "gamma=x"})
        EXPECT_FALSE(Adjustments::Parse(bad).has_value()) << bad;
}

} // namespace
