// What the PNG writer stores must decode to exactly the samples it was given, and a
// failed write must say why and leave nothing behind.
#include "logo/PngWrite.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "tests/support/PngRead.h"
#include "tests/support/TempDir.h"

using namespace testing_support;

namespace {

std::vector<std::string> Entries(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    return names;
}

// Grey and RGB at odd widths, from random samples and from a flat picture.
TEST(PngWriteTest, DecodesToTheExactSamples)
{
    struct Case {
        int width, height;
        PngColour colour;
        int fill; // -1: random samples
    };
    const Case cases[] = {
        {3, 2, PngColour::Grey, -1}, {17, 5, PngColour::Rgb, -1}, {9, 9, PngColour::Grey, 0}};
    std::mt19937 random(7);
    TempDir dir;
    for (const Case& c : cases) {
        const int channels = c.colour == PngColour::Grey ? 1 : 3;
        std::vector<uint8_t> samples(static_cast<size_t>(c.width * c.height * channels));
        for (uint8_t& sample : samples)
            sample = static_cast<uint8_t>(c.fill < 0 ? random() : static_cast<unsigned>(c.fill));
        const std::string path = dir.File("picture.png");
        std::string error;
        ASSERT_TRUE(WritePng(path, {c.width, c.height, c.colour, samples}, error)) << error;
        const DecodedPng png = ReadPng(path);
        EXPECT_EQ(png, (DecodedPng{c.width, c.height, channels == 1 ? 0 : 2, 8, samples}))
            << c.width << " x " << c.height << " x " << channels;
    }
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"picture.png"}); // no temporary files
}

// Samples that do not make the picture, a missing folder and a folder where the
// picture should go: refused with the reason, and nothing is left behind.
TEST(PngWriteTest, RefusedWritesSayWhyAndLeaveNothing)
{
    TempDir dir;
    std::filesystem::create_directory(dir.File("taken.png"));
    const std::vector<uint8_t> six(6, 128);
    std::string error;
    for (const PngPixels& pixels :
         {PngPixels{0, 1, PngColour::Grey, {}}, PngPixels{-2, -3, PngColour::Grey, six},
          PngPixels{3, 2, PngColour::Rgb, six}}) // 18 wanted
        EXPECT_FALSE(WritePng(dir.File("p.png"), pixels, error)) << pixels.width << " x " << pixels.height;
    EXPECT_EQ(error, dir.File("p.png") + ": cannot write a picture of 3 x 2 pixels from 6 samples");
    EXPECT_FALSE(WritePng(dir.File("missing/p.png"), {2, 3, PngColour::Grey, six}, error));
    EXPECT_EQ(error, dir.File("missing/p.png") + ": No such file or directory");
    EXPECT_FALSE(WritePng(dir.File("taken.png"), {2, 3, PngColour::Grey, six}, error));
    EXPECT_EQ(error, "'" + dir.File("taken.png") + "' is a folder, not a regular file; it is left alone");
    EXPECT_TRUE(Entries(dir.File("taken.png")).empty());
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"taken.png"}); // no temporary file
}

} // namespace
