#include "print/PrintRange.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAreArray;

namespace {

struct Case {
    const char* text;
    PrintList items; // none: the text is refused
    int count;
};

// What users type, and what each text turns into.
const Case kValid[] = {
    {"1,3-5,9", {{1, 1}, {3, 5}, {9, 9}}, 5},
    {"007", {{7, 7}}, 1},
    {"255", {{255, 255}}, 1},
    {"1-255", {{1, 255}}, 255},
    {",5,", {{5, 5}}, 1},
    {"5,", {{5, 5}}, 1}, // a trailing comma left while typing
    {"-", {{1, 255}}, 255},
    {"10-", {{10, 255}}, 246},
    {"-3", {{1, 3}}, 3},
    {"3-1", {{1, 3}}, 3}, // typed downwards, stored upwards
    {"5-5", {{5, 5}}, 1},
    {"1-2-3", {{1, 2}}, 2},       // the second hyphen ends the number
    {"5,5", {{5, 5}, {5, 5}}, 2}, // printed twice
    {"1-3,2-4", {{1, 3}, {2, 4}}, 6},
    {"000000000000000000001", {{1, 1}}, 1}, // leading zeros are still just 1
};

// Doubled separators (only one leading or trailing comma is dropped), numbers outside
// 1..255, spaces and anything else outside digits, ',' and '-', and numbers that a
// 32-bit conversion would wrap to 1 or 0.
const char* const kRefused[] = {"",   ",",  ",,",  "1,,2", "1--2",  ",,5", "5,,",
                                "0",  "00", "256", "0-5",  "1-300", "1-0", "1, 3",
                                " 1", "1 ", "1\t", "1;3",  "1.3",   "+1",  "a"};
const char* const kHuge[] = {"4294967297", "99999999999999999999", "1-4294967296"};

TEST(PrintRangeTest, TextsTurnIntoTheirPrintListsOrAreRefused)
{
    std::vector<Case> cases(std::begin(kValid), std::end(kValid));
    for (const char* text : kRefused)
        cases.push_back({text, {}, 0});
    for (const char* text : kHuge)
        cases.push_back({text, {}, 0});
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        EXPECT_EQ(CheckPrintRangeText(c.text), !c.items.empty());
        PrintList list = {{7, 8}}; // an item parsed before stays
        int count = 10;
        EXPECT_EQ(ParsePrintRangeText(c.text, list, count), !c.items.empty());
        PrintList expected = {{7, 8}};
        expected.insert(expected.end(), c.items.begin(), c.items.end());
        EXPECT_THAT(list, ElementsAreArray(expected));
        EXPECT_EQ(count, 10 + c.count);
    }
}

} // namespace
