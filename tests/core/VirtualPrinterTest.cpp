// The virtual printer: its memory answers, its two memories, its busy time, what it keeps
// across restarts, and that no byte stream makes it fail.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "emulator/VirtualPrinter.h"
#include "keyed/KeyedCommands.h"
#include "tests/support/KeyedChannels.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using namespace std::chrono_literals;
using ::testing::ElementsAre;

namespace {

const Bytes kFsqOneImage = {0x1C, 0x71, 0x01, 0x01, 0x00, 0x01, 0x00, 1, 2, 3, 4, 5, 6, 7, 8};

class VirtualPrinterTest : public ::testing::Test {
protected:
    VirtualPrinter& Start(VirtualPrinterOptions options)
    {
        printer = std::make_unique<VirtualPrinter>(options, clock,
                                                   [this](const std::string& line) { log.push_back(line); });
        std::string why;
        EXPECT_TRUE(printer->LoadMemory(why)) << why;
        return *printer;
    }
    Bytes Send(const Bytes& bytes)
    {
        printer->Receive(bytes.data(), bytes.size());
        return printer->TakeOutput();
    }
    std::vector<std::string> Keys() const
    {
        std::vector<std::string> keys;
        for (const auto& [key, graphic] : printer->Memory().KeyedGraphics())
            keys.push_back(key);
        return keys;
    }

