#include "app/NvLogoApp.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/PrintBytes.h"
#include "tests/support/TempDir.h"

using namespace testing_support;

namespace {

TEST(StartUpTest, ReloadsTheStoredFilesUpToTheFirstMissingOrEmptyKeyAndEmptiesTheListAtExit)
{
    TempDir files;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
        WriteSolidBmp(files.File(name), 16, 8);
    const auto key = [&files](int n, const std::string& name) {
        return "Logofile" + std::to_string(n) + "=" + files.File(name) + "\r\n";
    };
    std::string many;
    for (int n = 1; n <= 300; ++n)
        many += key(n, "a.bmp");
    const std::string firstThree = key(1, "a.bmp") + key(2, "b.bmp") + key(3, "c.bmp") + key(5, "a.bmp");
    const std::string twoMissing =
        key(1, "a.bmp") + key(2, "gone.bmp") + key(3, "c.bmp") + key(4, "lost.bmp");
    const auto cannotOpen = [&files](const std::string& name) {
        return "\r\n" + files.File(name) + ": cannot be opened (No such file or directory)";
    };
    const std::string missing = "Bitmap files that was defined with Log file is incorrect." +
                                cannotOpen("gone.bmp") + cannotOpen("lost.bmp");
    const struct {
        const char* name;
        std::string profile; // the LOG section; empty: no profile at all
        std::vector<int> numbers;
        int keys;
        std::vector<int> failed;
        std::string box; // the one message, if any
    } cases[] = {
        {"keys_1_to_3", firstThree, {1, 2, 3}, 3, {}, ""},
        {"missing_files", twoMissing, {1, 3}, 4, {2, 4}, missing},
        // One message for all the keys past the 255th, not one each.
        {"300_keys", many, NumberRange(1, 255), 300, {}, "Don't Read files any more!"},
        {"no_profile", "", {}, 0, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlatform fake;
        TempDir work, locks;
        ScopedCurrentDir here(work.Path());
        CNvLogoApp app;
        app.m_strLockDir = locks.Path();
        if (!c.profile.empty())
            work.Write(app.m_strProfileBase, "[LOG]\r\n" + c.profile);
        std::vector<int> numbers;
        bool guardHeld = false;
        EXPECT_FALSE(app.InitInstance([&](CNvLogoApp& running) {
            for (const Logo& logo : running.m_session.m_list.Logos())
                numbers.push_back(logo.number);
            guardHeld = running.m_hMutex.Held();
        }));
        EXPECT_EQ(numbers, c.numbers);
        EXPECT_TRUE(guardHeld);
        const Session& session = app.m_session;
        EXPECT_EQ(session.m_strProfilePath, work.File(app.m_strProfileBase));
        EXPECT_EQ(session.m_nProfileCount, c.keys);
        EXPECT_EQ(session.m_list.Stored().size(), static_cast<size_t>(c.keys));
        EXPECT_EQ(session.m_list.FailedNumbers(), c.failed);
        EXPECT_EQ(fake.boxes.Texts(), c.box.empty() ? std::vector<std::string>{} : std::vector{c.box});
        EXPECT_TRUE(session.m_list.Empty());
        EXPECT_FALSE(app.m_hMutex.Held());
    }
}

// A session whose profile is in a folder of its own.
struct SessionProfileTest : ::testing::Test {
    FakePlatform fake;
    TempDir work;
    Session session;
    void SetUp() override { session.m_strProfilePath = work.File("nivora.INI"); }
};

// Width, threshold and halftone come back at the next start; a value the profile cannot
// give leaves the default. A commit that changes nothing writes nothing.
TEST_F(SessionProfileTest, TheConversionSettingsComeBackAtTheNextStart)
{
    printer::SetupRecord settings;
    settings.m_nMaxPrintWidth = 512;
    settings.m_nThreshold = 128;
    ASSERT_TRUE(session.CommitSettings(settings));
    EXPECT_FALSE(std::filesystem::exists(session.m_strProfilePath));
    settings.m_nMaxPrintWidth = 384;
    settings.m_nThreshold = 77;
    settings.m_nHalftone = static_cast<int>(HalftoneMode::FloydSteinberg);
    ASSERT_TRUE(session.CommitSettings(settings));
    EXPECT_EQ(session.m_settings.m_nThreshold, 77);

    Session next;
    next.m_strProfilePath = session.m_strProfilePath;
    next.LoadProfile();
    EXPECT_EQ(next.m_kept, (KeptSettings{384, 77, HalftoneMode::FloydSteinberg}));
    work.Write("nivora.INI", "[SETUP]\r\nWidth=0\r\nThreshold=256\r\nHalftone=Atkinson\r\n");
    EXPECT_EQ(ReadKeptSettings(next.Profile()), KeptSettings{});
    work.Write("nivora.INI", "[SETUP]\r\nWidth=1\r\nThreshold=0\r\nHalftone=atkinson\r\n");
    EXPECT_EQ(ReadKeptSettings(next.Profile()), (KeptSettings{1, 0, HalftoneMode::Atkinson}));
}

// A download's logos become the stored list and the profile's keys; a profile that
// cannot be written leaves its key count where the file has it.
TEST_F(SessionProfileTest, ADownloadBecomesTheStoredList)
{
    work.Write("nivora.INI", "[LOG]\r\nLogofile1=/a.bmp\r\nLogofile2=/b.bmp\r\nLogofile3=/c.bmp\r\n");
    session.ReloadStoredList();
    ASSERT_EQ(session.m_nProfileCount, 3);
    ASSERT_TRUE(session.StoreDownload({{"/c.bmp", true}}));
    EXPECT_EQ(work.Read("nivora.INI"), "[LOG]\r\nLogofile1=/c.bmp\r\nLogocenter1=1\r\n");
    EXPECT_EQ(session.m_nProfileCount, 1);
    session.m_strProfilePath = work.File("no/such/folder/nivora.INI");
    EXPECT_FALSE(session.StoreDownload({{"/a.bmp"}, {"/b.bmp"}}));
    EXPECT_EQ(session.m_nProfileCount, 1);
    EXPECT_EQ(session.m_list.Stored(), (std::vector<StoredLogo>{{"/a.bmp"}, {"/b.bmp"}}));
}

} // namespace
