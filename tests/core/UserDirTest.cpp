// Where the window keeps its files: the per-user folder of the menu entry, the check
// that the working directory takes files, and joined paths without double slashes.
#include "platform/UserDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "app/NvLogoApp.h"
#include "app/StartOptions.h"
#include "platform/Paths.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using ::testing::HasSubstr;

namespace {

TEST(UserDirTest, PerUserFolderFollowsTheXdgRules)
{
    const struct {
        const char* xdgDataHome;
        const char* home;
        const char* expected;
    } cases[] = {
        {"/data", "/home/ann", "/data/nivora"},
        {"/data/", "/home/ann", "/data/nivora"},
        {nullptr, "/home/ann", "/home/ann/.local/share/nivora"},
        {"", "/home/ann/", "/home/ann/.local/share/nivora"},
        {"relative/data", "/home/ann", "/home/ann/.local/share/nivora"}, // ignored, not relative to the cwd
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::UserDataDir(c.xdgDataHome, c.home), c.expected)
            << (c.xdgDataHome ? c.xdgDataHome : "(unset)");
}

TEST(UserDirTest, JoinedPathsHaveOneSlashAtTheSeam)
{
    const struct {
        const char* folder;
        const char* name;
        const char* expected;
    } cases[] = {
        {"out", "nv-001.png", "out/nv-001.png"},    {"out/", "nv-001.png", "out/nv-001.png"},
        {"out//", "/nv-001.png", "out/nv-001.png"}, {"/", "nivora.INI", "/nivora.INI"},
        {"", "nivora.INI", "nivora.INI"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::JoinPath(c.folder, c.name), c.expected) << c.folder << " + " << c.name;
}

// The menu entry's start: the folder is made private when missing and becomes the
// working directory (where start-up keeps the profile); a folder that cannot be made
// is reported with its path and the reason.
TEST(UserDirTest, TheMenuStartWorksInTheCreatedPerUserFolder)
{
    TempDir base, elsewhere;
    ScopedCurrentDir here(elsewhere.Path());
    ScopedEnv data("XDG_DATA_HOME", base.File("a/b"));
    std::string dir, error;
    ASSERT_TRUE(platform::EnterUserDataDir(dir, error)) << error;
    EXPECT_EQ(dir, base.File("a/b/nivora"));
    EXPECT_EQ(std::filesystem::current_path().string(), dir);
    EXPECT_EQ(std::filesystem::status(dir).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    ASSERT_TRUE(platform::EnterUserDataDir(dir, error)) << "a second start finds it: " << error;

    base.Write("file", "");
    ScopedEnv blocked("XDG_DATA_HOME", base.File("file"));
    EXPECT_FALSE(platform::EnterUserDataDir(dir, error));
    EXPECT_EQ(error, base.File("file/nivora") + ": Not a directory");
}

// A working directory that takes no file, and a profile that exists but cannot be read
// (a FIFO would hold a reader for ever), are each named once at start-up with the
// reason; the start goes on and the file is left as it is. (A readable or missing
// profile says nothing: the start-up tests.)
TEST(UserDirTest, AStartUpProblemIsReportedOnceAndTheStartGoesOn)
{
    for (const bool gone : {true, false}) {
        SCOPED_TRACE(gone ? "working directory gone" : "profile a FIFO");
        FakePlatform fake;
        TempDir locks, work;
        ScopedCurrentDir here(work.Path());
        CNvLogoApp app;
        app.m_strLockDir = locks.Path();
        const std::string profile = work.File(app.m_strProfileBase);
        if (gone)
            std::filesystem::remove(work.Path());
        else
            ASSERT_EQ(::mkfifo(profile.c_str(), 0600), 0);
        bool ran = false;
        app.InitInstance([&](CNvLogoApp&) { ran = true; });
        EXPECT_TRUE(ran);
        ASSERT_EQ(fake.boxes.shown.size(), 1u);
        EXPECT_EQ(fake.boxes.shown[0].flags, platform::MB_ICONEXCLAMATION);
        const std::vector<std::string> said =
            gone ? std::vector<std::string>{"(No such file or directory)", "cannot be saved"}
                 : std::vector<std::string>{profile + "\r\n", "(it is a FIFO)", "It is left as it is"};
        for (const std::string& part : said)
            EXPECT_THAT(fake.boxes.shown[0].text, HasSubstr(part));
        EXPECT_EQ(std::filesystem::is_fifo(profile), !gone);
    }
}

TEST(UserDirTest, StartOptionsLeaveQtItsOwn)
{
    const char* argv[] = {"nivora", "-platform", "offscreen", "--user-dir", "-V"};
    const StartOptions options = ReadStartOptions(5, argv);
    EXPECT_TRUE(options.userDir);
    EXPECT_TRUE(options.version);
    EXPECT_FALSE(options.help);
    EXPECT_FALSE(ReadStartOptions(3, argv).userDir);
}

} // namespace
