// The key-coded commands and the reading of the printer's answers, against a printer
// that answers from a script.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "keyed/KeyedCommands.h"
#include "keyed/KeyedRuns.h"
#include "keyed/KeyedSession.h"
#include "keyed/NvKey.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/KeyedChannels.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using namespace std::chrono_literals;
using ::testing::ElementsAre;

namespace {

const Bytes kCapacity = {0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x30};
const Bytes kFree = {0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x33};
const Bytes kKeyList = {0x1D, 0x28, 0x4C, 0x04, 0x00, 0x30, 0x40, 0x4B, 0x43};

TEST(KeyedCommandsTest, BytesOfEveryFunction)
{
    EXPECT_EQ(keyed::RequestCapacity(), kCapacity);
    EXPECT_EQ(keyed::RequestFreeRoom(), kFree);
    EXPECT_EQ(keyed::RequestKeyList(), kKeyList);
    EXPECT_EQ(keyed::DeleteAll(), (Bytes{0x1D, 0x28, 0x4C, 0x05, 0x00, 0x30, 0x41, 0x43, 0x4C, 0x52}));
    EXPECT_EQ(keyed::DeleteKey("L1"), (Bytes{0x1D, 0x28, 0x4C, 0x04, 0x00, 0x30, 0x42, 'L', '1'}));
    // FS p's four print sizes: x and y are the width and height scales.
    const std::pair<int, Bytes> sizes[] = {{0, {1, 1}}, {1, {2, 1}}, {2, {1, 2}}, {3, {2, 2}}};
    for (const auto& [mode, scales] : sizes)
        EXPECT_EQ(keyed::PrintKey("A ", mode),
                  (Bytes{0x1D, 0x28, 0x4C, 0x06, 0x00, 0x30, 0x45, 'A', ' ', scales[0], scales[1]}))
            << mode;
    // p = 11 + k: GS ( L up to 65,535, GS 8 L with four length bytes beyond.
    EXPECT_EQ(keyed::DefineHeader("L1", 300, 2, 76),
              (Bytes{0x1D, 0x28, 0x4C, 87, 0, 0x30, 0x43, 0x30, 'L', '1', 1, 0x2C, 0x01, 2, 0, 0x31}));
    EXPECT_EQ(keyed::DefineHeader("L1", 8, 65524, 65524),
              (Bytes{0x1D, 0x28, 0x4C, 0xFF, 0xFF, 0x30, 0x43, 0x30, 'L', '1', 1, 8, 0, 0xF4, 0xFF, 0x31}));
    EXPECT_EQ(
        keyed::DefineHeader("L1", 512, 2304, 147456),
        (Bytes{0x1D, 0x38, 0x4C, 0x0B, 0x40, 0x02, 0x00, 0x30, 0x43, 0x30, 'L', '1', 1, 0, 2, 0, 9, 0x31}));
    EXPECT_EQ(keyed::DefineHeader("L1", 8, 65525, 65525)[1], 0x38);

    EXPECT_TRUE(IsNvKey(" ~"));
    EXPECT_TRUE(IsNvKey("01"));
    for (const char* bad : {"", "L", "L12", "\037A", "A\177"})
        EXPECT_FALSE(IsNvKey(bad)) << bad;
}

// Answers as printers send them: in pieces of any size, after automatic status bytes,
// with XON / XOFF inside, and with rubbish that only looks like an answer.
TEST(KeyedRepliesTest, AnswersAreFoundAmongOtherBytes)
{
    const auto readAll = [](const Bytes& bytes) {
        keyed::ReplyReader reader;
        std::vector<std::string> found;
        for (const uint8_t byte : bytes) {
            const auto fed = reader.Feed(byte);
            if (fed == keyed::ReplyReader::Fed::Malformed)
                found.push_back("malformed");
            else if (fed == keyed::ReplyReader::Fed::Reply &&
                     reader.Reply().kind == keyed::ReplyKind::KeyBlock) {
                std::string keys = reader.Reply().more ? "more:" : "last:";
                for (const std::string& key : reader.Reply().keys)
                    keys += key;
                found.push_back(keys);
            } else if (fed == keyed::ReplyReader::Fed::Reply)
                found.push_back((reader.Reply().kind == keyed::ReplyKind::Capacity ? "capacity " : "free ") +
                                std::to_string(reader.Reply().number));
        }
        return found;
    };
    EXPECT_THAT(readAll({0x14, 0x00, 0x00, 0x0F, 0x37, 0x30, '2', 0x13, '5', '6', 0x11, 0x00}),
                ElementsAre("capacity 256"));
    EXPECT_THAT(readAll({0x12, 0x37, 0x31, '0', 0x00, 0x37, 0x72, 0x41, 'L', '1', 0x13, 'C', 'P', 0x00}),
                ElementsAre("free 0", "more:L1CP"));
    EXPECT_THAT(readAll({0x37, 0x72, 0x40, 0x00, 0x37, 0x72, 0x40, 'L', 0x00, 0x37, 0x72, 0x42, 0x00}),
                ElementsAre("last:", "malformed", "malformed"));
    // Not answers: an unknown identifier, a number with a letter or nine digits, a key
    // below the space.
    EXPECT_THAT(
        readAll({0x37, 0x35, '1', 0x00, 0x37, 0x30, '1',  'x',  0x00, 0x37, 0x30, '1',  '2',  '3', '4', '5',
                 '6',  '7',  '8', '9',  0x00, 0x37, 0x72, 0x40, 0x1F, 'A',  0x00, 0x37, 0x31, '7', 0x00}),
        ElementsAre("malformed", "free 7"));
}

class KeyedScriptTest : public ::testing::Test {
protected:
    ManualClock clock;
    ScriptedPrinter printer{clock};
    std::atomic<bool> stop{false};
    TempDir dir;
};

// Capacity, free room and the key list, each asked once and the list acknowledged. (How
// an answer is picked out of other bytes is the reply reader's test above.)
TEST_F(KeyedScriptTest, MemoryIsAskedInOrder)
{
    printer.Holds(180004, {"L1", "L2", "CP"});
    keyed::RunContext context{printer, clock, stop};
    const keyed::RunResult result = keyed::AskMemory(context);
    ASSERT_EQ(result.outcome, keyed::Outcome::Done) << result.message;
    EXPECT_EQ(result.memory.capacity, 262144u);
    EXPECT_EQ(result.memory.free, 180004u);
    EXPECT_THAT(result.memory.keys, ElementsAre("L1", "L2", "CP"));
    EXPECT_EQ(printer.Sent(), Join({kCapacity, kFree, kKeyList, {keyed::ACK}}));
}

// 41 keys come in two blocks, each acknowledged; a block that cannot be read is asked
// for again with NAK; a stop cancels the list with CAN.
TEST_F(KeyedScriptTest, KeyListHandshake)
{
    std::vector<std::string> keys;
    for (int i = 0; i < 41; ++i)
        keys.push_back({static_cast<char>('A' + i / 10), static_cast<char>('0' + i % 10)});
    const Bytes broken = {0x37, 0x72, 0x41, 'A', 0x00};
    printer.Answer({kKeyList, {broken}});
    printer.Answer({{keyed::NAK}, {KeyBlock(true, {keys.begin(), keys.begin() + 40})}});
    printer.Answer({{keyed::ACK}, {KeyBlock(false, {keys.back()})}});
    keyed::RunContext context{printer, clock, stop};
    keyed::KeyedSession session(context);
    std::vector<std::string> read;
    ASSERT_EQ(session.ReadKeys(read), keyed::Got::Answer);
    EXPECT_EQ(read, keys);
    const Bytes& sent = printer.Sent();
    EXPECT_EQ(Bytes(sent.end() - 3, sent.end()), (Bytes{keyed::NAK, keyed::ACK, keyed::ACK}));

    // A printer that never sends a readable block is cancelled after three NAKs.
    ScriptedPrinter rubbish(clock);
    rubbish.Answer({kKeyList, {broken}});
    rubbish.Answer({{keyed::NAK}, {broken}, 0ms, 3});
    keyed::RunContext other{rubbish, clock, stop};
    keyed::KeyedSession failing(other);
    EXPECT_EQ(failing.ReadKeys(read), keyed::Got::Malformed);
    EXPECT_EQ(Bytes(rubbish.Sent().end() - 4, rubbish.Sent().end()),
              (Bytes{keyed::NAK, keyed::NAK, keyed::NAK, keyed::CAN}));

    ScriptedPrinter slow(clock);
    slow.Answer({kKeyList, {KeyBlock(true, {"L1"})}, 500ms});
    keyed::RunContext stopping{slow, clock, stop};
    keyed::KeyedSession stopped(stopping);
    stop = true;
    EXPECT_EQ(stopped.ReadKeys(read), keyed::Got::Stopped);
    EXPECT_EQ(slow.Sent().back(), keyed::CAN);
}

TEST_F(KeyedScriptTest, APrinterThatAnswersNothingIsToldWithinTheDeadline)
{
    keyed::RunContext context{printer, clock, stop};
    const auto start = clock.Now();
    keyed::RunResult result = keyed::AskMemory(context);
    EXPECT_EQ(result.outcome, keyed::Outcome::NoAnswer);
    EXPECT_EQ(result.message,
              "The printer does not answer key-coded memory requests; use All at once (FS q).");
    EXPECT_EQ(clock.Now() - start, 1000ms);
    EXPECT_EQ(printer.Sent(), kCapacity); // nothing more after the first silence

    // A stop ends the wait within 200 ms.
    ScriptedPrinter silent(clock);
    const auto asked = clock.Now();
    auto stoppedAt = asked;
    silent.whileWaiting = [&] {
        if (!stop && clock.Now() - asked >= 150ms) {
            stop = true;
            stoppedAt = clock.Now();
        }
    };
    keyed::RunContext stopping{silent, clock, stop};
    EXPECT_EQ(keyed::AskMemory(stopping).outcome, keyed::Outcome::Stopped);
    EXPECT_LE(clock.Now() - stoppedAt, 200ms);
    stop = false;

    // An answer that comes after its deadline is too late.
    ScriptedPrinter late(clock);
    late.Answer({kCapacity, {NumberReply(0x30, 1)}, 1001ms});
    keyed::RunContext lateContext{late, clock, stop};
    EXPECT_EQ(keyed::AskMemory(lateContext).outcome, keyed::Outcome::NoAnswer);
}

// A graphic that does not fit with the margin is refused before a byte of it is sent;
// a printer that drops one without a word is caught when the keys are read again.
TEST_F(KeyedScriptTest, WhatDoesNotFitIsRefusedAndWhatIsDroppedIsCaught)
{
    const std::string logo =
        WriteSolidBmp(dir.File("wide.bmp"), 512, 16); // 1,024 bytes: with the margin 1,088
    printer.Holds(1087, {});
    keyed::RunContext context{printer, clock, stop};
    keyed::Ledger ledger("test", "");
    keyed::RunResult result = keyed::StoreLogos(context, {{"L1", logo, {}}}, ledger);
    EXPECT_EQ(result.outcome, keyed::Outcome::Failed);
    ASSERT_EQ(result.refused.size(), 1u);
    EXPECT_EQ(result.refused[0].second, "does not fit: needs 1,088 bytes, the printer has 1,087 free");
    EXPECT_EQ(Bytes(printer.Sent().end() - 1, printer.Sent().end()), Bytes{keyed::ACK}); // no define

    ScriptedPrinter dropping(clock);
    dropping.Holds(1088, {"CP"}, 2);
    dropping.Answer({kFree, {NumberReply(0x31, 1088)}});
    keyed::RunContext other{dropping, clock, stop};
    result = keyed::StoreLogos(other, {{"L1", logo, {}}}, ledger);
    EXPECT_EQ(result.outcome, keyed::Outcome::Failed);
    EXPECT_EQ(result.message, "The printer did not keep L1.");
    EXPECT_TRUE(result.stored.empty());
    EXPECT_EQ(ledger.Find("L1"), nullptr);
}

} // namespace
