#include "logo/LogoLoader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <set>

#include "app/Text.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using ::testing::ElementsAre;

namespace {

const char* const kIncorrect = "Bitmap files that was defined with Log file is incorrect.";

class LogoLoaderTest : public ::testing::Test {
protected:
    FakePlatform fake;  // first: it resets g_Shared before the loader sets it up
    TempDir dir;
    CLogoLoader loader;

    // A 1-bit file is small on disk whatever its NV size.
    std::string Bmp(const std::string& name, int width, int height)
    {
        BmpParams params;
        params.width = width;
        params.height = height;
        params.bitsPerPixel = 1;
        WriteFile(dir.File(name), MakeBmp(params, [](int x, int y) { return static_cast<uint32_t>((x + y) & 1); }));
        return dir.File(name);
    }
    std::string Missing(const std::string& name) { return dir.File(name); }

    // AddFile as the open dialog calls it: the path is also in m_strFilePath.
    bool Pick(const std::string& path)
    {
        loader.m_strFilePath = path;
        return loader.AddFile(0, path);
    }
    std::vector<int> Numbers() const
    {
        std::vector<int> numbers;
        for (const auto& text : g_Shared.m_arrNumber)
            numbers.push_back(Atoi(text));
        return numbers;
    }
    std::vector<int> FreeNumbers() const
    {
        return {loader.m_arrFreeNumber.begin(), loader.m_arrFreeNumber.begin() + loader.m_nFreeCount};
    }
};

TEST_F(LogoLoaderTest, ConstructionSetsTheSharedDefaults)
{
    EXPECT_EQ(g_Shared.m_nNvAreaKB, 384);
    EXPECT_EQ(g_Shared.m_nSelItem, -1);
    EXPECT_EQ(g_Shared.m_nActivePage, -1);
    EXPECT_EQ(g_Shared.m_nJobCount, -1);
    EXPECT_TRUE(g_Shared.m_arrNumber.empty());
}

TEST_F(LogoLoaderTest, SizesAndTextsOfAnAddedFile)
{
    ASSERT_TRUE(loader.AddFile(1, Bmp("a.bmp", 200, 100)));
    EXPECT_EQ(g_Shared.m_arrNumber, std::vector<std::string>{"  1"});
    EXPECT_EQ(g_Shared.m_arrName, std::vector<std::string>{"a.bmp"});
    EXPECT_EQ(g_Shared.m_arrSize, std::vector<std::string>{"           2600"});
    EXPECT_EQ(g_Shared.m_arrPath, std::vector<std::string>{dir.File("a.bmp")});
    EXPECT_EQ(g_Shared.m_strFileCount, "  1 / 255");
    EXPECT_EQ(g_Shared.m_strTotalSize, "  3 / 384 KByte");
    EXPECT_EQ(g_Shared.m_nTotalBytes, 2600);

    EXPECT_EQ(NvDataSize(201, 96), 2496);
    EXPECT_EQ(NvDataSize(100, 50), 728);
    EXPECT_EQ(NvDataSize(8, 8), 8);
    EXPECT_EQ(NvDataSize(1, 1), 8);
    EXPECT_EQ(UsedKByte(8), 1);
    EXPECT_EQ(UsedKByte(1024), 1);
    EXPECT_EQ(UsedKByte(1032), 2);
    EXPECT_EQ(UsedKByte(0), 0);
}

TEST_F(LogoLoaderTest, APathWithoutFolderIsItsOwnName)
{
    Bmp("plain.bmp", 8, 8);
    ScopedCurrentDir here(dir.Path());
    ASSERT_TRUE(Pick("plain.bmp"));
    EXPECT_EQ(g_Shared.m_arrName.back(), "plain.bmp");
    EXPECT_EQ(g_Shared.m_arrPath.back(), "plain.bmp");
}

TEST_F(LogoLoaderTest, The255thFileIsTakenThe256thRefusedBeforeItIsOpened)
{
    const std::string path = Bmp("tiny.bmp", 1, 1);
    for (int i = 0; i < 255; ++i)
        ASSERT_TRUE(Pick(path)) << i;
    EXPECT_EQ(g_Shared.m_strFileCount, "255 / 255");
    EXPECT_FALSE(Pick(Missing("nowhere.bmp")));
    EXPECT_THAT(fake.boxes.Texts(), ElementsAre("Don't Read files any more!"));
    EXPECT_EQ(fake.boxes.shown[0].flags, platform::MB_OK);
    EXPECT_EQ(loader.m_nFailCount, 0);  // not even tried
    EXPECT_EQ(g_Shared.LogoCount(), 255);
}

TEST_F(LogoLoaderTest, ExactlyFullCapacityFitsOneByteMoreDoesNot)
{
    // 512 x 768 dots = 96 bands of 512 bytes = 49152 bytes; eight fill 384 KByte.
    const std::string big = Bmp("big.bmp", 512, 768);
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(Pick(big));
    EXPECT_EQ(g_Shared.m_nTotalBytes, 393216);
    EXPECT_EQ(g_Shared.m_strTotalSize, "384 / 384 KByte");
    EXPECT_FALSE(Pick(Bmp("tiny.bmp", 1, 1)));
    EXPECT_THAT(fake.boxes.Texts(), ElementsAre("NV-bitimage area too small"));
    EXPECT_EQ(loader.m_nCount, 8);
    EXPECT_EQ(g_Shared.m_nBadCount, 0);
}

TEST_F(LogoLoaderTest, StoredFilesThatFailKeepTheirNumbersFreeAndWarnOnce)
{
    const std::string a = Bmp("a.bmp", 16, 16);
    EXPECT_TRUE(loader.AddFile(1, a));
    EXPECT_FALSE(loader.AddFile(2, Missing("gone2.bmp")));
    EXPECT_TRUE(loader.AddFile(3, a));
    EXPECT_FALSE(loader.AddFile(4, Missing("gone4.bmp")));
    EXPECT_TRUE(loader.AddFile(5, a));
    EXPECT_THAT(Numbers(), ElementsAre(1, 3, 5));
    EXPECT_THAT(fake.boxes.Texts(), ElementsAre(kIncorrect));
    EXPECT_EQ(fake.boxes.shown[0].flags, platform::MB_ICONEXCLAMATION);
    EXPECT_EQ(g_Shared.m_nBadCount, 2);
    EXPECT_EQ(g_Shared.m_arrBadNumber[0], 2);
    EXPECT_EQ(g_Shared.m_arrBadNumber[1], 4);
}

TEST_F(LogoLoaderTest, PickedFilesThatFailWarnOnlyOnceUntilReset)
{
    EXPECT_FALSE(Pick(Missing("x.bmp")));
    EXPECT_FALSE(Pick(Missing("y.bmp")));
    EXPECT_EQ(fake.boxes.shown.size(), 1u);
    EXPECT_EQ(g_Shared.m_nBadCount, 2);
    EXPECT_EQ(g_Shared.m_arrBadNumber[0], 0);
    loader.Reset();
    EXPECT_EQ(g_Shared.m_nBadCount, 0);
    EXPECT_FALSE(Pick(Missing("z.bmp")));
    EXPECT_EQ(fake.boxes.shown.size(), 2u);
}

TEST_F(LogoLoaderTest, AfterAFailureAnOverflowIsSilentAndTheCountStaysHigher)
{
    EXPECT_FALSE(Pick(Missing("x.bmp")));
    const std::string big = Bmp("big.bmp", 512, 768);
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(Pick(big));
    EXPECT_FALSE(Pick(Bmp("tiny.bmp", 1, 1)));  // does not fit: no message this time
    EXPECT_EQ(fake.boxes.shown.size(), 1u);
    EXPECT_EQ(loader.m_nCount, 9);
    EXPECT_EQ(g_Shared.m_nBadCount, 2);
    EXPECT_EQ(g_Shared.m_arrBadNumber[1], 0);
    // Make room: the next file's number comes from the count, one higher than the rows.
    loader.RemoveFile(8);
    ASSERT_TRUE(Pick(Bmp("small.bmp", 8, 8)));
    EXPECT_EQ(Numbers().back(), 8);  // the freed number first
    ASSERT_TRUE(Pick(Bmp("small2.bmp", 8, 8)));
    EXPECT_EQ(Numbers().back(), 10);
}

TEST_F(LogoLoaderTest, DeeperThan32BitsIsNotSupported)
{
    // A 48-bit file: sound headers, six bytes a pixel.
    BmpParams params;
    params.width = 2;
    params.height = 2;
    params.bitsPerPixel = 24;
    std::vector<uint8_t> bytes = MakeBmp(params, [](int, int) { return 0u; });
    bytes[28] = 48;
    bytes.resize(54 + 2 * 16);
    WriteFile(dir.File("deep.bmp"), bytes);
    EXPECT_FALSE(Pick(dir.File("deep.bmp")));
    EXPECT_THAT(fake.boxes.Texts(), ElementsAre("It is not support bitmap format!"));
    EXPECT_EQ(loader.m_nCount, 0);
    EXPECT_EQ(loader.m_nFailCount, 0);
}

TEST_F(LogoLoaderTest, RemovedNumbersAreReusedInAscendingOrder)
{
    const std::string a = Bmp("a.bmp", 8, 8);
    for (int i = 0; i < 5; ++i)
        Pick(a);
    loader.RemoveFile(5);
    loader.RemoveFile(2);
    EXPECT_THAT(FreeNumbers(), ElementsAre(2, 5));
    EXPECT_THAT(Numbers(), ElementsAre(1, 3, 4));
    EXPECT_EQ(g_Shared.m_strFileCount, "  3 / 255");
    Pick(a);
    Pick(a);
    Pick(a);
    EXPECT_THAT(Numbers(), ElementsAre(1, 3, 4, 2, 5, 6));
    EXPECT_EQ(loader.m_nFreeCount, 0);
    EXPECT_EQ(loader.m_nFreePos, 0);
}

TEST_F(LogoLoaderTest, RemovingSubtractsTheSizeAndRoundsTheCounterUp)
{
    Pick(Bmp("a.bmp", 200, 100));  // 2600
    Pick(Bmp("b.bmp", 8, 8));      // 8
    loader.RemoveFile(1);
    EXPECT_EQ(g_Shared.m_nTotalBytes, 8);
    EXPECT_EQ(g_Shared.m_strTotalSize, "  1 / 384 KByte");
    EXPECT_EQ(g_Shared.m_arrName, std::vector<std::string>{"b.bmp"});
    // A number no row carries still lowers the count.
    loader.RemoveFile(77);
    EXPECT_EQ(loader.m_nCount, 0);
    EXPECT_EQ(g_Shared.LogoCount(), 1);
}

TEST_F(LogoLoaderTest, OpenFilesStopsAtTheFirstRefusal)
{
    const std::string big = Bmp("big.bmp", 512, 768);
    for (int i = 0; i < 7; ++i)
        ASSERT_TRUE(Pick(big));
    const std::string small = Bmp("small.bmp", 8, 8);
    const std::string huge = Bmp("huge.bmp", 512, 800);
    fake.files.openChoices.push_back({true, {small, small, huge, small, small}});
    EXPECT_TRUE(loader.OpenFiles());
    EXPECT_EQ(g_Shared.LogoCount(), 9);
    EXPECT_THAT(fake.boxes.Texts(), ElementsAre("NV-bitimage area too small"));
    EXPECT_EQ(loader.m_strFilePath, huge);

    // The next dialog starts from the last path chosen.
    fake.files.openChoices.push_back({false, {}});
    EXPECT_TRUE(loader.OpenFiles());
    EXPECT_EQ(fake.files.initialPaths.back(), huge);
    EXPECT_EQ(g_Shared.LogoCount(), 9);

    fake.files.openChoices.push_back({true, {}});
    EXPECT_FALSE(loader.OpenFiles());
    EXPECT_EQ(loader.m_strFilePath, "");
}

TEST_F(LogoLoaderTest, FailedNumbersBecomeFreeNumbersWithoutLosingRemovedOnes)
{
    const std::string a = Bmp("a.bmp", 8, 8);
    loader.AddFile(1, a);
    loader.AddFile(2, Missing("gone.bmp"));
    loader.AddFile(3, a);
    loader.AddFile(4, a);
    loader.SyncCount();
    loader.RemoveFile(4);  // waits in the free list
    loader.TakeFailedNumbers();
    EXPECT_THAT(FreeNumbers(), ElementsAre(2, 4));
    EXPECT_EQ(g_Shared.m_nBadCount, 0);
    Pick(a);
    Pick(a);
    Pick(a);
    EXPECT_THAT(Numbers(), ElementsAre(1, 3, 2, 4, 5));
}

TEST_F(LogoLoaderTest, MoreThan255FailuresOrRemovalsNeverOverrunTheLists)
{
    for (int i = 0; i < 300; ++i)
        loader.AddFile(i + 1, Missing("gone.bmp"));
    EXPECT_EQ(g_Shared.m_nBadCount, 255);
    EXPECT_EQ(g_Shared.m_arrBadNumber[254], 255);

    loader.Reset();
    const std::string a = Bmp("a.bmp", 8, 8);
    for (int i = 0; i < 255; ++i)
        Pick(a);
    // Remove two rows, add one, again and again: the free list grows while its front is
    // used up, and must make room without losing a number.
    auto everyNumberAccountedFor = [&] {
        std::set<int> all;
        for (int n : Numbers())
            all.insert(n);
        for (int i = loader.m_nFreePos; i < loader.m_nFreeCount; ++i)
            all.insert(loader.m_arrFreeNumber[static_cast<size_t>(i)]);
        return all.size() == 255 && *all.begin() == 1 && *all.rbegin() == 255;
    };
    for (int round = 0; round < 200; ++round) {
        loader.RemoveFile(Atoi(g_Shared.m_arrNumber.front()));
        loader.RemoveFile(Atoi(g_Shared.m_arrNumber.front()));
        ASSERT_LE(loader.m_nFreeCount, 255);
        ASSERT_TRUE(Pick(a));
        ASSERT_TRUE(everyNumberAccountedFor()) << round;
    }
    while (!g_Shared.m_arrNumber.empty())
        loader.RemoveFile(Atoi(g_Shared.m_arrNumber.front()));
    EXPECT_EQ(loader.m_nFreeCount - loader.m_nFreePos, 255);
    EXPECT_TRUE(everyNumberAccountedFor());
}

TEST_F(LogoLoaderTest, ListsStayParallelAndTheTotalMatchesUnderRandomEdits)
{
    const std::vector<std::string> files = {Bmp("a.bmp", 8, 8), Bmp("b.bmp", 300, 77),
                                            Bmp("c.bmp", 512, 768), Missing("gone.bmp")};
    std::mt19937 random(7);
    for (int step = 0; step < 2000; ++step) {
        if (random() % 3 != 0 || g_Shared.m_arrNumber.empty()) {
            Pick(files[random() % files.size()]);
        } else {
            const size_t row = random() % g_Shared.m_arrNumber.size();
            loader.RemoveFile(Atoi(g_Shared.m_arrNumber[row]));
            loader.SyncCount();
        }
        if (random() % 50 == 0)
            loader.TakeFailedNumbers();
        const size_t n = g_Shared.m_arrNumber.size();
        ASSERT_EQ(g_Shared.m_arrName.size(), n);
        ASSERT_EQ(g_Shared.m_arrSize.size(), n);
        ASSERT_EQ(g_Shared.m_arrPath.size(), n);
        ASSERT_LE(n, 255u);
        const int sum = std::accumulate(g_Shared.m_arrSize.begin(), g_Shared.m_arrSize.end(), 0,
                                        [](int s, const std::string& t) { return s + Atoi(t); });
        ASSERT_EQ(sum, g_Shared.m_nTotalBytes);
        ASSERT_LE(g_Shared.m_nTotalBytes, 393216);
        ASSERT_GE(loader.m_nFreePos, 0);
        ASSERT_LE(loader.m_nFreePos, loader.m_nFreeCount);
        ASSERT_LE(g_Shared.m_nBadCount, 255);
    }
}

}  // namespace