    TempDir dir;
    ManualClock clock;
    std::unique_ptr<VirtualPrinter> printer;
    std::vector<std::string> log;
};

// (Its state and model answers are read through the status command's test.)
TEST_F(VirtualPrinterTest, AnswersTheMemoryRequests)
{
    Start({.dir = dir.Path()});
    EXPECT_EQ(Send(keyed::RequestCapacity()), (Bytes{0x37, 0x30, '2', '6', '2', '1', '4', '4', 0x00}));
    Send(DefineGraphic("L1", 8, 100));
    EXPECT_EQ(Send(keyed::RequestFreeRoom()), (Bytes{0x37, 0x31, '2', '6', '2', '0', '2', '0', 0x00}));

    // 41 keys: a block of 40 that says more follow, the rest after ACK; NAK repeats a
    // block, CAN or any command ends the list.
    for (int i = 1; i < 41; ++i)
        Send(DefineGraphic({static_cast<char>('A' + i / 10), static_cast<char>('0' + i % 10)}, 8, 1));
    const Bytes first = Send(keyed::RequestKeyList());
    ASSERT_EQ(first.size(), 3u + 80 + 1);
    EXPECT_EQ(Bytes(first.begin(), first.begin() + 5), (Bytes{0x37, 0x72, 0x41, 'A', '1'}));
    EXPECT_EQ(Send({keyed::NAK}), first);
    EXPECT_EQ(Send({keyed::ACK}), (Bytes{0x37, 0x72, 0x40, 'L', '1', 0x00}));
    EXPECT_TRUE(Send({keyed::ACK}).empty());
    Send(keyed::RequestKeyList());
    EXPECT_TRUE(Send({keyed::CAN, keyed::ACK}).empty());

    Start({.dir = dir.Path(), .classicOnly = true});
    EXPECT_TRUE(Send(keyed::RequestCapacity()).empty()); // no key-coded memory: no answer
    EXPECT_TRUE(Send(keyed::RequestKeyList()).empty());
}

// Many printers keep one memory or the other; --keep-both keeps both, --keyed-only
// has no FS q, and a graphic that does not fit is dropped without a word.
TEST_F(VirtualPrinterTest, TheTwoMemories)
{
    Start({.dir = dir.Path()});
    Send(kFsqOneImage);
    Send(DefineGraphic("L1", 16, 4));
    EXPECT_TRUE(printer->Memory().ClassicImages().empty());
    Send(kFsqOneImage);
    EXPECT_TRUE(Keys().empty());
    Send({0x1C, 0x70, 0x01, 0x00});
    EXPECT_TRUE(std::filesystem::exists(dir.File("print-001.png")));

    Start({.dir = dir.Path(), .capacity = 1000, .keepBoth = true});
    Send(DefineGraphic("L1", 16, 4));
    EXPECT_EQ(printer->Memory().ClassicImages().size(), 1u);
    Send(DefineGraphic("L2", 8, 1000)); // 1,024 with its control record: does not fit
    Send(DefineGraphic("L1", 8, 900));  // replaces L1, whose room counts as free
    EXPECT_THAT(Keys(), ElementsAre("L1"));
    EXPECT_EQ(printer->Memory().Free(), 1000u - 924);
    EXPECT_THAT(log[log.size() - 2], ::testing::HasSubstr("define L2: 8 x 1000 dots, 1000 bytes (ignored"));

    Start({.dir = dir.Path(), .keyedOnly = true});
    Send(kFsqOneImage);
    Send({0x1C, 0x70, 0x01, 0x00});
    EXPECT_THAT(Keys(), ElementsAre("L1")); // kept in the folder, not erased
    EXPECT_FALSE(std::filesystem::exists(dir.File("print-002.png")));
    // A graphic printed, defined anew and printed again gets a picture of its own.
    for (int round = 0; round < 2; ++round) {
        Send(DefineGraphic("L1", 8, 2 + round));
        Send(keyed::PrintKey("L1", 0));
        Send(keyed::PrintKey("L1", 0));
    }
    EXPECT_TRUE(std::filesystem::exists(dir.File("print-003.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("print-004.png")));
}

// After a write it reads nothing for its busy time: what follows waits, in order.
TEST_F(VirtualPrinterTest, BusyAfterEveryWrite)
{
    Start({.dir = dir.Path(), .busy = 5s});
    EXPECT_TRUE(
        Send(Join({DefineGraphic("L1", 8, 8), keyed::RequestFreeRoom(), {0x1D, 0x49, 0x01}})).empty());
    clock.Advance(4999ms);
    printer->Process();
    EXPECT_TRUE(printer->TakeOutput().empty());
    clock.Advance(1ms);
    printer->Process();
    EXPECT_EQ(printer->TakeOutput(), (Bytes{0x37, 0x31, '2', '6', '2', '1', '1', '2', 0x00, 0x20}));
    Send(keyed::DeleteKey("L1"));
    EXPECT_EQ(printer->BusyUntil(), clock.Now() + 5s);
    Send(keyed::DeleteKey("L1")); // not stored: no write, no busy time after it
    clock.Advance(5s);
    printer->Process();
    EXPECT_EQ(printer->BusyUntil(), clock.Now());
    // A host that hangs up right after a write: what it sent is still read.
    Send(DefineGraphic("L2", 8, 8));
    EXPECT_TRUE(Send({0x1D, 0x49, 0x01}).empty());
    printer->Disconnect();
    EXPECT_EQ(printer->TakeOutput(), Bytes{0x20});
}

TEST_F(VirtualPrinterTest, MemoryIsKeptAcrossRestartsAndADamagedFileIsRefused)
{
    Start({.dir = dir.Path()});
    Send(kFsqOneImage);
    Start({.dir = dir.Path(), .keepBoth = true});
    Send(DefineGraphic("L1", 9, 2));
    printer->Disconnect();
    Start({.dir = dir.Path(), .keepBoth = true});
    EXPECT_THAT(Keys(), ElementsAre("L1"));
    EXPECT_EQ(printer->Memory().Keyed("L1")->raster, (Bytes{1, 2, 3, 4}));
    ASSERT_EQ(printer->Memory().ClassicImages().size(), 1u);
    EXPECT_EQ(printer->Memory().ClassicImages()[0].raster,
              Bytes(kFsqOneImage.begin() + 7, kFsqOneImage.end()));
    Send(DefineGraphic("L2", 8, 1));
    EXPECT_TRUE(std::filesystem::exists(dir.File("key-L2-002.png"))); // numbered after what is there

    dir.Write("nv-memory.bin", std::string("NIVORA-NV-MEMORY 1\n\x01\x00\x00\x00\xFF", 24));
    printer = std::make_unique<VirtualPrinter>(VirtualPrinterOptions{.dir = dir.Path()}, clock, nullptr);
    std::string why;
    EXPECT_FALSE(printer->LoadMemory(why));
    EXPECT_THAT(why, ::testing::HasSubstr("not a memory file"));
    EXPECT_TRUE(printer->Memory().KeyedGraphics().empty());
}

// Rubbish, cut commands and commands in pieces: it never fails, skips what it cannot
// read, and takes a stream split anywhere (so its decoder fed piece by piece) as it
// takes it whole.
TEST_F(VirtualPrinterTest, AnyByteStreamIsSurvivedTheSameInPieces)
{
    std::mt19937 random(11);
    const std::vector<Bytes> parts = {DefineGraphic("K1", 16, 3),
                                      keyed::RequestKeyList(),
                                      {keyed::ACK},
                                      keyed::PrintKey("K1", 3),
                                      kFsqOneImage,
                                      {0x1C, 0x70, 0x01, 0x02},
                                      {0x1B, 0x21, 0x00},
                                      {0x1D, 0x38, 0x4C, 0xFF},
                                      {0x10, 0x04, 0x09},
                                      {0x0C},
                                      {'x', '\n'},
                                      {0, 0},
                                      {0x1D, 0x38, 0x4C, 0x05, 0x00, 0x00, 0x00, 0x30, 0x33, 9, 9, 9}};
    for (int round = 0; round < 100; ++round) {
        Bytes stream;
        for (int i = 0; i < 8; ++i) {
            const Bytes& part = parts[random() % parts.size()]; // whole, or cut off
            const size_t cut = random() % 4 == 0 ? random() % part.size() : part.size();
            stream.insert(stream.end(), part.begin(), part.begin() + static_cast<long>(cut));
            if (random() % 3 == 0)
                stream.push_back(static_cast<uint8_t>(random()));
        }
        std::vector<std::string> logs[2];
        Bytes answers[2];
        for (int split = 0; split < 2; ++split) {
            VirtualPrinter fresh({}, clock, [&](const std::string& line) { logs[split].push_back(line); });
            for (size_t at = 0; at < stream.size();) {
                const size_t size =
                    split ? std::min<size_t>(1 + random() % 7, stream.size() - at) : stream.size();
                fresh.Receive(stream.data() + at, size);
                at += size;
            }
            fresh.Disconnect();
            answers[split] = fresh.TakeOutput();
        }
        EXPECT_EQ(logs[1], logs[0]) << round;
        EXPECT_EQ(answers[1], answers[0]) << round;
    }
}

} // namespace
