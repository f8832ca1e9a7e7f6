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

TEST(PngWriteTest, SamplesThatDoNotMakeAPictureAreRefused)
{
    TempDir dir;
    const std::vector<uint8_t> six(6, 0);
    const PngPixels cases[] = {{0, 1, PngColour::Grey, {}},
                               {-2, -3, PngColour::Grey, six},
                               {3, 2, PngColour::Rgb, six}}; // 18 wanted
    for (const PngPixels& pixels : cases) {
        std::string error;
        EXPECT_FALSE(WritePng(dir.File("p.png"), pixels, error));
        EXPECT_EQ(error, dir.File("p.png") + ": cannot write a picture of " + std::to_string(pixels.width) +
                             " x " + std::to_string(pixels.height) + " pixels from " +
                             std::to_string(pixels.samples.size()) + " samples");
    }
    EXPECT_TRUE(Entries(dir.Path()).empty());
}

// As root, permissions stop nothing; a missing folder, a file in the way and a folder
// where the picture should go stop everyone.
TEST(PngWriteTest, AWriteIntoAnUnwritablePlaceSaysWhy)
{
    TempDir dir;
    dir.Write("file", "x");
    std::filesystem::create_directory(dir.File("taken.png"));
    const std::pair<std::string, std::string> cases[] = {
        {dir.File("missing/p.png"), dir.File("missing/p.png") + ": No such file or directory"},
        {dir.File("file/p.png"), dir.File("file/p.png") + ": Not a directory"},
        {dir.File("taken.png"),
         "'" + dir.File("taken.png") + "' is a folder, not a regular file; it is left alone"},
    };
    const std::vector<uint8_t> samples(4, 128);
    for (const auto& [path, expected] : cases) {
        std::string error;
        EXPECT_FALSE(WritePng(path, {2, 2, PngColour::Grey, samples}, error));
        EXPECT_EQ(error, expected);
    }
    EXPECT_EQ(Entries(dir.File("taken.png")).size(), 0u);
    EXPECT_EQ(Entries(dir.Path()).size(), 2u); // "file" and "taken.png", no temporary file
}

} // namespace
