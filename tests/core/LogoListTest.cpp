// The logo list and its editor: sizes, the 255-file and capacity rules, the numbering
// of picked and stored files (a refused pick never moves a number), the reasons each
// refusal gives, the stored list and its keys in the profile.
#include "logo/LogoLoader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "download/NvDownload.h"
#include "logo/PrivateProfile.h"
#include "logo/StoredList.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/ImageWriters.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using ::testing::ElementsAre;

namespace {

class LogoListTest : public ::testing::Test {
protected:
    FakePlatform fake;
    TempDir dir;
    LogoList list;
    CLogoLoader loader{list};
    const std::string gone = dir.File("gone.bmp");

    // A 1-bit file is small on disk whatever its NV size.
    std::string Bmp(const std::string& name, int width, int height)
    {
        WriteFile(dir.File(name), MakeBmp(BmpParams{.width = width, .height = height, .bitsPerPixel = 1},
                                          [](int x, int y) { return static_cast<uint32_t>((x + y) & 1); }));
        return dir.File(name);
    }
    AddResult Pick(const std::string& path) { return loader.AddFile(0, path); }
    std::vector<int> Numbers() const
    {
        std::vector<int> numbers;
        for (const Logo& logo : list.Logos())
            numbers.push_back(logo.number);
        return numbers;
    }
};

TEST_F(LogoListTest, ALogoIsListedWithItsSizeAndName)
{
    ASSERT_TRUE(Pick(Bmp("a.bmp", 200, 100)).Added());
    const Logo& a = list.At(0);
    EXPECT_EQ(a, (Logo{1, dir.File("a.bmp"), "a.bmp", ImageKind::Bmp, 200, 100, 2600, false, {}, "01"}));
    Bmp("b.bmp", 8, 8);
    ScopedCurrentDir here(dir.Path());
    ASSERT_TRUE(Pick("b.bmp").Added()); // a path without folder is its own name
    EXPECT_EQ(list.At(1).name, "b.bmp");
    EXPECT_EQ(list.TotalBytes(), 2608);
    EXPECT_TRUE(loader.RemoveFile(1));
    EXPECT_FALSE(loader.RemoveFile(77)); // a number no row carries changes nothing
    EXPECT_EQ(list.TotalBytes(), 8);
    EXPECT_THAT(Numbers(), ElementsAre(2));

    for (auto [width, height, bytes] : {std::tuple{201, 96, 2496}, {100, 50, 728}, {8, 8, 8}, {1, 1, 8}})
        EXPECT_EQ(NvDataSize(width, height), bytes) << width << " x " << height;
    for (auto [bytes, kbytes] : {std::pair{0, 0}, {8, 1}, {1024, 1}, {1032, 2}})
        EXPECT_EQ(UsedKByte(bytes), kbytes) << bytes;
}

// Exactly full still fits. Every file of one Open File is tried, and the refused ones
// make one message, each with its reason.
TEST_F(LogoListTest, OpenFileTriesEveryFileAndNamesEachRefusal)
{
    // 512 x 768 dots = 96 bands of 512 bytes = 49152 bytes; eight fill 384 KByte.
    const std::string big = Bmp("big.bmp", 512, 768), tiny = Bmp("tiny.bmp", 1, 1);
    for (int i = 0; i < 7; ++i)
        ASSERT_TRUE(Pick(big).Added());
    fake.files.openChoices.push_back({true, {big, tiny, gone}});
    const OpenResult result = loader.OpenFiles();
    EXPECT_EQ(result.dialog, OpenResult::Dialog::Chosen);
    EXPECT_EQ(result.added, 1);
    EXPECT_EQ(list.TotalBytes(), 384 * 1024);
    EXPECT_EQ(RefusalText(result.refused), "These files were not added:\r\n" + tiny +
                                               ": does not fit: 0 KByte left\r\n" + gone +
                                               ": cannot be opened (No such file or directory)");
    EXPECT_EQ(loader.m_strFilePath, gone); // the next dialog opens at the last file chosen
    fake.files.openChoices.push_back({false, {}});
    EXPECT_EQ(loader.OpenFiles().dialog, OpenResult::Dialog::Cancelled);
    fake.files.openChoices.push_back({true, {}});
    EXPECT_EQ(loader.OpenFiles().dialog, OpenResult::Dialog::NothingChosen);
    EXPECT_EQ(loader.m_strFilePath, "");
    EXPECT_EQ(fake.files.initialPaths, (std::vector<std::string>{"", gone, gone}));
}

// A picked file that is refused changes nothing: the count, the bytes, the numbers
// free and failed, and so the number the next file gets.
TEST_F(LogoListTest, EachKindOfRefusedPickSaysWhyAndChangesNothing)
{
    ASSERT_TRUE(Pick(Bmp("a.bmp", 8, 8)).Added());
    ASSERT_TRUE(Pick(Bmp("b.bmp", 8, 8)).Added());
    loader.RemoveFile(1);
    list.SetCapacityKByte(13); // 13 KByte less 8 bytes left: 12 KByte
    dir.Write("notes.png", "shopping list: milk");
    const std::string png = WriteShadedPng(dir.File("full.png"), 40, 20);
    const std::string full = dir.Read("full.png");
    dir.Write("cut.png", full.substr(0, full.size() - 30));
    std::vector<uint8_t> deep = MakeBmp(BmpParams{.width = 2, .height = 2}, [](int, int) { return 0u; });
    Poke(deep, 28, 48, 2); // 48 bits a pixel, six bytes each: the file holds 2 rows of 12
    deep.resize(Peek32(deep, 10) + 2 * 12);
    WriteFile(dir.File("deep.bmp"), deep);
    const struct {
        std::string path;
        AddOutcome outcome;
        std::string reason;
    } cases[] = {
        {gone, AddOutcome::Unreadable, "cannot be opened (No such file or directory)"},
        {dir.File("notes.png"), AddOutcome::Unreadable, "not a BMP, PNG, JPEG or GIF file"},
        {dir.File("cut.png"), AddOutcome::Unreadable, "truncated PNG"},
        {dir.File("deep.bmp"), AddOutcome::Unsupported, "48 bits per pixel is not supported"},
        {Bmp("huge.bmp", 3000, 3000), AddOutcome::TooLarge,
         "3000 x 3000 is larger than the printer can store (147,456 bytes of raster)"},
        {Bmp("wide.bmp", 1024, 104), AddOutcome::DoesNotFit, "does not fit: 12 KByte left"},
        {Bmp("line\nbreak.bmp", 8, 8), AddOutcome::ControlCharacter,
         "the file name holds a control character"},
        {Bmp("del\x7F.bmp", 8, 8), AddOutcome::ControlCharacter, "the file name holds a control character"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const AddResult result = Pick(c.path);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.reason, c.reason);
        EXPECT_THAT(Numbers(), ElementsAre(2));
        EXPECT_EQ(list.TotalBytes(), 8);
        EXPECT_THAT(list.FreeNumbers(), ElementsAre(1));
        EXPECT_TRUE(list.FailedNumbers().empty());
    }
    EXPECT_EQ(RefusalText({{dir.File("car\rriage.bmp"), "the file name holds a control character"}}),
              "This file was not added:\r\n" + dir.File("car?riage.bmp") +
                  ": the file name holds a control character");
    ASSERT_TRUE(Pick(png).Added());
    ASSERT_TRUE(Pick(png).Added());
    EXPECT_THAT(Numbers(), ElementsAre(2, 1, 3));

    // A logo as wide as 80 mm paper at full height fits one image only at that width.
    const std::string tall = Bmp("tall.bmp", 576, 2304);
    EXPECT_EQ(Pick(tall).reason, "576 x 2304 is larger than the printer can store (147,456 bytes of raster)");
    loader.SetPrintableWidth(576);
    EXPECT_EQ(Pick(tall).outcome, AddOutcome::DoesNotFit); // judged by the room left, no longer by its size
    loader.SetPrintableWidth(384);                         // narrower paper keeps the historic limit
    EXPECT_EQ(Pick(Bmp("full.bmp", 512, 2304)).outcome, AddOutcome::DoesNotFit);
}

// Numbers, counters and the NV numbers a download gives after refusals mixed with
// adds and removes: the logo shown as number n is NV image n when 1..n are listed.
TEST_F(LogoListTest, RefusalsBetweenAddsAndRemovesNeverMoveANumber)
{
    dir.Write("text.png", "not a picture");
    const std::string mono = Bmp("mono1.bmp", 16, 8), bakery = Bmp("bakery.bmp", 24, 16);
    fake.files.openChoices.push_back({true, {dir.File("text.png")}});
    fake.files.openChoices.push_back({true, {mono, gone, bakery}});
    EXPECT_EQ(loader.OpenFiles().added, 0);
    EXPECT_EQ(loader.OpenFiles().added, 2);
    EXPECT_THAT(Numbers(), ElementsAre(1, 2));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.TotalBytes(), 16 + 48);
    loader.RemoveFile(1);
    EXPECT_EQ(Pick(gone).outcome, AddOutcome::Unreadable);
    ASSERT_TRUE(Pick(mono).Added()); // takes the freed 1
    ASSERT_TRUE(Pick(bakery).Added());
    EXPECT_THAT(Numbers(), ElementsAre(2, 1, 3));
    std::vector<std::string> nvOrder;
    for (const NvLogoJob& job : DownloadJobs(list))
        nvOrder.push_back(job.path);
    EXPECT_THAT(nvOrder, ElementsAre(mono, bakery, bakery));
    EXPECT_TRUE(list.FailedNumbers().empty());
    EXPECT_TRUE(list.Stored().empty()); // only a download changes what the printer holds
}

