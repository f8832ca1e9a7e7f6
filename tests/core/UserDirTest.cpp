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
#include "platform/WorkDir.h"
#include "tests/support/AsNobody.h"
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

// The menu entry's start: the folder is made when missing, becomes the working
// directory, and start-up keeps the profile there; a folder that cannot be made is
// reported with its path and the reason.
TEST(UserDirTest, TheMenuStartWorksInTheCreatedPerUserFolder)
{
    FakePlatform fake;
    TempDir base, locks, elsewhere;
    ScopedCurrentDir here(elsewhere.Path());
    ScopedEnv data("XDG_DATA_HOME", base.File("a/b"));
    std::string dir, error;
    ASSERT_TRUE(platform::EnterUserDataDir(dir, error)) << error;
    EXPECT_EQ(dir, base.File("a/b/nivora"));
    std::string cwd;
    ASSERT_TRUE(platform::GetCurrentDir(cwd));
    EXPECT_EQ(cwd, dir);
    EXPECT_EQ(std::filesystem::status(dir).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);

    CNvLogoApp app;
    app.m_strLockDir = locks.Path();
    app.InitInstance({});
    EXPECT_EQ(app.m_session.m_strProfilePath, dir + "/" + app.m_strProfileBase);
    EXPECT_TRUE(fake.boxes.shown.empty());
    ASSERT_TRUE(platform::EnterUserDataDir(dir, error)) << "a second start finds it: " << error;

    base.Write("file", "");
    ScopedEnv blocked("XDG_DATA_HOME", base.File("file"));
    EXPECT_FALSE(platform::EnterUserDataDir(dir, error));
    EXPECT_EQ(error, base.File("file/nivora") + ": Not a directory");
}

// A working directory that takes no file is reported once at start-up, with the
// folder and the reason; the start goes on.
TEST(UserDirTest, AnUnwritableWorkingDirectoryIsReportedOnceAtStartUp)
{
    FakePlatform fake;
    TempDir locks;
    {
        TempDir gone;
        ScopedCurrentDir here(gone.Path());
        std::filesystem::remove(gone.Path());
        CNvLogoApp app;
        app.m_strLockDir = locks.Path();
        bool ran = false;
        app.InitInstance([&](CNvLogoApp&) { ran = true; });
        EXPECT_TRUE(ran);
        ASSERT_EQ(fake.boxes.shown.size(), 1u);
        EXPECT_EQ(fake.boxes.shown[0].flags, platform::MB_ICONEXCLAMATION);
        EXPECT_THAT(fake.boxes.shown[0].text, HasSubstr("(No such file or directory)"));
        EXPECT_THAT(fake.boxes.shown[0].text, HasSubstr("cannot be saved"));
    }

    TempDir readOnly;
    ASSERT_EQ(::chmod(readOnly.Path().c_str(), 0755), 0);
    const auto asUser = RunAsNobody([&] {
        std::string reason;
        return platform::CanWriteDir(readOnly.Path(), reason) ? std::string("writable") : reason;
    });
    if (!asUser)
        GTEST_SKIP() << "a folder root may not write to needs root to make";
    EXPECT_EQ(*asUser, "Permission denied");
}

// A profile that exists but cannot be read (a folder; the other kinds are the readers'
// test) is named once at start-up with the reason; the start goes on, and the file is
// left as it is. (A readable or missing one says
// nothing: the start-up tests.)
TEST(UserDirTest, AnUnreadableProfileIsReportedOnceAtStartUp)
{
    FakePlatform fake;
    TempDir locks, work;
    ScopedCurrentDir here(work.Path());
    CNvLogoApp app;
    app.m_strLockDir = locks.Path();
    std::filesystem::create_directory(work.File(app.m_strProfileBase));
    bool ran = false;
    app.InitInstance([&](CNvLogoApp&) { ran = true; });
    EXPECT_TRUE(ran);
    ASSERT_EQ(fake.boxes.shown.size(), 1u);
    EXPECT_THAT(fake.boxes.shown[0].text, HasSubstr(work.File(app.m_strProfileBase)));
    EXPECT_THAT(fake.boxes.shown[0].text, HasSubstr("(it is a folder)"));
    EXPECT_THAT(fake.boxes.shown[0].text, HasSubstr("It is left as it is"));
}

TEST(UserDirTest, StartOptionsLeaveQtItsOwn)
{
    const char* argv[] = {"nivora", "-platform", "offscreen", "--user-dir", "-V"};
    const StartOptions options = ReadStartOptions(5, argv);
    EXPECT_TRUE(options.userDir);
    EXPECT_TRUE(options.version);
    EXPECT_FALSE(options.help);
    EXPECT_FALSE(ReadStartOptions(3, argv).userDir);
    EXPECT_THAT(VersionLine("nivora-cli"), ::testing::MatchesRegex("nivora-cli [0-9]+\\.[0-9]+"));
}

} // namespace
