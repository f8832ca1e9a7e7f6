#include "print/PrintWalk.h"

#include <gtest/gtest.h>

#include "print/PrintRange.h"
#include "printer/PrinterPort.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/PrintBytes.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Tick = CPrintWalk::Tick;

// The walk writing into memory; failAt makes that write (0-based) fail.
class MemoryWalk final : public CPrintWalk {
public:
    Bytes bytes;
    int writes = 0;
    int failAt = -1;
    int printedCalls = 0;
    int failedCalls = 0;

protected:
    bool WriteBuffer(const uint8_t* buffer, uint32_t length) override
    {
        if (writes++ == failAt)
            return false;
        bytes.insert(bytes.end(), buffer, buffer + length);
        return true;
    }
    void OnImagePrinted() override { ++printedCalls; }
    void OnWriteFailed() override
    {
        ++failedCalls;
        CPrintWalk::OnWriteFailed();
    }
};

using testing_support::NumberRange;
using testing_support::PrintedImages;

// Ticks until the walk stops printing; returns the tick that ended it and counts the
// ticks that printed.
Tick RunToEnd(MemoryWalk& walk, const std::vector<std::string>& list, int jobCount, int& printedTicks)
{
    printedTicks = 0;
    for (int guard = 0; guard < 100000; ++guard) {
        const Tick tick = walk.NextTick(list, jobCount);
        if (tick != Tick::Printed)
            return tick;
        ++printedTicks;
    }
    ADD_FAILURE() << "the walk never ended";
    return Tick::Failed;
}

class PrintWalkTest : public ::testing::Test {
protected:
    testing_support::FakePlatform platform;
    MemoryWalk walk;

    void Choose(int range, int mode, bool header)
    {
        walk.m_nRange = range;
        walk.m_nQuality = mode;
        walk.m_nHeader = header ? 1 : 0;
        walk.StartWalk();
    }
};

TEST_F(PrintWalkTest, SelectionsPrintTheirNumbersInTextOrderOnePerTick)
{
    struct Case {
        const char* text;
        std::vector<int> numbers;
    };
    const Case cases[] = {
        {"1,3-5,9", {1, 3, 4, 5, 9}},
        {"3-1,5-5,5", {1, 2, 3, 5, 5}},
        {"250-,-2", {250, 251, 252, 253, 254, 255, 1, 2}},
        {"7", {7}},
    };
    for (const Case& c : cases) {
        for (const bool header : {false, true}) {
            SCOPED_TRACE(std::string(c.text) + (header ? " with headers" : ""));
            std::vector<std::string> list;
            int count = 0;
            ASSERT_TRUE(ParsePrintRangeText(c.text, list, count));
            walk = MemoryWalk();
            Choose(1, 2, header);
            int ticks = 0;
            EXPECT_EQ(RunToEnd(walk, list, count, ticks), Tick::Finished);
            EXPECT_EQ(ticks, static_cast<int>(c.numbers.size()));
            EXPECT_EQ(walk.m_nPrinted, count);
            EXPECT_EQ(walk.printedCalls, count);
            EXPECT_EQ(walk.bytes, PrintedImages(c.numbers, 2, header));
        }
    }
}

TEST_F(PrintWalkTest, AllPrints1To255InOrderWhateverTheJobCountSays)
{
    for (const int mode : {0, 1, 2, 3}) {
        SCOPED_TRACE(mode);
        walk = MemoryWalk();
        Choose(0, mode, mode == 3);
        int ticks = 0;
        EXPECT_EQ(RunToEnd(walk, {}, 7, ticks), Tick::Finished);
        EXPECT_EQ(ticks, 255);
        EXPECT_EQ(walk.bytes, PrintedImages(NumberRange(1, 255), mode, mode == 3));
        EXPECT_EQ(walk.NextTick({}, 7), Tick::Finished); // and stays finished, sending nothing
        EXPECT_EQ(walk.bytes.size(), PrintedImages(NumberRange(1, 255), mode, mode == 3).size());
    }
}

TEST_F(PrintWalkTest, AStoppedRunSendsNothingMoreAndCountsNothing)
{
    for (const int range : {0, 1}) {
        walk = MemoryWalk();
        Choose(range, 0, true);
        ASSERT_EQ(walk.NextTick({"257", "3", "9"}, 8), Tick::Printed);
        const size_t sent = walk.bytes.size();
        walk.m_bStop = true;
        EXPECT_EQ(walk.NextTick({"257", "3", "9"}, 8), Tick::Stopped) << range;
        EXPECT_EQ(walk.NextTick({"257", "3", "9"}, 8), Tick::Stopped) << range;
        EXPECT_EQ(walk.bytes.size(), sent);
        EXPECT_EQ(walk.m_nPrinted, 1);
    }
    EXPECT_TRUE(platform.boxes.shown.empty());
}

