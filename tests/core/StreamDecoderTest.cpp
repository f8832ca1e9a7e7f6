#include "download/StreamDecoder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Bytes = std::vector<uint8_t>;
using Kind = StreamEventKind;

namespace {

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

std::vector<Kind> Kinds(const DecodedStream& stream)
{
    std::vector<Kind> kinds;
    for (const StreamEvent& event : stream.events)
        kinds.push_back(event.kind);
    return kinds;
}

// What a serial download of two images and a print run with headers send, written
// out by hand: 8 x 8 with one dot at (2, 5), and 16 x 16 all black.
const Bytes kSession = Join({
    {0x1D, 0x49, 0x01},                                  // 0
    {0x1B, 0x40},                                        // 3
    {0x1C, 0x71, 0x02},                                  // 5
    {0x01, 0x00, 0x01, 0x00, 0, 0, 0x04, 0, 0, 0, 0, 0}, // 8
    {0x02, 0x00, 0x02, 0x00},
    Bytes(32, 0xFF),          // 20
    Text("--- Logo 2 ---\n"), // 56
    {0x1C, 0x70, 0x02, 0x03}, // 71
    {0x1C, 0x70, 0x09, 0x00}, // 75
    {0x00, 0x00, 0x00, 0x00}, // 79
});

TEST(StreamDecoderTest, ASessionOfEveryCommand)
{
    const DecodedStream stream = DecodeStream(kSession);
    ASSERT_TRUE(stream.complete) << stream.error;
    EXPECT_THAT(Kinds(stream), ElementsAre(Kind::PrinterIdRequest, Kind::Initialize, Kind::DefineNvImages,
                                           Kind::NvImageRecord, Kind::NvImageRecord, Kind::TextLine,
                                           Kind::PrintNvImage, Kind::PrintNvImage, Kind::IgnoredBytes));
    std::vector<size_t> offsets;
    for (const StreamEvent& event : stream.events)
        offsets.push_back(event.offset);
    EXPECT_THAT(offsets, ElementsAre(0, 3, 5, 8, 20, 56, 71, 75, 79));
    EXPECT_EQ(stream.events[2].value, 2);
    EXPECT_EQ(stream.events[5].text, "--- Logo 2 ---");
    EXPECT_EQ(stream.events[6].value, 2);
    EXPECT_EQ(stream.events[6].mode, 3);
    EXPECT_EQ(stream.events[6].definition, 1);
    EXPECT_EQ(stream.events[7].definition, -1); // nothing stored under 9
    EXPECT_EQ(stream.events[8].value, 4);
    EXPECT_THAT(stream.stored, ElementsAre(0, 1));

    ASSERT_EQ(stream.definitions.size(), 2u);
    const DotImage dot = stream.definitions[0].Dots();
    ASSERT_EQ(dot.width, 8);
    ASSERT_EQ(dot.height, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(dot.Dot(x, y), x == 2 && y == 5) << x << "," << y;
    EXPECT_EQ(stream.definitions[1].Dots().dots, Bytes(256, 1));
}

// Cut anywhere, the stream decodes up to the cut and names where the broken command
// starts; cuts between commands are complete streams.
TEST(StreamDecoderTest, EveryTruncationIsReportedAtTheBrokenCommand)
{
    const std::vector<size_t> boundaries = {0, 3, 5, 56, 71, 75, 79, 80, 81, 82, 83};
    for (size_t cut = 0; cut < kSession.size(); ++cut) {
        const DecodedStream stream = DecodeStream(kSession.data(), cut);
        const bool boundary = std::find(boundaries.begin(), boundaries.end(), cut) != boundaries.end() ||
                              (cut > 56 && cut < 71); // within the text line: text so far
        EXPECT_EQ(stream.complete, boundary) << "cut at " << cut;
        if (boundary)
            continue;
        size_t start = cut < 3    ? 0
                       : cut < 5  ? 3
                       : cut < 8  ? 5
                       : cut < 20 ? 8
                       : cut < 56 ? 20
                       : cut < 75 ? 71
                                  : 75;
        EXPECT_EQ(stream.errorOffset, start) << "cut at " << cut << ": " << stream.error;
    }
    const DecodedStream midText = DecodeStream(kSession.data(), 60);
    ASSERT_TRUE(midText.complete);
    EXPECT_EQ(midText.events.back().text, "--- ");
    EXPECT_FALSE(midText.events.back().lineEnded);
}

TEST(StreamDecoderTest, MalformedStreamsStopWithTheOffset)
{
    struct Case {
        Bytes bytes;
        size_t offset;
        const char* message;
    };
    const Case cases[] = {
        {{0x1B, 0x21, 0x00}, 0, "unsupported command 1B 21 00"},
        {{'a', 'b', 0x0C}, 2, "unsupported control byte 0C"},
        {{0x1D, 0x49, 0x02}, 0, "unsupported command 1D 49 02"},
        {{0x1C, 0x71, 0x00}, 0, "image count of 0"},
        {{0x1B, 0x40, 0x1C, 0x70, 0x01, 0x07}, 2, "unknown mode 7"},
        {{0x1C, 0x71, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3}, 3, "34358689800 data bytes announced, 3 left"},
        {{0x1C, 0x71, 0x02, 0x01, 0x00, 0x01, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 0x01},
         15,
         "image 2 of 2: header cut off"},
        {{0x1B}, 0, "cut off"},
    };
    for (const Case& c : cases) {
        const DecodedStream stream = DecodeStream(c.bytes);
        EXPECT_FALSE(stream.complete);
        EXPECT_EQ(stream.errorOffset, c.offset) << stream.error;
        EXPECT_THAT(stream.error, HasSubstr(c.message));
    }
}

// A cancel after 2 of 5 definitions sends four empty groups: three complete FS q, the
// fourth is left over for the printer to ignore.
TEST(StreamDecoderTest, TheGroupsAfterACancelCompleteTheDefinitions)
{
    const Bytes image = {0x01, 0x00, 0x01, 0x00, 1, 2, 3, 4, 5, 6, 7, 8};
    const DecodedStream stream = DecodeStream(Join({{0x1C, 0x71, 0x05}, image, image, Bytes(16, 0)}));
    ASSERT_TRUE(stream.complete) << stream.error;
    ASSERT_EQ(stream.definitions.size(), 5u);
    for (size_t i = 2; i < 5; ++i) {
        EXPECT_TRUE(stream.definitions[i].raster.empty());
        EXPECT_EQ(stream.definitions[i].Dots().width, 0);
    }
    EXPECT_EQ(stream.events.back().kind, Kind::IgnoredBytes);
    EXPECT_EQ(stream.events.back().value, 4);
    EXPECT_EQ(stream.events.back().offset, 3u + 24 + 12);
}

TEST(StreamDecoderTest, EachDefineReplacesTheStoredImages)
{
    const Bytes image = {0x01, 0x00, 0x01, 0x00, 1, 2, 3, 4, 5, 6, 7, 8};
    const DecodedStream stream = DecodeStream(
        Join({{0x1C, 0x71, 0x02}, image, image, {0x1C, 0x71, 0x01}, image, {0x1C, 0x70, 0x02, 0x00}}));
    ASSERT_TRUE(stream.complete);
    EXPECT_EQ(stream.definitions.size(), 3u);
    EXPECT_THAT(stream.stored, ElementsAre(2));
    EXPECT_EQ(stream.events.back().definition, -1);
}

// Random streams built mostly from command bytes: decoding ends, stays inside the
// input, and whatever it reports fits the input (run under ASan in the asan preset).
TEST(StreamDecoderTest, RandomStreamsNeverReadOutside)
{
    std::mt19937 random(11);
    const uint8_t alphabet[] = {0x1B, 0x1C, 0x1D, 0x40, 0x49, 0x01, 0x71,
                                0x70, 0x00, 0x02, 0x03, 0x0A, 'a',  0xFF};
    for (int run = 0; run < 3000; ++run) {
        Bytes bytes(random() % 64);
        for (uint8_t& b : bytes)
            b = random() % 4 ? alphabet[random() % std::size(alphabet)] : static_cast<uint8_t>(random());
        const DecodedStream stream = DecodeStream(bytes);
        size_t rasterBytes = 0;
        for (const NvDefinition& definition : stream.definitions) {
            rasterBytes += definition.raster.size();
            EXPECT_EQ(definition.Dots().dots.size(), definition.raster.size() * 8);
        }
        EXPECT_LE(rasterBytes, bytes.size());
        if (!stream.complete) {
            EXPECT_LT(stream.errorOffset, bytes.size());
        }
    }
}

TEST(StreamDecoderTest, PrintModesScaleTheStoredImage)
{
    DotImage image{2, 1, {1, 0}};
    EXPECT_EQ(ScaleForPrint(image, 0), image);
    EXPECT_EQ(ScaleForPrint(image, 1), (DotImage{4, 1, {1, 1, 0, 0}}));
    EXPECT_EQ(ScaleForPrint(image, 2), (DotImage{2, 2, {1, 0, 1, 0}}));
    EXPECT_EQ(ScaleForPrint(image, 3), (DotImage{4, 2, {1, 1, 0, 0, 1, 1, 0, 0}}));
    EXPECT_EQ(ScaleForPrint(image, 51), ScaleForPrint(image, 3));
}

} // namespace
