#include "app/NvLogoApp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdlib>
#include <tuple>
#include <unistd.h>

#include "platform/Text.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempDir.h"

using namespace testing_support;

namespace {

TEST(StartUpTest, ReloadsTheStoredFilesUpToTheFirstMissingOrEmptyKeyAndEmptiesTheListsAtExit)
{
    TempDir files;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
        WriteSolidBmp(files.File(name), 16, 8);
    const auto key = [&files](int n, const std::string& name) {
        return "Logofile" + std::to_string(n) + "=" + (name.empty() ? "" : files.File(name)) + "\r\n";
    };
    const struct {
        const char* name;
        std::string profile; // the LOG section; empty: no profile at all
        std::vector<int> numbers;
        int keys;
        int failed; // the number of a stored file that does not load
    } cases[] = {
        {"keys_1_to_3",
         key(1, "a.bmp") + key(2, "b.bmp") + key(3, "c.bmp") + key(5, "a.bmp"),
         {1, 2, 3},
         3,
         0},
        {"missing_key_2", key(1, "a.bmp") + key(3, "c.bmp"), {1}, 1, 0},
        {"empty_value", key(1, "a.bmp") + key(2, "") + key(3, "c.bmp"), {1}, 1, 0},
        {"missing_file", key(1, "a.bmp") + key(2, "gone.bmp") + key(3, "c.bmp"), {1, 3}, 3, 2},
        {"no_profile", "", {}, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlatform fake; // a fresh shared record, folder and guard for each start
        TempDir work, locks;
        ScopedCurrentDir here(work.Path());
        CNvLogoApp app;
        app.m_strLockDir = locks.Path();
        if (!c.profile.empty())
            work.Write(app.m_strProfileBase, "[LOG]\r\n" + c.profile);
        std::vector<int> numbers;
        bool guardHeld = false;
        EXPECT_FALSE(app.InitInstance([&](CNvLogoApp& running) {
            for (const auto& text : g_Shared.m_arrNumber)
                numbers.push_back(Atoi(text));
            guardHeld = running.m_hMutex.Held();
        }));
        EXPECT_EQ(numbers, c.numbers);
        EXPECT_TRUE(guardHeld);
        EXPECT_EQ(app.m_pszProfileName, work.File(app.m_strProfileBase));
        EXPECT_EQ(app.m_bListLoaded, c.keys > 0);
        EXPECT_EQ(std::tie(g_Shared.m_nProfileCount, g_Shared.m_nStoredCount), std::tie(c.keys, c.keys));
        EXPECT_EQ(g_Shared.m_nBadCount, c.failed ? 1 : 0);
        EXPECT_EQ(g_Shared.m_arrBadNumber[0], c.failed);
        EXPECT_EQ(fake.boxes.shown.size(), c.failed ? 1u : 0u); // the text: LogoLoaderTest
        for (const auto* list :
             {&g_Shared.m_arrNumber, &g_Shared.m_arrName, &g_Shared.m_arrSize, &g_Shared.m_arrPath})
            EXPECT_TRUE(list->empty());
        EXPECT_FALSE(app.m_hMutex.Held());
    }
}

} // namespace
