#include "logo/LogoLoader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "platform/Messages.h"
#include "platform/Text.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using ::testing::ElementsAre;

namespace {

const char* const kIncorrect = msg::kStoredFileIncorrect;

class LogoLoaderTest : public ::testing::Test {
protected:
    FakePlatform fake;
    TempDir dir;
    LogoListRecord lists;
    CLogoLoader loader{lists};
    const std::string gone = dir.File("gone.bmp");

    // A 1-bit file is small on disk whatever its NV size.
    std::string Bmp(const std::string& name, int width, int height)
    {
        const BmpParams params{.width = width, .height = height, .bitsPerPixel = 1};
        WriteFile(dir.File(name),
                  MakeBmp(params, [](int x, int y) { return static_cast<uint32_t>((x + y) & 1); }));
        return dir.File(name);
    }
    // AddFile as the open dialog calls it: the path is also in m_strFilePath.
    bool Pick(const std::string& path)
    {
        loader.m_strFilePath = path;
        return loader.AddFile(0, path);
    }
    std::vector<int> Numbers() const
    {
        std::vector<int> numbers;
        for (const auto& text : lists.m_arrNumber)
            numbers.push_back(Atoi(text));
        return numbers;
    }
    std::vector<int> FreeNumbers() const
    {
        return {loader.m_arrFreeNumber.begin() + loader.m_nFreePos,
                loader.m_arrFreeNumber.begin() + loader.m_nFreeCount};
    }
};

TEST_F(LogoLoaderTest, TextsAndSizesOfAddedAndRemovedFiles)
{
    ASSERT_TRUE(loader.AddFile(1, Bmp("a.bmp", 200, 100)));
    EXPECT_EQ(std::tie(lists.m_arrNumber[0], lists.m_arrName[0], lists.m_arrSize[0]),
              std::tuple("  1", "a.bmp", "           2600"));
    EXPECT_EQ(lists.m_strFileCount, "  1 / 255");
    EXPECT_EQ(lists.m_strTotalSize, "  3 / 384 KByte");
    Bmp("b.bmp", 8, 8);
    ScopedCurrentDir here(dir.Path());
    ASSERT_TRUE(Pick("b.bmp")); // a path without folder is its own name
    EXPECT_THAT(lists.m_arrPath, ElementsAre(dir.File("a.bmp"), "b.bmp"));
    EXPECT_THAT(lists.m_arrName, ElementsAre("a.bmp", "b.bmp"));
    loader.RemoveFile(1);
    EXPECT_EQ(lists.m_nTotalBytes, 8);
    EXPECT_EQ(lists.m_strTotalSize, "  1 / 384 KByte"); // rounded up
    EXPECT_THAT(lists.m_arrSize, ElementsAre("              8"));
    loader.RemoveFile(77); // a number no row carries still lowers the count
    EXPECT_EQ(loader.m_nCount, 0);
    EXPECT_EQ(lists.LogoCount(), 1);

    for (auto [width, height, bytes] : {std::tuple{201, 96, 2496}, {100, 50, 728}, {8, 8, 8}, {1, 1, 8}})
        EXPECT_EQ(NvDataSize(width, height), bytes) << width << " x " << height;
    for (auto [bytes, kbytes] : {std::pair{0, 0}, {8, 1}, {1024, 1}, {1032, 2}})
        EXPECT_EQ(UsedKByte(bytes), kbytes) << bytes;
}

TEST_F(LogoLoaderTest, The255thFileIsTakenThe256thRefusedBeforeItIsOpened)
{
    const std::string path = Bmp("tiny.bmp", 1, 1);
    for (int i = 0; i < 255; ++i)
        ASSERT_TRUE(Pick(path)) << i;
    EXPECT_EQ(lists.m_strFileCount, "255 / 255");
    EXPECT_FALSE(Pick(gone));
    EXPECT_THAT(fake.boxes.Texts(), ElementsAre("Don't Read files any more!"));
    EXPECT_EQ(fake.boxes.shown[0].flags, platform::MB_OK);
    EXPECT_EQ(loader.m_nFailCount, 0); // not even tried
}

TEST_F(LogoLoaderTest, ExactlyFullCapacityFitsAndOpeningStopsAtTheFirstRefusal)
{
    // 512 x 768 dots = 96 bands of 512 bytes = 49152 bytes; eight fill 384 KByte.
    const std::string big = Bmp("big.bmp", 512, 768), tiny = Bmp("tiny.bmp", 1, 1);
    for (int i = 0; i < 7; ++i)
        ASSERT_TRUE(Pick(big));
    fake.files.openChoices.push_back({true, {big, tiny, tiny}});
    EXPECT_TRUE(loader.OpenFiles());
    EXPECT_EQ(lists.m_strTotalSize, "384 / 384 KByte");
    EXPECT_EQ(loader.m_nCount, 8);
    EXPECT_THAT(fake.boxes.Texts(), ElementsAre("NV-bitimage area too small"));
    EXPECT_EQ(lists.m_nBadCount, 0); // the second tiny file was not tried
    fake.files.openChoices.push_back({true, {}});
    EXPECT_FALSE(loader.OpenFiles());
}

TEST_F(LogoLoaderTest, DeeperThan32BitsIsNotSupportedAndNotCountedAsAFailure)
{
    std::vector<uint8_t> bytes = MakeBmp(BmpParams{.width = 2, .height = 2}, [](int, int) { return 0u; });
    Poke(bytes, 28, 48, 2); // 48 bits a pixel, six bytes each: the file holds 2 rows of 12
    bytes.resize(Peek32(bytes, 10) + 2 * 12);
    WriteFile(dir.File("deep.bmp"), bytes);
    EXPECT_FALSE(Pick(dir.File("deep.bmp")));
    EXPECT_THAT(fake.boxes.Texts(), ElementsAre("It is not support bitmap format!"));
    EXPECT_EQ(fake.boxes.shown[0].flags, platform::MB_OK);
    EXPECT_EQ(loader.m_nCount, 0);
    EXPECT_EQ(loader.m_nFailCount, 0);
}

// A name with a control character would break the profile's one-path-a-line layout:
// a picked file is refused with a message naming it (the characters shown as '?'), a
// stored one counts as a file that failed; nothing is listed either way.
TEST_F(LogoLoaderTest, APathWithAControlCharacterIsNeverListed)
{
    for (const char* name : {"line\nbreak.bmp", "car\rriage.bmp", "tab\t.bmp", "del\x7F.bmp"}) {
        SCOPED_TRACE(::testing::PrintToString(std::string(name)));
        const std::string path = Bmp(name, 8, 8); // a good picture under a bad name
        fake.boxes.shown.clear();
        EXPECT_FALSE(Pick(path));
        std::string shown = path;
        for (char& c : shown)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                c = '?';
        ASSERT_EQ(fake.boxes.shown.size(), 1u);
        EXPECT_EQ(fake.boxes.shown[0].text,
                  "This file name holds a control character and cannot be listed:\r\n" + shown);
        EXPECT_TRUE(lists.m_arrPath.empty());
        EXPECT_EQ(loader.m_nCount, 0);
    }
    fake.boxes.shown.clear();
    EXPECT_FALSE(loader.AddFile(7, Bmp("stored\t.bmp", 8, 8)));
    EXPECT_THAT(fake.boxes.Texts(), ElementsAre(kIncorrect));
    EXPECT_EQ(lists.m_nBadCount, 1);
    EXPECT_EQ(lists.m_arrBadNumber[0], 7);
}

TEST_F(LogoLoaderTest, FilesThatFailKeepTheirNumbersFreeAndWarnOnceUntilReset)
{
    const std::string a = Bmp("a.bmp", 16, 16);
    EXPECT_TRUE(loader.AddFile(1, a));
    EXPECT_FALSE(loader.AddFile(2, gone));
    EXPECT_TRUE(loader.AddFile(3, a));
    EXPECT_FALSE(loader.AddFile(4, gone));
    EXPECT_FALSE(Pick(gone)); // a picked file has no number of its own
    EXPECT_THAT(Numbers(), ElementsAre(1, 3));
    EXPECT_THAT(fake.boxes.Texts(), ElementsAre(kIncorrect));
    EXPECT_EQ(fake.boxes.shown[0].flags, platform::MB_ICONEXCLAMATION);
    EXPECT_THAT(
        std::vector<int>(lists.m_arrBadNumber.begin(), lists.m_arrBadNumber.begin() + lists.m_nBadCount),
        ElementsAre(2, 4, 0));
    loader.Reset();
    EXPECT_EQ(lists.m_nBadCount, 0);
    EXPECT_FALSE(Pick(gone));
    EXPECT_EQ(fake.boxes.shown.size(), 2u);
}

TEST_F(LogoLoaderTest, AfterAFailureAnOverflowIsSilentAndTheCountStaysHigher)
{
    EXPECT_FALSE(Pick(gone));
    const std::string big = Bmp("big.bmp", 512, 768);
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(Pick(big));
    EXPECT_FALSE(Pick(Bmp("tiny.bmp", 1, 1))); // does not fit: no message this time
    EXPECT_EQ(fake.boxes.shown.size(), 1u);
    EXPECT_EQ(loader.m_nCount, 9);
    EXPECT_EQ(lists.m_nBadCount, 2);
    EXPECT_EQ(lists.m_arrBadNumber[1], 0);
    // Make room: the next file's number comes from the count, one higher than the rows.
    loader.RemoveFile(8);
    ASSERT_TRUE(Pick(Bmp("small.bmp", 8, 8)));
    EXPECT_EQ(Numbers().back(), 8); // the freed number first
    ASSERT_TRUE(Pick(Bmp("small2.bmp", 8, 8)));
    EXPECT_EQ(Numbers().back(), 10);
}

TEST_F(LogoLoaderTest, RemovedAndFailedNumbersAreReusedInAscendingOrder)
{
    const std::string a = Bmp("a.bmp", 8, 8);
    for (int i = 1; i <= 6; ++i)
        loader.AddFile(i, i == 3 ? gone : a);
    loader.SyncCount();
    loader.RemoveFile(5);
    loader.RemoveFile(2);
    EXPECT_THAT(FreeNumbers(), ElementsAre(2, 5));
    loader.TakeFailedNumbers();
    EXPECT_THAT(FreeNumbers(), ElementsAre(2, 3, 5));
    EXPECT_EQ(lists.m_nBadCount, 0);
    for (int i = 0; i < 4; ++i)
        Pick(a);
    EXPECT_THAT(Numbers(), ElementsAre(1, 4, 6, 2, 3, 5, 7));
}

TEST_F(LogoLoaderTest, MoreThan255FailuresOrRemovalsNeverOverrunTheLists)
{
    for (int i = 0; i < 300; ++i)
        loader.AddFile(i + 1, gone);
    EXPECT_EQ(lists.m_nBadCount, 255);
    EXPECT_EQ(lists.m_arrBadNumber[254], 255);

    loader.Reset();
    const std::string a = Bmp("a.bmp", 8, 8);
    for (int i = 0; i < 255; ++i)
        Pick(a);
    // Remove two rows, add one, again and again: the free list grows while its front is
    // used up, and must make room without losing a number.
    const auto everyNumberAccountedFor = [&] {
        std::set<int> all;
        for (int n : Numbers())
            all.insert(n);
        for (int n : FreeNumbers())
            all.insert(n);
        return all.size() == 255 && *all.begin() == 1 && *all.rbegin() == 255;
    };
    for (int round = 0; round < 200; ++round) {
        loader.RemoveFile(Atoi(lists.m_arrNumber.front()));
        loader.RemoveFile(Atoi(lists.m_arrNumber.front()));
        ASSERT_LE(loader.m_nFreeCount, 255);
        ASSERT_TRUE(Pick(a));
        ASSERT_TRUE(everyNumberAccountedFor()) << round;
    }
    while (!lists.m_arrNumber.empty())
        loader.RemoveFile(Atoi(lists.m_arrNumber.front()));
    EXPECT_EQ(FreeNumbers().size(), 255u);
    EXPECT_TRUE(everyNumberAccountedFor());
}

} // namespace