// A stored file that fails keeps its number free for the files picked next, lowest
// first, together with the numbers of removed rows.
TEST_F(LogoListTest, StoredFilesThatFailKeepTheirNumbersFree)
{
    const std::string a = Bmp("a.bmp", 8, 8);
    std::vector<StoredLogo> stored;
    for (int i = 1; i <= 6; ++i)
        stored.push_back({i == 3 ? gone : a, i == 4});
    const ReloadResult reload = loader.ReloadStored(stored);
    EXPECT_THAT(Numbers(), ElementsAre(1, 2, 4, 5, 6));
    EXPECT_THAT(list.FailedNumbers(), ElementsAre(3));
    EXPECT_EQ(list.Stored(), stored);
    EXPECT_TRUE(list.At(2).centre); // the centring it was stored with
    EXPECT_EQ(ReloadWarningText(reload), "Bitmap files that was defined with Log file is incorrect.\r\n" +
                                             gone + ": cannot be opened (No such file or directory)");
    loader.RemoveFile(5);
    loader.RemoveFile(2);
    loader.TakeFailedNumbers();
    EXPECT_THAT(list.FreeNumbers(), ElementsAre(2, 3, 5));
    EXPECT_TRUE(list.FailedNumbers().empty());
    for (int i = 0; i < 4; ++i)
        Pick(a);
    EXPECT_THAT(Numbers(), ElementsAre(1, 4, 6, 2, 3, 5, 7));

    // Listed again: a file listed before keeps the tick given since; the others take
    // the stored one, and numbers start over from the keys.
    list.SetCentre(0, true);
    list.SetCentre(1, false);
    loader.ReloadStored(stored);
    EXPECT_THAT(Numbers(), ElementsAre(1, 2, 4, 5, 6));
    std::vector<bool> ticks;
    for (const Logo& logo : list.Logos())
        ticks.push_back(logo.centre);
    EXPECT_THAT(ticks, ElementsAre(true, false, false, false, false));
}

