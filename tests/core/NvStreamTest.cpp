#include "download/NvStream.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "app/SharedRecord.h"
#include "download/NvDownload.h"
#include "download/NvImage.h"
#include "logo/LogoLoader.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Bytes = std::vector<uint8_t>;

namespace {

// Records every write like MemorySink; the writes whose 0-based numbers are listed fail.
class ScriptedSink final : public ByteSink {
public:
    bool WriteBuffer(const uint8_t* data, uint32_t length) override
    {
        const bool ok = failing.count(writes.size()) == 0;
        writes.push_back(Bytes(data, data + length));
        return ok;
    }
    Bytes All() const
    {
        Bytes all;
        for (const Bytes& w : writes)
            all.insert(all.end(), w.begin(), w.end());
        return all;
    }
    std::vector<size_t> Lengths() const
    {
        std::vector<size_t> lengths;
        for (const Bytes& w : writes)
            lengths.push_back(w.size());
        return lengths;
    }
    std::set<size_t> failing;
    std::vector<Bytes> writes;
};

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The raster of an all-black 100 x 50 picture, column by column: 6 full bytes and the
// top two dots of the 7th, then 4 white margin columns.
Bytes Black100x50Raster()
{
    Bytes raster;
    for (int x = 0; x < 104; ++x)
        for (int r = 0; r < 7; ++r)
            raster.push_back(x >= 100 ? 0x00 : r < 6 ? 0xFF : 0xC0);
    return raster;
}

class NvStreamTest : public ::testing::Test {
protected:
    NvStreamTest()
    {
        g_Shared.m_nThreshold = 128;
        g_Shared.m_nMaxPrintWidth = 512;
    }

    std::string Bmp(
        const std::string& name, int width, int height, const PixelFn& pixel = [](int, int) { return 0u; })
    {
        BmpParams params;
        params.width = width;
        params.height = height;
        params.bitsPerPixel = 24;
        WriteFile(dir.File(name), MakeBmp(params, pixel));
        return dir.File(name);
    }
    void List(const std::string& path)
    {
        loader.m_strFilePath = path;
        ASSERT_TRUE(loader.AddFile(0, path));
    }
    bool Download(bool pauses = true)
    {
        NvStreamWriter writer(sink, pauses);
        return WriteNvDownload(writer, *image, emptyRows);
    }

