#include "print/PrintRange.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAreArray;

namespace {

struct Case {
    const char* text;
    bool valid;
    std::vector<std::string> entries; // print-list entries of a valid text
    int count;
};

// What users type, and what each text turns into.
const Case kCases[] = {
    {"1,3-5,9", true, {"257", "3", "5", "265"}, 5},
    {"7", true, {"263"}, 1},
    {"007", true, {"263"}, 1},
    {"255", true, {"511"}, 1},
    {"1-255", true, {"1", "255"}, 255},
    {",5,", true, {"261"}, 1},
    {"5,", true, {"261"}, 1}, // a trailing comma left while typing
    {",5", true, {"261"}, 1},
    {",-", true, {"1", "255"}, 255},
    {"-", true, {"1", "255"}, 255},
    {"10-", true, {"10", "255"}, 246},
    {"-3", true, {"1", "3"}, 3},
    {"3-1", true, {"1", "3"}, 3}, // typed downwards, stored upwards
    {"5-5", true, {"5", "5"}, 1},
    {"1-2-3", true, {"1", "2"}, 2},   // the second hyphen ends the number
    {"5,5", true, {"261", "261"}, 2}, // printed twice
    {"1-3,2-4", true, {"1", "3", "2", "4"}, 6},
    {"", false, {}, 0},
    {",", false, {}, 0},
    {",,", false, {}, 0},
    {"1,,2", false, {}, 0},
    {"1--2", false, {}, 0},
    {",,5", false, {}, 0}, // only one leading comma is dropped
    {"5,,", false, {}, 0},
    {"0", false, {}, 0},
    {"00", false, {}, 0},
    {"256", false, {}, 0},
    {"0-5", false, {}, 0},
    {"1-300", false, {}, 0},
    {"1-0", false, {}, 0},
    {"1, 3", false, {}, 0}, // spaces are not part of the alphabet
    {" 1", false, {}, 0},
    {"1 ", false, {}, 0},
    {"1\t", false, {}, 0},
    {"1;3", false, {}, 0},
    {"1.3", false, {}, 0},
    {"+1", false, {}, 0},
    {"a", false, {}, 0},
    {"4294967297", false, {}, 0}, // wraps to 1 in a 32-bit conversion: refused
    {"99999999999999999999", false, {}, 0},
    {"1-4294967296", false, {}, 0},
    {"000000000000000000001", true, {"257"}, 1}, // leading zeros are still just 1
};

TEST(PrintRangeTest, TextsTurnIntoTheirPrintLists)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        EXPECT_EQ(CheckPrintRangeText(c.text), c.valid);
        std::vector<std::string> list = {"kept"};
        int count = 10;
        EXPECT_EQ(ParsePrintRangeText(c.text, list, count), c.valid);
        std::vector<std::string> expected = {"kept"};
        expected.insert(expected.end(), c.entries.begin(), c.entries.end());
        EXPECT_THAT(list, ElementsAreArray(expected));
        EXPECT_EQ(count, 10 + c.count);
    }
}

TEST(PrintRangeTest, TheWalkPrintsEveryNumberInTextOrder)
{
    std::vector<std::string> list;
    int count = 0;
    ASSERT_TRUE(ParsePrintRangeText("9,3-5,1,5,254-", list, count));
    const std::vector<int> expected = {9, 3, 4, 5, 1, 5, 254, 255};
    EXPECT_EQ(ExpandPrintList(list), expected);
    EXPECT_EQ(count, static_cast<int>(expected.size()));
}

TEST(PrintRangeTest, ALongTextWithManyItemsIsFine)
{
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += std::to_string(i % 255 + 1) + (i % 2 ? "," : "-255,");
    std::vector<std::string> list;
    int count = 0;
    EXPECT_TRUE(ParsePrintRangeText(text, list, count));
    EXPECT_EQ(static_cast<int>(ExpandPrintList(list).size()), count);
}

} // namespace