// The 256th file is refused before it is opened; many failures or removals lose no
// number.
TEST_F(LogoListTest, TheListHolds255AndLosesNoNumber)
{
    std::vector<StoredLogo> stored(300, StoredLogo{gone});
    const ReloadResult reload = loader.ReloadStored(stored);
    EXPECT_EQ(list.FailedNumbers().size(), 255u);
    EXPECT_EQ(list.FailedNumbers().back(), 255);
    EXPECT_FALSE(reload.tooMany);
    const std::string text = ReloadWarningText(reload);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11); // ten files named, then how many more
    EXPECT_TRUE(text.ends_with("\r\nand 290 more"));

    loader.Reset();
    const std::string a = Bmp("a.bmp", 8, 8);
    for (int i = 0; i < 255; ++i)
        ASSERT_TRUE(Pick(a).Added()) << i;
    EXPECT_EQ(Pick(gone).outcome, AddOutcome::ListFull); // not Unreadable: never opened
    EXPECT_EQ(list.At(254).number, 255);
    const auto everyNumberAccountedFor = [&] {
        std::set<int> all;
        for (int n : Numbers())
            all.insert(n);
        all.insert(list.FreeNumbers().begin(), list.FreeNumbers().end());
        return all.size() == 255 && *all.begin() == 1 && *all.rbegin() == 255;
    };
    for (int round = 0; round < 200; ++round) {
        loader.RemoveFile(list.At(0).number);
        loader.RemoveFile(list.At(0).number);
        ASSERT_TRUE(Pick(a).Added());
        ASSERT_TRUE(everyNumberAccountedFor()) << round;
    }
    while (!list.Empty())
        loader.RemoveFile(list.At(0).number);
    EXPECT_EQ(list.FreeNumbers().size(), 255u);
}

TEST_F(LogoListTest, TheStoredListKeepsItsKeysAndTheCentringBesideThem)
{
    PrivateProfile profile(dir.File("test.INI"));
    dir.Write("test.INI", "[LOG]\r\nLogofile1=/old/1.bmp\r\nLogofile2=/old/2.bmp\r\nLogofile3=/old/3.bmp\r\n"
                          "Logocenter3=1\r\n[Other]\r\nKeep=yes\r\n");
    EXPECT_THAT(ReadStoredList(profile), ElementsAre(StoredLogo{"/old/1.bmp"}, StoredLogo{"/old/2.bmp"},
                                                     StoredLogo{"/old/3.bmp", true}));
    // Without ticks the keys are exactly the paths; the stale ones go.
    ASSERT_TRUE(WriteStoredList(profile, {{"/new/a.bmp"}, {"/new/b.bmp"}}, 3));
    EXPECT_EQ(dir.Read("test.INI"),
              "[LOG]\r\nLogofile1=/new/a.bmp\r\nLogofile2=/new/b.bmp\r\n[Other]\r\nKeep=yes\r\n");
    ASSERT_TRUE(WriteStoredList(profile, {{"/new/a.bmp"}, {"/new/b.bmp", true}}, 2));
    EXPECT_THAT(ReadStoredList(profile),
                ElementsAre(StoredLogo{"/new/a.bmp"}, StoredLogo{"/new/b.bmp", true}));
    // Reading stops at the first missing or empty path; keys compare without case, and
    // of two keys of a name the first counts.
    dir.Write("test.INI",
              "[log]\r\nLOGOFILE1=/a.bmp\r\nlogofile1=/b.bmp\r\nLogofile2=\r\nLogofile3=/c.bmp\r\n");
    EXPECT_THAT(ReadStoredList(profile), ElementsAre(StoredLogo{"/a.bmp"}));
}

} // namespace
