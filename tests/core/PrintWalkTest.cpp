#include "print/PrintWalk.h"

#include <gtest/gtest.h>

#include "print/PrintRange.h"
#include "tests/support/PrintBytes.h"

namespace {

using Tick = CPrintWalk::Tick;
using testing_support::NumberRange;
using testing_support::PrintedImages;

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