TEST_F(PrintWalkTest, AFailedWriteReportsOnceAndEndsTheTickWithoutCounting)
{
    struct Case {
        const char* name;
        int range;
        bool header;
        int failAt; // which write fails
        size_t bytesBefore;
    };
    const Case cases[] = {
        {"All, second command", 0, false, 1, 4},
        {"All, header", 0, true, 2, 15 + 4},
        {"All, command after its header", 0, true, 3, 15 + 4 + 15},
        {"Selection, header", 1, true, 0, 0},
        {"Selection, command", 1, false, 2, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform.boxes.shown.clear();
        walk = MemoryWalk();
        walk.failAt = c.failAt;
        Choose(c.range, 1, c.header);
        int ticks = 0;
        EXPECT_EQ(RunToEnd(walk, {"1", "5"}, 5, ticks), Tick::Failed);
        EXPECT_TRUE(walk.m_bError);
        EXPECT_EQ(walk.failedCalls, 1);
        EXPECT_EQ(walk.m_nPrinted, ticks);
        EXPECT_EQ(walk.bytes.size(), c.bytesBefore);
        ASSERT_EQ(platform.boxes.shown.size(), 1u);
        EXPECT_EQ(platform.boxes.shown[0].text, "Communication error. Can not transimitted.");
        EXPECT_EQ(platform.boxes.shown[0].flags, platform::MB_ICONEXCLAMATION);
    }
}

TEST_F(PrintWalkTest, AListShorterThanItsCountEndsTheRunInsteadOfReadingPastIt)
{
    Choose(1, 0, false);
    int ticks = 0;
    EXPECT_EQ(RunToEnd(walk, {"260", "8"}, 50, ticks), Tick::Finished);
    EXPECT_EQ(walk.bytes, PrintedImages({4, 8}, 0, false)); // a low without its high is one number
}

TEST(PrintTextsTest, HeaderLinesAndStatusTexts)
{
    EXPECT_EQ(PrintHeaderLine(1), "--- Logo 1 ---\n");
    EXPECT_EQ(PrintHeaderLine(255), "--- Logo 255 ---\n");
    EXPECT_EQ(PrintStatusText(5), "Printing... 5/255");
    EXPECT_EQ(PrintStatusText(300), "Printing... 300/255");
}

TEST(PrintProgressBarTest, RunsBeyond16BitsScaleIntoTheBarAndEndFull)
{
    struct Case {
        int printed, jobCount, upper, position;
    };
    const Case cases[] = {
        {0, 5, 5, 0},
        {5, 5, 5, 5},
        {255, 255, 255, 255},
        {65535, 65535, 65535, 65535},
        {0, 65536, 65535, 0},
        {65536, 65536, 65535, 65535},
        {35000, 70000, 65535, 32767},
        {70000, 70000, 65535, 65535},
        {1, 70000, 65535, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProgressUpper(c.jobCount), c.upper) << c.jobCount;
        EXPECT_EQ(ProgressPosition(c.printed, c.jobCount), c.position) << c.printed << "/" << c.jobCount;
    }
    // Never backwards, and never past the end, whatever the count.
    for (const int jobCount : {65536, 100000, 2000000000}) {
        int last = 0;
        for (int printed = 0; printed <= jobCount; printed += jobCount / 97 + 1) {
            const int position = ProgressPosition(printed, jobCount);
            EXPECT_GE(position, last);
            EXPECT_LE(position, ProgressUpper(jobCount));
            last = position;
        }
        EXPECT_EQ(ProgressPosition(jobCount, jobCount), ProgressUpper(jobCount));
    }
}

class PrintPreambleTest : public ::testing::Test {
protected:
    testing_support::FakePlatform platform;
};

TEST_F(PrintPreambleTest, AFailedCheckSendsNoInitialise)
{
    testing_support::FakePrinter printer;
    CPrinterPort port(printer::kPrintVariant);
    ASSERT_TRUE(port.OpenPort(printer.Path(), 9600, 8, 0, 0, 0));
    printer.HangUp();
    EXPECT_FALSE(SendPrintPreamble(port, true));
    EXPECT_EQ(platform.boxes.Texts(), std::vector<std::string>{"ERROR - Write to port."});
}

} // namespace
