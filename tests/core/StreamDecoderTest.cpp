#include "download/StreamDecoder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/PrintBytes.h"

using ::testing::HasSubstr;
using Bytes = std::vector<uint8_t>;

namespace {

using testing_support::Join;

const std::string kLine = "--- Logo 2 ---\n";

// What a serial download of two images and a print run with headers send, written
// out by hand: 8 x 8 with one dot at (2, 5), and 16 x 16 all black.
const Bytes kSession = Join({
    {0x1D, 0x49, 0x01},                                  // 0
    {0x1B, 0x40},                                        // 3
    {0x1C, 0x71, 0x02},                                  // 5
    {0x01, 0x00, 0x01, 0x00, 0, 0, 0x04, 0, 0, 0, 0, 0}, // 8
    {0x02, 0x00, 0x02, 0x00},
    Bytes(32, 0xFF),                   // 20
    Bytes(kLine.begin(), kLine.end()), // 56
    {0x1C, 0x70, 0x02, 0x03},          // 71
    {0x1C, 0x70, 0x09, 0x00},          // 75
    {0x00, 0x00, 0x00, 0x00},          // 79
});

// Cut anywhere, the stream decodes up to the cut and names where the broken command
// starts; cuts between commands are complete streams.
TEST(StreamDecoderTest, EveryTruncationIsReportedAtTheBrokenCommand)
{
    const std::vector<size_t> boundaries = {0, 3, 5, 56, 71, 75, 79, 80, 81, 82, 83};
    const std::vector<size_t> starts = {0, 3, 5, 8, 20, 56, 71, 75};
    for (size_t cut = 0; cut < kSession.size(); ++cut) {
        const DecodedStream stream = DecodeStream(kSession.data(), cut);
        const bool boundary = std::find(boundaries.begin(), boundaries.end(), cut) != boundaries.end() ||
                              (cut > 56 && cut < 71); // within the text line: text so far
        EXPECT_EQ(stream.complete, boundary) << "cut at " << cut;
        if (boundary)
            continue;
        EXPECT_EQ(stream.errorOffset, *std::prev(std::upper_bound(starts.begin(), starts.end(), cut)))
            << "cut at " << cut << ": " << stream.error;
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

} // namespace
