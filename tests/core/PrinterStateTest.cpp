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
    const Case cases[] = {
        {1, 0x16, &PrinterState::drawerPinHigh},      {1, 0x1A, &PrinterState::offline},
        {2, 0x16, &PrinterState::coverOpen},          {2, 0x1A, &PrinterState::feedButton},
        {2, 0x32, &PrinterState::paperEndStop},       {2, 0x52, &PrinterState::errorOccurred},
        {3, 0x16, &PrinterState::mechanicalError},    {3, 0x1A, &PrinterState::autocutterError},
        {3, 0x32, &PrinterState::unrecoverableError}, {3, 0x52, &PrinterState::autoRecoverableError},
        {4, 0x1E, &PrinterState::paperNearEnd},       {4, 0x72, &PrinterState::paperEnd},
    };
    bool PrinterState::*const all[] = {&PrinterState::drawerPinHigh,      &PrinterState::offline,
                                       &PrinterState::coverOpen,          &PrinterState::feedButton,
                                       &PrinterState::paperEndStop,       &PrinterState::errorOccurred,
                                       &PrinterState::mechanicalError,    &PrinterState::autocutterError,
                                       &PrinterState::unrecoverableError, &PrinterState::autoRecoverableError,
                                       &PrinterState::paperNearEnd,       &PrinterState::paperEnd};
    for (const Case& c : cases) {
        PrinterState state;
        ASSERT_TRUE(state.Take(c.n, c.byte)) << c.n << " " << int(c.byte);
        EXPECT_EQ(state.raw[static_cast<size_t>(c.n - 1)], c.byte);
        for (bool PrinterState::*flag : all)
            EXPECT_EQ(state.*flag, flag == c.flag) << "DLE EOT " << c.n << " byte " << int(c.byte);
    }
    // Only one of a sensor's two bits set still counts.
    PrinterState nearEnd;
    nearEnd.Take(4, 0x16);
    EXPECT_TRUE(nearEnd.paperNearEnd);
    PrinterState end;
    end.Take(4, 0x52);
    EXPECT_TRUE(end.paperEnd);
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
    PrinterState ready;
    ready.Take(1, 0x12);
    ready.Take(4, 0x1E);
    EXPECT_FALSE(ready.Blocking());
    EXPECT_EQ(printer::BlockingText(ready), "");
    EXPECT_EQ(printer::StateSummary(ready), "Ready. Paper near end.");

    PrinterState out;
    out.Take(1, 0x1A);
    out.Take(2, 0x32);
    out.Take(4, 0x7E);
    EXPECT_TRUE(out.Blocking());
    EXPECT_EQ(printer::BlockingText(out), "The printer is out of paper.");
    EXPECT_EQ(printer::StateSummary(out), "Out of paper.");

    PrinterState cover;
    cover.Take(1, 0x1A);
    cover.Take(2, 0x16);
    EXPECT_EQ(printer::BlockingText(cover), "The printer's cover is open.");
    EXPECT_EQ(printer::StateSummary(cover), "Cover open.");

    PrinterState cutter;
    cutter.Take(2, 0x52);
    cutter.Take(3, 0x1A);
    EXPECT_TRUE(cutter.Blocking());
    EXPECT_EQ(printer::StateSummary(cutter), "Auto-cutter error.");

    PrinterState offline; // off-line with no cause given
    offline.Take(1, 0x1A);
    EXPECT_FALSE(offline.Blocking());
    EXPECT_EQ(printer::StateSummary(offline), "Off-line.");
}

} // namespace
