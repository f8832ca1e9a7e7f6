// Decoding the key-coded commands, a stream taken in pieces, and the bounds of render.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "download/StreamDecoder.h"
#include "emulator/StreamRenderer.h"
#include "keyed/KeyedCommands.h"
#include "printer/EscPos.h"
#include "tests/support/KeyedChannels.h"
#include "tests/support/Sanitizers.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using ::testing::ElementsAre;

namespace {

std::string Describe(const StreamEvent& event)
{
    switch (event.kind) {
    case StreamEventKind::KeyedCapacity:
        return "capacity";
    case StreamEventKind::KeyedFreeRoom:
        return "free";
    case StreamEventKind::KeyedKeyList:
        return "list";
    case StreamEventKind::KeyedDeleteAll:
        return "delete all";
    case StreamEventKind::KeyedDelete:
        return "delete " + event.key;
    case StreamEventKind::KeyedDefine:
        return event.text + " define " + event.key;
    case StreamEventKind::KeyedPrint:
        return "print " + event.key + " " + std::to_string(event.mode) + " -> " +
               std::to_string(event.definition);
    case StreamEventKind::SkippedCommand:
        return event.text + " (" + std::to_string(event.value) + ")";
    default:
        return "other " + std::to_string(static_cast<int>(event.kind)) + " @" + std::to_string(event.offset);
    }
}

TEST(KeyedStreamTest, EveryKeyedCommandIsDecoded)
{
    const Bytes stream =
        Join({keyed::RequestCapacity(),
              keyed::RequestFreeRoom(),
              keyed::RequestKeyList(),
              DefineGraphic("L1", 12, 3),
              DefineGraphic("L2", 512, 1100),
              keyed::PrintKey("L1", 2),
              keyed::PrintKey("L3", 3),
              keyed::DeleteKey("L2"),
              keyed::PrintKey("L2", 0),
              keyed::DeleteAll(),
              // fn 50 (not ours), and a define whose length does not match its size
              {0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x32},
              {0x1D, 0x28, 0x4C, 0x0C, 0x00, 0x30, 0x43, 0x30, 'L', '9', 1, 8, 0, 2, 0, 0x31, 0xFF},
              {0x1D, 0x28, 0x4C, 0x01, 0x00, 0x31},
              DefineGraphic("L8", 8, 2305),
              DefineGraphic("L9", 8193, 1)});
    const DecodedStream decoded = DecodeStream(stream);
    ASSERT_TRUE(decoded.complete) << decoded.error;
    std::vector<std::string> seen;
    for (const StreamEvent& event : decoded.events)
        seen.push_back(Describe(event));
    EXPECT_THAT(seen,
                ElementsAre("capacity", "free", "list", "GS ( L define L1", "GS 8 L define L2",
                            "print L1 2 -> 0", "print L3 3 -> -1", "delete L2", "print L2 0 -> -1",
                            "delete all", "GS ( L fn 50 (7)",
                            "GS ( L fn 67 for 8 x 2 dots with 1 data bytes (17)", "GS ( L with m = 49 (6)",
                            "GS ( L fn 67 for 8 x 2305 dots with 2305 data bytes (2321)",
                            "GS ( L fn 67 for 8193 x 1 dots with 1025 data bytes (1041)"));
    ASSERT_EQ(decoded.keyedDefinitions.size(), 2u);
    const KeyedGraphic& first = decoded.keyedDefinitions[0];
    EXPECT_EQ(first.width, 12);
    EXPECT_EQ(first.raster, (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(first.Dots().Dot(7, 0), 1);  // 0x01: the eighth dot of the first row
    EXPECT_EQ(first.Dots().Dot(11, 0), 0); // 0x02 holds the next four: dots 8..11 are 0000
    EXPECT_EQ(first.Dots().Dot(6, 1), 1);  // 0x03 starts row 1: ......11
    EXPECT_EQ(decoded.keyedDefinitions[1].raster.size(), 70400u);
    EXPECT_TRUE(decoded.keyed.empty());
}

// Cut off anywhere, a key-coded command is named with its offset. (Streams taken in
// pieces are tried through the virtual printer, which feeds the decoder as it reads.)
TEST(KeyedStreamTest, CutOffCommandsAndLongLines)
{
    const Bytes define = DefineGraphic("L1", 16, 2);
    for (size_t cut = 1; cut < define.size(); ++cut) {
        const DecodedStream decoded =
            DecodeStream(Join({{'a', 'b'}, Bytes(define.begin(), define.begin() + cut)}));
        EXPECT_FALSE(decoded.complete) << cut;
        EXPECT_EQ(decoded.errorOffset, 2u) << cut << ": " << decoded.error;
    }
    EXPECT_EQ(DecodeStream(Bytes(define.begin(), define.end() - 1)).error,
              "GS ( L fn 67 for L1: 4 data bytes announced, 3 left in the stream");
    // A line without end is handed over in pieces of 4096 bytes.
    const DecodedStream line = DecodeStream(Join({Bytes(4097, 'a'), {'\n'}}));
    ASSERT_EQ(line.events.size(), 2u);
    EXPECT_EQ(line.events[0].text.size(), 4096u);
    EXPECT_FALSE(line.events[0].lineEnded);
    EXPECT_EQ(line.events[1].offset, 4096u);
}

// What render keeps while it reads: the peak memory of a child process that renders
// megabytes of commands, against one that renders nothing. Kilobytes.
long RenderPeakKb(const Bytes& chunk, int repeats, const std::string& dir)
{
    const pid_t child = ::fork();
    if (child == 0) {
        NvMemory memory(NvMemory::Options{0, false, 0});
        StreamRenderer::Options options;
        options.dir = dir;
        StreamRenderer renderer(options, memory, [](size_t, const std::string&) {});
        StreamDecoder decoder(renderer);
        for (int i = 0; i < repeats; ++i)
            decoder.Feed(chunk.data(), chunk.size());
        decoder.Finish();
        ::_exit(renderer.HasError() ? 1 : 0);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

TEST(RenderBoundsTest, MemoryStaysFlat)
{
    if (kAddressSanitizer)
        GTEST_SKIP() << "AddressSanitizer holds freed memory back, so the peak would measure the sanitizer";
    TempDir dir;
    const long idle = RenderPeakKb({}, 0, dir.Path());
    ASSERT_GT(idle, 0);
    Bytes lines, nuls;
    for (int i = 0; i < 32768; ++i) {
        lines.insert(lines.end(), {'a', '\n'});
        nuls.insert(nuls.end(), {0, 'a'});
    }
    // 4 MB each: command after command, nothing kept but the line being read.
    for (const Bytes* chunk : {&lines, &nuls}) {
        const long peak = RenderPeakKb(*chunk, 64, dir.Path());
        ASSERT_GT(peak, 0);
        EXPECT_LT(peak - idle, 2048) << "KB beyond an empty render for 4 MB of input";
    }
}

// One stored image printed at four sizes, again and again: at most maxPictures files,
// and a repeated print names the picture already written.
TEST(RenderBoundsTest, PicturesAreCapped)
{
    TempDir dir;
    NvMemory memory(NvMemory::Options{0, false, 0});
    StreamRenderer::Options options;
    options.dir = dir.Path();
    options.maxPictures = 3;
    std::vector<std::string> lines2;
    StreamRenderer renderer(options, memory,
                            [&](size_t, const std::string& text) { lines2.push_back(text); });
    StreamDecoder decoder(renderer);
    Bytes stream = Join({{0x1C, 0x71, 0x01, 0x01, 0x00, 0x01, 0x00}, Bytes(8, 0x81)});
    for (int i = 0; i < 20; ++i)
        for (const uint8_t mode : {0, 1, 2, 3})
            stream = Join({stream, {0x1C, 0x70, 0x01, mode}});
    decoder.Feed(stream.data(), stream.size());
    decoder.Finish();
    EXPECT_TRUE(renderer.CapReached());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3);
    EXPECT_THAT(lines2[2], ::testing::HasSubstr("print-001.png"));
    EXPECT_THAT(lines2[3], ::testing::HasSubstr("print-002.png"));
    EXPECT_THAT(lines2[4], ::testing::HasSubstr("(picture not saved: 3 written)"));
    EXPECT_THAT(lines2[6], ::testing::HasSubstr("print-001.png (as printed before)"));
}

} // namespace
