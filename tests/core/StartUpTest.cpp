#include "app/NvLogoApp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/Text.h"
#include "logo/StoredList.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using ::testing::ElementsAre;

namespace {

class StartUpTest : public ::testing::Test {
protected:
    FakePlatform fake;
    TempDir work;
    TempDir locks;
    ScopedCurrentDir here{work.Path()};
    CNvLogoApp app;

    StartUpTest() { app.m_strLockDir = locks.Path(); }

    void Profile(const std::string& body) { work.Write(app.m_strProfileBase, "[LOG]\r\n" + body); }
    std::string Bmp(const std::string& name)
    {
        return WriteSolidBmp(work.File(name), 16, 8);
    }
    std::vector<int> Numbers() const
    {
        std::vector<int> numbers;
        for (const auto& text : g_Shared.m_arrNumber)
            numbers.push_back(Atoi(text));
        return numbers;
    }
};

TEST_F(StartUpTest, ReloadsTheStoredFilesUpToTheFirstMissingKey)
{
    Profile("Logofile1=" + Bmp("a.bmp") + "\r\nLogofile2=" + Bmp("b.bmp") + "\r\nLogofile3=" +
            Bmp("c.bmp") + "\r\nLogofile5=" + Bmp("e.bmp") + "\r\n");
    ASSERT_EQ(app.AcquireGuard(), CNvLogoApp::StartResult::Run);
    app.LoadStoredList();
    EXPECT_EQ(app.m_szWorkDir, work.Path());
    EXPECT_EQ(app.m_pszProfileName, work.File(app.m_strProfileBase));
    EXPECT_THAT(Numbers(), ElementsAre(1, 2, 3));
    EXPECT_THAT(g_Shared.m_arrName, ElementsAre("a.bmp", "b.bmp", "c.bmp"));
    EXPECT_TRUE(app.m_bListLoaded);
    EXPECT_EQ(g_Shared.m_nStoredCount, 3);
    EXPECT_EQ(g_Shared.m_nProfileCount, 3);
    EXPECT_TRUE(fake.boxes.shown.empty());
}

TEST_F(StartUpTest, AnEmptyValueEndsTheReloadLikeAMissingKey)
{
    Profile("Logofile1=" + Bmp("a.bmp") + "\r\nLogofile2=\r\nLogofile3=" + Bmp("c.bmp") + "\r\n");
    app.InitInstance(nullptr);
    EXPECT_EQ(g_Shared.m_nProfileCount, 1);
    EXPECT_EQ(g_Shared.m_nStoredCount, 1);
}

TEST_F(StartUpTest, AMissingStoredFileIsReportedOnceAndItsNumberKeptFree)
{
    Profile("Logofile1=" + Bmp("a.bmp") + "\r\nLogofile2=" + work.File("gone.bmp") +
            "\r\nLogofile3=" + Bmp("c.bmp") + "\r\n");
    app.AcquireGuard();
    app.LoadStoredList();
    EXPECT_THAT(Numbers(), ElementsAre(1, 3));
    EXPECT_THAT(fake.boxes.Texts(),
                ElementsAre("Bitmap files that was defined with Log file is incorrect."));
    EXPECT_EQ(g_Shared.m_nBadCount, 1);
    EXPECT_EQ(g_Shared.m_arrBadNumber[0], 2);
    EXPECT_EQ(g_Shared.m_nProfileCount, 3);
}

TEST_F(StartUpTest, NoProfileStartsEmpty)
{
    app.AcquireGuard();
    app.LoadStoredList();
    EXPECT_FALSE(app.m_bListLoaded);
    EXPECT_TRUE(g_Shared.m_arrNumber.empty());
    EXPECT_TRUE(g_Shared.m_arrPath.empty());
    EXPECT_EQ(g_Shared.m_nNvAreaKB, 384);
    EXPECT_EQ(g_Shared.m_nSelItem, -1);
    EXPECT_EQ(g_Shared.m_nActivePage, -1);
    EXPECT_EQ(g_Shared.m_nJobCount, -1);
    EXPECT_EQ(g_Shared.m_nProfileCount, 0);
}

TEST_F(StartUpTest, TheSheetRunsBetweenStartUpAndExitAndExitEmptiesTheLists)
{
    Profile("Logofile1=" + Bmp("a.bmp") + "\r\n");
    int listedDuringRun = -1;
    bool guardHeld = false;
    EXPECT_FALSE(app.InitInstance([&](CNvLogoApp& running) {
        listedDuringRun = g_Shared.LogoCount();
        guardHeld = running.m_hMutex.Held();
    }));
    EXPECT_EQ(listedDuringRun, 1);
    EXPECT_TRUE(guardHeld);
    EXPECT_TRUE(g_Shared.m_arrNumber.empty());
    EXPECT_TRUE(g_Shared.m_arrName.empty());
    EXPECT_TRUE(g_Shared.m_arrSize.empty());
    EXPECT_TRUE(g_Shared.m_arrPath.empty());
    EXPECT_FALSE(app.m_hMutex.Held());
}

TEST_F(StartUpTest, ASecondInstanceEndsWithoutRunningTheSheet)
{
    platform::SingleInstance first;
    ASSERT_EQ(first.Acquire(kInstanceGuardName, locks.Path()), platform::SingleInstance::Result::Acquired);
    bool ran = false;
    EXPECT_FALSE(app.InitInstance([&](CNvLogoApp&) { ran = true; }));
    EXPECT_FALSE(ran);
    EXPECT_TRUE(fake.boxes.shown.empty());
    // Once the first one is gone, the next start runs.
    first.Release();
    EXPECT_FALSE(app.InitInstance([&](CNvLogoApp&) { ran = true; }));
    EXPECT_TRUE(ran);
}

TEST_F(StartUpTest, TheStoredListIsWrittenInOrderAndStaleKeysGo)
{
    app.AcquireGuard();
    app.LoadStoredList();
    PrivateProfile profile = app.Profile();
    ASSERT_TRUE(WriteStoredList(profile, {"/a", "/b", "/c", "/d", "/e", "/f"}, 0));
    ASSERT_TRUE(WriteStoredList(profile, {"/x3", "/x5", "/x7"}, 6));
    EXPECT_EQ(profile.GetProfileString(kLogSection, "Logofile1"), "/x3");
    EXPECT_EQ(profile.GetProfileString(kLogSection, "Logofile3"), "/x7");
    for (int i = 4; i <= 6; ++i)
        EXPECT_EQ(profile.GetProfileString(kLogSection, LogoFileKey(i)), "") << i;
}

}  // namespace