    FakePlatform fake;
    TempDir dir;
    CLogoLoader loader;
    ScriptedSink sink;
    std::unique_ptr<CNvImage> image = std::make_unique<CNvImage>();
    std::vector<int> emptyRows;
};

TEST_F(NvStreamTest, TwoLogosOf100By50)
{
    List(Bmp("a.bmp", 100, 50));
    List(Bmp("b.bmp", 100, 50));
    ASSERT_TRUE(Download());
    const Bytes raster = Black100x50Raster();
    EXPECT_EQ(sink.All(), Bytes({0x1C, 0x71, 0x02}) + Bytes({0x0D, 0x00, 0x07, 0x00}) + raster +
                              Bytes({0x0D, 0x00, 0x07, 0x00}) + raster);
    EXPECT_THAT(sink.Lengths(), ElementsAre(3, 4, 512, 216, 4, 512, 216));
    EXPECT_THAT(fake.clock.sleeps, ElementsAre(3500, 10, 10, 10, 10));
    EXPECT_TRUE(emptyRows.empty());
}

TEST_F(NvStreamTest, EightByEightWithOneDot)
{
    List(Bmp("dot.bmp", 8, 8, [](int x, int y) { return x == 2 && y == 5 ? 0u : 0xFFFFFFu; }));
    ASSERT_TRUE(Download());
    EXPECT_THAT(sink.All(),
                ElementsAreArray({0x1C, 0x71, 0x01, 0x01, 0x00, 0x01, 0x00, 0, 0, 0x04, 0, 0, 0, 0, 0}));
    EXPECT_THAT(sink.Lengths(), ElementsAre(3, 4, 8));
    EXPECT_THAT(fake.clock.sleeps, ElementsAre(3500, 10));
}

TEST_F(NvStreamTest, AnExactMultipleOf512EndsWithAnEmptyPiece)
{
    List(Bmp("wide.bmp", 512, 8));
    ASSERT_TRUE(Download());
    EXPECT_EQ(sink.All(), Bytes({0x1C, 0x71, 0x01, 0x40, 0x00, 0x01, 0x00}) + Bytes(512, 0xFF));
    EXPECT_THAT(sink.Lengths(), ElementsAre(3, 4, 512, 0));
    EXPECT_THAT(fake.clock.sleeps, ElementsAre(3500, 10, 10));
}

TEST_F(NvStreamTest, ACentredImageIsSentWithItsBlankColumns)
{
    List(Bmp("c.bmp", 100, 50));
    g_Shared.m_arrAutoCenter[0] = 1;
    ASSERT_TRUE(Download());
    EXPECT_EQ(sink.All(),
              Bytes({0x1C, 0x71, 0x01, 0x27, 0x00, 0x07, 0x00}) + Bytes(1456, 0) + Black100x50Raster());
    EXPECT_THAT(sink.Lengths(), ElementsAre(3, 4, 512, 512, 512, 512, 136));
    EXPECT_EQ(g_Shared.m_nTotalBytes, 728 + 1456);
}

TEST_F(NvStreamTest, TwoHundredFiftyFiveLogosInAscendingNumberOrder)
{
    for (int i = 0; i < 255; ++i)
        List(Bmp("l" + std::to_string(i) + ".bmp", 1 + i % 3 * 8, 1));
    // Rows 0 and 1 swap numbers: row 1 must go first.
    std::swap(g_Shared.m_arrNumber[0], g_Shared.m_arrNumber[1]);
    ASSERT_TRUE(Download(false));
    const Bytes all = sink.All();
    EXPECT_THAT(Bytes(all.begin(), all.begin() + 3), ElementsAre(0x1C, 0x71, 0xFF));
    EXPECT_EQ(sink.writes.size(), 1u + 255 * 2);
    EXPECT_EQ(sink.writes[1], Bytes({0x02, 0x00, 0x01, 0x00})); // row 1: 9 dots wide
    EXPECT_EQ(sink.writes[3], Bytes({0x01, 0x00, 0x01, 0x00})); // row 0: 1 dot wide
    EXPECT_EQ(sink.writes[5], Bytes({0x03, 0x00, 0x01, 0x00}));
    EXPECT_TRUE(fake.clock.sleeps.empty());
}

TEST_F(NvStreamTest, AnEmptyListDeletesAllImagesInOneWrite)
{
    ASSERT_TRUE(Download());
    ASSERT_EQ(sink.writes.size(), 1u);
    EXPECT_THAT(sink.writes[0], ElementsAre(0x1C, 0x71, 0x01, 0x00, 0x00, 0x00, 0x00));
    EXPECT_TRUE(fake.clock.sleeps.empty());
    EXPECT_TRUE(fake.boxes.shown.empty());

    sink.writes.clear();
    sink.failing = {0};
    EXPECT_FALSE(Download());
    EXPECT_THAT(fake.boxes.Texts(), ElementsAre("ERROR - Write to port."));
    EXPECT_EQ(fake.boxes.shown[0].flags, 0x30u);
}

// The dialog's way: FS q 5, two images, Cancel, then the completion groups, one more
// than the three definitions still owed.
TEST_F(NvStreamTest, CancelAfterTwoOfFive)
{
    List(Bmp("a.bmp", 8, 8));
    NvStreamWriter writer(sink);
    ASSERT_TRUE(writer.WriteDefine(5));
    writer.WaitForErase();
    ASSERT_TRUE(image->LoadFile(g_Shared.m_arrPath[0]));
    image->BuildRaster(0);
    ASSERT_TRUE(writer.WriteImage(*image));
    ASSERT_TRUE(writer.WriteImage(*image));
    const size_t before = sink.writes.size();
    ASSERT_EQ(CompletionGroups(5, 2), 4);
    EXPECT_TRUE(writer.WriteCompletion(CompletionGroups(5, 2)));
    ASSERT_EQ(sink.writes.size(), before + 4);
    for (size_t i = before; i < sink.writes.size(); ++i)
        EXPECT_THAT(sink.writes[i], ElementsAre(0, 0, 0, 0));
    EXPECT_THAT(fake.clock.sleeps, ElementsAre(3500, 10, 10)); // no pause between groups
    EXPECT_TRUE(fake.boxes.shown.empty());
}

TEST_F(NvStreamTest, AFailedCompletionGroupIsReportedAndTheRestStillGo)
{
    NvStreamWriter writer(sink);
    sink.failing = {1, 2};
    EXPECT_FALSE(writer.WriteCompletion(4));
    EXPECT_EQ(sink.writes.size(), 4u);
    EXPECT_THAT(fake.boxes.Texts(), ElementsAre("ERROR - Write to port.", "ERROR - Write to port."));
    EXPECT_EQ(fake.boxes.shown[0].flags, 0x30u);
}

TEST_F(NvStreamTest, AFailedHeaderStopsTheImageAndFailedPiecesDoNot)
{
    List(Bmp("a.bmp", 100, 50));
    ASSERT_TRUE(image->LoadFile(g_Shared.m_arrPath[0]));
    image->BuildRaster(0);
    NvStreamWriter writer(sink);

    sink.failing = {0};
    EXPECT_FALSE(writer.WriteImage(*image));
    EXPECT_EQ(sink.writes.size(), 1u);
    EXPECT_TRUE(fake.clock.sleeps.empty());

    sink.failing = {2}; // the first piece of the next attempt
    EXPECT_TRUE(writer.WriteImage(*image));
    EXPECT_THAT(sink.Lengths(), ElementsAre(4, 4, 512, 216));
    EXPECT_TRUE(fake.boxes.shown.empty()); // the caller reports
}

TEST_F(NvStreamTest, AFailedDefineIsReportedAfterwardsAndStillWaitedFor)
{
    List(Bmp("a.bmp", 8, 8));
    sink.failing = {0};
    EXPECT_FALSE(Download());
    EXPECT_EQ(sink.writes.size(), 1u);
    EXPECT_THAT(fake.boxes.Texts(), ElementsAre("Communication error. Can not transimitted."));
    EXPECT_THAT(fake.clock.sleeps, ElementsAre(3500));

    NvStreamWriter writer(sink);
    sink.failing = {1};
    EXPECT_FALSE(writer.WriteDefine(1));
    EXPECT_EQ(fake.clock.sleeps.size(), 1u); // WriteDefine itself never waits
}

// Progress after every piece, before its pause: the window repaints with the bytes sent.
TEST_F(NvStreamTest, ThePieceCallbackRunsBeforeEachPause)
{
    List(Bmp("a.bmp", 200, 24)); // 600 bytes: 512 + 88
    ASSERT_TRUE(image->LoadFile(g_Shared.m_arrPath[0]));
    image->BuildRaster(0);
    NvStreamWriter writer(sink);
    std::vector<std::pair<int, size_t>> calls; // bytes, pauses so far
    ASSERT_TRUE(
        writer.WriteImage(*image, [&](int bytes) { calls.emplace_back(bytes, fake.clock.sleeps.size()); }));
    EXPECT_THAT(calls, ElementsAre(std::make_pair(512, 0u), std::make_pair(88, 1u)));
}

// A file that is gone by the time its turn comes still fills its place in FS q n, as
// an empty definition, so the images after it keep their numbers.
TEST_F(NvStreamTest, AFileGoneAtDownloadTimeBecomesAnEmptyDefinition)
{
    List(Bmp("a.bmp", 8, 8));
    List(Bmp("b.bmp", 8, 8));
    List(Bmp("c.bmp", 16, 8));
    std::remove(g_Shared.m_arrPath[1].c_str());
    ASSERT_TRUE(Download());
    EXPECT_THAT(emptyRows, ElementsAre(1));
    EXPECT_EQ(sink.All(), Bytes({0x1C, 0x71, 0x03}) + Bytes({1, 0, 1, 0}) + Bytes(8, 0xFF) +
                              Bytes({0, 0, 0, 0}) + Bytes({2, 0, 1, 0}) + Bytes(16, 0xFF));
    EXPECT_THAT(sink.Lengths(), ElementsAre(3, 4, 8, 4, 0, 4, 16));
    EXPECT_TRUE(fake.boxes.shown.empty());
}

TEST_F(NvStreamTest, DownloadOrderFollowsTheLogoNumbers)
{
    for (const char* number : {"  3", "  1", "  2", " 10"}) {
        g_Shared.m_arrNumber.push_back(number);
        g_Shared.m_arrPath.push_back("x");
    }
    g_Shared.m_arrDownloadOrder.fill(77);
    BuildDownloadOrder();
    EXPECT_THAT(
        std::vector<int>(g_Shared.m_arrDownloadOrder.begin(), g_Shared.m_arrDownloadOrder.begin() + 5),
        ElementsAre(1, 2, 0, 3, 0));
}

} // namespace
