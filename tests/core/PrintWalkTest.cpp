// The print-range text users type, and the walk that prints the numbers it names.
#include "print/PrintWalk.h"

#include <gtest/gtest.h>

#include "print/PrintRange.h"
#include "tests/support/PrintBytes.h"

namespace {

using Tick = CPrintWalk::Tick;
using testing_support::NumberRange;
using testing_support::PrintedImages;

struct RangeCase {
    const char* text;
    PrintList items; // none: the text is refused
    int count;
};

// What users type, and what each text turns into.
const RangeCase kValid[] = {
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
const char* const kRefused[] = {"", ",", ",,", "1,,2", "1--2", ",,5", "5,,", "0", "00", "256", "0-5", "1-300",
                                "1-0", "1, 3", " 1", "1 ", "1\t", "1;3", "1.3", "+1", "a",
                                // wrapped by a 32-bit conversion
                                "4294967297", "99999999999999999999", "1-4294967296"};

TEST(PrintRangeTest, TextsTurnIntoTheirPrintListsOrAreRefused)
{
    std::vector<RangeCase> cases(std::begin(kValid), std::end(kValid));
    for (const char* text : kRefused)
        cases.push_back({text, {}, 0});
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        EXPECT_EQ(CheckPrintRangeText(c.text), !c.items.empty());
        PrintList list = {{7, 8}}; // an item parsed before stays
        int count = 10;
        EXPECT_EQ(ParsePrintRangeText(c.text, list, count), !c.items.empty());
        PrintList expected = {{7, 8}};
        expected.insert(expected.end(), c.items.begin(), c.items.end());
        EXPECT_EQ(list, expected);
        EXPECT_EQ(count, 10 + c.count);
    }
}

// The walk writing into memory.
class MemoryWalk final : public CPrintWalk {
public:
    MemoryWalk(int range, int mode, bool header)
    {
        m_nRange = range;
        m_nQuality = mode;
        m_nHeader = header ? 1 : 0;
    }
    // Ticks until the walk stops printing; returns the tick that ended it.
    Tick RunToEnd(const PrintList& list, int jobCount)
    {
        Tick tick = Tick::Printed;
        for (int guard = 0; tick == Tick::Printed && guard < 1000; ++guard)
            tick = NextTick(list, jobCount);
        return tick;
    }
    bool WriteBuffer(const uint8_t* buffer, uint32_t length) override
    {
        bytes.insert(bytes.end(), buffer, buffer + length);
        return true;
    }

    std::vector<uint8_t> bytes;
};

TEST(PrintWalkTest, EveryRunPrintsItsNumbersInOrderOnePerTick)
{
    struct Case {
        const char* text; // nullptr: All, NV images 1 to the count of the stored list (255 without one)
        std::vector<int> numbers;
        int mode;
        bool header;
    };
    const Case cases[] = {
        {"1,3-5,9", {1, 3, 4, 5, 9}, 2, true},
        {"3-1,5-5,5", {1, 2, 3, 5, 5}, 0, false},
        {"250-,-2", {250, 251, 252, 253, 254, 255, 1, 2}, 1, false},
        {nullptr, NumberRange(1, 255), 3, true},
        {nullptr, {1, 2, 3}, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "All");
        PrintList list;
        int count = static_cast<int>(c.numbers.size());
        ASSERT_TRUE(!c.text || ParsePrintRangeText(c.text, list, count));
        MemoryWalk walk(c.text ? 1 : 0, c.mode, c.header);
        EXPECT_EQ(walk.RunToEnd(list, count), Tick::Finished);
        EXPECT_EQ(walk.NextTick(list, count), Tick::Finished); // and stays finished, sending nothing
        EXPECT_EQ(walk.bytes, PrintedImages(c.numbers, c.mode, c.header));
    }
}

TEST(PrintWalkTest, AListShorterThanItsCountEndsTheRunInsteadOfReadingPastIt)
{
    MemoryWalk walk(1, 0, false);
    EXPECT_EQ(walk.RunToEnd({{4, 4}, {8, 9}}, 50), Tick::Finished);
    EXPECT_EQ(walk.bytes, PrintedImages({4, 8, 9}, 0, false));
}

TEST(PrintWalkTest, RunsLongerThanTheBarScaleIntoItAndEndFull)
{
    EXPECT_EQ(ProgressUpper(70000), 65535);
    EXPECT_EQ(ProgressPosition(35000, 70000), 32767);
    EXPECT_EQ(ProgressPosition(2000000000, 2000000000), 65535); // no overflow on the way
}

} // namespace
