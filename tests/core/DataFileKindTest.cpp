// The files the program reads as data (logos, the profile, Device.INI) are taken only
// when they are regular files; anything else is refused at once, and a profile the
// program cannot read is never replaced.
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "logo/BmpFile.h"
#include "logo/PrivateProfile.h"
#include "platform/RegularFile.h"
#include "printer/DeviceIni.h"
#include "tests/support/TempDir.h"

using testing_support::TempDir;

namespace {

// Runs check in a child process and returns its exit status; a child that blocks is
// killed by its alarm rather than hanging the suite (exit status -1).
int InChild(const std::function<bool()>& check, unsigned uid = 0)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(20);
        if (uid != 0 && ::setuid(uid) != 0)
            ::_exit(3);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct KindCase {
    const char* name;
    std::function<void(const std::string& path)> make;
    const char* kind;
};

struct ReaderCase {
    const char* name;
    const char* fileName;
    // True when the reader refused the path (and returned).
    std::function<bool(const TempDir& dir, const std::string& path)> refused;
};

const ReaderCase kReaders[] = {
    {"Logo", "logo.bmp",
     [](const TempDir&, const std::string& path) {
         BmpInfo info;
         BmpImage image;
         return !ReadBmpInfo(path, info) && !LoadBmp(path, image);
     }},
    {"Profile", "nivora.INI",
     [](const TempDir&, const std::string& path) {
         PrivateProfile profile(path);
         return profile.GetProfileString("LOG", "Logofile1", "none") == "none" && !profile.Readable() &&
                !profile.WriteProfileString("LOG", "Logofile1", std::string("/a.bmp"));
     }},
    {"DeviceIni", "Device.INI",
     [](const TempDir& dir, const std::string&) {
         const bool parallel = printer::ReadDeviceIni(dir.Path());
         printer::SaveDeviceIni(dir.Path(), true);
         return !parallel;
     }},
};

TEST(DataFileKindTest, AFifoOrAFolderIsRefusedAtOnceByEveryReaderAndLeftAsItIs)
{
    const KindCase kinds[] = {
        {"Fifo", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }, "a FIFO"},
        {"Folder", [](const std::string& path) { std::filesystem::create_directory(path); }, "a folder"},
    };
    for (const KindCase& kind : kinds)
        for (const ReaderCase& reader : kReaders) {
            SCOPED_TRACE(std::string(kind.name) + " as " + reader.name);
            TempDir dir;
            const std::string path = dir.File(reader.fileName);
            kind.make(path);
            EXPECT_EQ(InChild([&] { return reader.refused(dir, path); }), 0);
            EXPECT_EQ(platform::NonRegularKind(path), kind.kind);
            EXPECT_EQ(platform::NotRegularMessage(path),
                      "'" + path + "' is " + kind.kind + ", not a regular file");
        }
}

TEST(DataFileKindTest, ARegularFileOpensAndAMissingOneKeepsItsError)
{
    TempDir dir;
    dir.Write("a.txt", "x");
    const int fd = platform::OpenRegularFile(dir.File("a.txt"));
    ASSERT_GE(fd, 0);
    char c = 0;
    EXPECT_EQ(::read(fd, &c, 1), 1); // blocking again after the open
    ::close(fd);
    errno = 0;
    EXPECT_EQ(platform::OpenRegularFile(dir.File("missing")), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(platform::NotRegularMessage(dir.File("a.txt")), "");
    EXPECT_EQ(platform::NotRegularMessage(dir.File("missing")), "");
}

// Run as an ordinary user, for whom permissions count.
TEST(ProfileSafetyTest, AProfileThatCannotBeReadIsNeverReplaced)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as an ordinary user in a child";
    constexpr unsigned kNobody = 65534;
    TempDir dir;
    const std::string content = "[LOG]\r\nLogofile1=/a.bmp\r\n[Other]\r\nKeep=me\r\n";
    dir.Write("nivora.INI", content);
    ::chown(dir.Path().c_str(), kNobody, kNobody);
    ::chown(dir.File("nivora.INI").c_str(), kNobody, kNobody);
    ::chmod(dir.File("nivora.INI").c_str(), 0200); // write-only
    const std::string path = dir.File("nivora.INI");
    EXPECT_EQ(InChild(
                  [&] {
                      PrivateProfile profile(path);
                      return !profile.Readable() &&
                             !profile.WriteProfileStrings(
                                 "LOG", {{"Logofile1", "/b.bmp"}, {"Logofile2", std::nullopt}});
                  },
                  kNobody),
              0);
    EXPECT_EQ(dir.Read("nivora.INI"), content);
}

TEST(ProfileSafetyTest, ALineBreakInAValueIsRefusedAndInjectsNothing)
{
    TempDir dir;
    PrivateProfile profile(dir.File("nivora.INI"));
    ASSERT_TRUE(profile.WriteProfileString("LOG", "Logofile1", std::string("/a.bmp")));
    for (const char* value : {"/x.bmp\r\nLogofile2=/evil.bmp", "/x\n.bmp", "/x\r.bmp"})
        EXPECT_FALSE(profile.WriteProfileString("LOG", "Logofile1", std::string(value))) << value;
    EXPECT_EQ(dir.Read("nivora.INI"), "[LOG]\r\nLogofile1=/a.bmp\r\n");
}

TEST(ProfileSafetyTest, TheNextGoodRewriteRemovesTempFilesOfDeadWritersOnly)
{
    TempDir dir;
    const pid_t dead = [] {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(0);
        ::waitpid(child, nullptr, 0);
        return child;
    }();
    const std::string stale = "nivora.INI.tmp" + std::to_string(dead);
    const std::string live = "nivora.INI.tmp1"; // init never dies
    const std::string other = "other.INI.tmp" + std::to_string(dead);
    for (const std::string& name : {stale, live, other})
        dir.Write(name, "half");
    PrivateProfile profile(dir.File("nivora.INI"));
    ASSERT_TRUE(profile.WriteProfileString("LOG", "Logofile1", std::string("/a.bmp")));
    EXPECT_FALSE(std::filesystem::exists(dir.File(stale)));
    EXPECT_TRUE(std::filesystem::exists(dir.File(live)));
    EXPECT_TRUE(std::filesystem::exists(dir.File(other)));
}

} // namespace
