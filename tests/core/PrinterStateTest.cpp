#include "printer/PrinterState.h"

#include <gtest/gtest.h>

namespace {

using printer::PrinterState;

TEST(PrinterStateTest, DecodesEveryBitOfTheFourAnswers)
{
    struct Case {
        int n;
        uint8_t byte;
        bool PrinterState::*flag;
    };
    // Each flag stands in the table once; of a paper sensor's two bits, one alone counts.
    const Case cases[] = {
        {1, 0x16, &PrinterState::drawerPinHigh},      {1, 0x1A, &PrinterState::offline},
        {2, 0x16, &PrinterState::coverOpen},          {2, 0x1A, &PrinterState::feedButton},
        {2, 0x32, &PrinterState::paperEndStop},       {2, 0x52, &PrinterState::errorOccurred},
        {3, 0x16, &PrinterState::mechanicalError},    {3, 0x1A, &PrinterState::autocutterError},
        {3, 0x32, &PrinterState::unrecoverableError}, {3, 0x52, &PrinterState::autoRecoverableError},
        {4, 0x16, &PrinterState::paperNearEnd},       {4, 0x52, &PrinterState::paperEnd},
    };
    for (const Case& c : cases) {
        PrinterState state;
        ASSERT_TRUE(state.Take(c.n, c.byte)) << c.n << " " << int(c.byte);
        EXPECT_EQ(state.raw[static_cast<size_t>(c.n - 1)], c.byte);
        for (const Case& other : cases)
            EXPECT_EQ(state.*other.flag, other.flag == c.flag)
                << "DLE EOT " << c.n << " byte " << int(c.byte);
    }
}

TEST(PrinterStateTest, BytesThatCannotBeAnAnswerAreNotTaken)
{
    PrinterState state;
    for (const uint8_t byte : {0x00, 0x20, 0x13, 0x92, 0x10, 0x02, 0xFF})
        EXPECT_FALSE(state.Take(2, byte)) << int(byte);
    EXPECT_FALSE(state.Take(0, 0x12));
    EXPECT_FALSE(state.Take(5, 0x12));
    EXPECT_FALSE(state.Answered());
    EXPECT_EQ(printer::StateSummary(state), "No answer.");
}

TEST(PrinterStateTest, SaysWhatStopsARunAndWhatOnlyWarns)
{
    struct Case {
        std::vector<std::pair<int, uint8_t>> answers; // DLE EOT n and its byte
        bool blocking;
        const char* blockingText; // nullptr: not looked at
        const char* summary;
    };
    const Case cases[] = {
        {{{1, 0x12}, {4, 0x1E}}, false, "", "Ready. Paper near end."},
        {{{1, 0x1A}, {2, 0x32}, {4, 0x7E}}, true, "The printer is out of paper.", "Out of paper."},
        {{{1, 0x1A}, {2, 0x16}}, true, "The printer's cover is open.", "Cover open."},
        {{{2, 0x52}, {3, 0x1A}}, true, nullptr, "Auto-cutter error."},
        {{{1, 0x1A}}, false, "", "Off-line."}, // off-line with no cause given
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.summary);
        PrinterState state;
        for (const auto& [n, byte] : c.answers)
            state.Take(n, byte);
        EXPECT_EQ(state.Blocking(), c.blocking);
        if (c.blockingText) {
            EXPECT_EQ(printer::BlockingText(state), c.blockingText);
        }
        EXPECT_EQ(printer::StateSummary(state), c.summary);
    }
}

} // namespace
