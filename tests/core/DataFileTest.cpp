// The files the program reads and writes: only regular files are read, refused at once
// otherwise; outputs (and the profile and Device.INI) are replaced whole through a new
// file, never through a link, never over anything but a regular file, and keep the
// target's permissions; and the one-copy guard.
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "logo/BmpFile.h"
#include "logo/ImageFile.h"
#include "logo/PrivateProfile.h"
#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"
#include "platform/SingleInstance.h"
#include "printer/DeviceIni.h"
#include "tests/support/AsNobody.h"
#include "tests/support/TempDir.h"

using testing_support::TempDir;

namespace {

// Runs check in a child process and returns its exit status; a child that blocks is
// killed by its alarm rather than hanging the suite (exit status -1).
int InChild(const std::function<bool()>& check)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(20);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void MakeSocket(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

// Puts something other than a regular file at path (or points it at one).
struct NotAFile {
    const char* name;
    std::function<void(const std::string& path)> make;
    const char* kind;
};
const NotAFile kNotFiles[] = {
    {"Fifo", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }, "a FIFO"},
    {"Folder", [](const std::string& path) { std::filesystem::create_directory(path); }, "a folder"},
    {"Socket", MakeSocket, "a socket"},
    {"Zero", [](const std::string& path) { std::filesystem::create_symlink("/dev/zero", path); }, "a device"},
};

TEST(DataFileTest, EveryReaderRefusesAFifoSocketFolderOrDeviceAtOnceNamingIt)
{
    for (const NotAFile& kind : kNotFiles) {
        SCOPED_TRACE(kind.name);
        TempDir dir;
        const std::string path = dir.File("Device.INI");
        kind.make(path);
        EXPECT_EQ(InChild([&] {
                      std::string why, content;
                      ImageInfo info;
                      BmpImage bmp;
                      return platform::OpenDataFile(path, why) < 0 &&
                             why == "'" + path + "' is " + kind.kind + ", not a regular file" &&
                             !platform::ReadDataFile(path, 1 << 20, content, why) &&
                             !ReadImageInfo(path, info, why) && !LoadBmp(path, bmp) &&
                             !PrivateProfile(path).Readable() && !printer::ReadDeviceIni(dir.Path());
                  }),
                  0);
    }
    TempDir dir;
    std::string content, why;
    dir.Write("big", std::string(2000, 'x'));
    EXPECT_FALSE(platform::ReadDataFile(dir.File("big"), 1999, content, why));
    EXPECT_EQ(why, dir.File("big") + ": more than 1999 bytes");
    EXPECT_TRUE(platform::ReadDataFile(dir.File("big"), 2000, content, why));
    EXPECT_EQ(content.size(), 2000u);
}

// Whatever stands where the output goes: a new file, a regular file keeps its
// permissions, a link is replaced (what it points to is never written), anything else
// is refused with its name and left as it is.
TEST(OutputFileTest, TheTargetIsReplacedWholeOnlyWhereThatIsSafe)
{
    TempDir dir;
    const std::vector<uint8_t> bytes = {'n', 'e', 'w'};
    std::string error;
    dir.Write("victim", "keep");
    dir.Write("private", "old");
    ::chmod(dir.File("private").c_str(), 0600);
    std::filesystem::create_symlink(dir.File("victim"), dir.File("link"));
    for (const char* name : {"fresh", "private", "link"}) {
        ASSERT_TRUE(platform::WriteFileAtomically(dir.File(name), bytes, error)) << error;
        EXPECT_EQ(dir.Read(name), "new");
    }
    EXPECT_EQ(std::filesystem::status(dir.File("private")).permissions(), std::filesystem::perms(0600));
    EXPECT_FALSE(std::filesystem::is_symlink(dir.File("link")));
    EXPECT_EQ(dir.Read("victim"), "keep");
    for (const NotAFile& kind : kNotFiles) {
        // A link to a device is a link, replaced like the one above; the device itself is refused.
        const std::string path = kind.kind == std::string("a device") ? "/dev/null" : dir.File(kind.name);
        if (path != "/dev/null")
            kind.make(path);
        EXPECT_FALSE(platform::WriteFileAtomically(path, bytes, error)) << kind.name;
        EXPECT_EQ(error, "'" + path + "' is " + kind.kind + ", not a regular file; it is left alone");
    }
    EXPECT_TRUE(std::filesystem::is_fifo(dir.File("Fifo")));
    // Nothing half-written is left anywhere: the folder holds what it held.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 7);
}

// The profile and Device.INI are outputs too. A kill half-way through leaves the old
// file (the new one is renamed over it; the old one is never emptied in place), a link
// planted at the old temporary name leads nowhere, and a profile this user may not
// write is reported, not silently replaced.
TEST(OutputFileTest, TheProfileAndDeviceIniAreReplacedNeverEmptiedInPlace)
{
    TempDir dir;
    dir.Write("Device.INI", "1");
    std::filesystem::create_hard_link(dir.File("Device.INI"), dir.File("before"));
    printer::SaveDeviceIni(dir.Path(), false);
    EXPECT_EQ(dir.Read("Device.INI"), "0");
    EXPECT_EQ(dir.Read("before"), "1");                  // the old file was not written into
    printer::SaveDeviceIni("/nonexistent-folder", true); // silently nothing
    EXPECT_FALSE(std::filesystem::exists("/nonexistent-folder/Device.INI"));

    dir.Write("victim", "keep");
    const std::string profile = dir.File("nivora.INI");
    std::filesystem::create_symlink(dir.File("victim"), profile + ".tmp" + std::to_string(::getpid()));
    ASSERT_TRUE(PrivateProfile(profile).WriteProfileString("LOG", "Logofile1", std::string("/a.bmp")));
    EXPECT_EQ(dir.Read("victim"), "keep");
    EXPECT_EQ(dir.Read("nivora.INI"), "[LOG]\r\nLogofile1=/a.bmp\r\n");

    ::chmod(profile.c_str(), 0444);
    ::chmod(dir.Path().c_str(), 0777);
    const auto written = testing_support::RunAsNobody([&] {
        return PrivateProfile(profile).WriteProfileString("LOG", "Logofile1", std::string("/b.bmp"))
                   ? "written"
                   : "refused";
    });
    if (!written)
        GTEST_SKIP() << "needs root to try the profile as an ordinary user";
    EXPECT_EQ(*written, "refused");
    EXPECT_EQ(dir.Read("nivora.INI"), "[LOG]\r\nLogofile1=/a.bmp\r\n");
    EXPECT_EQ(std::filesystem::status(profile).permissions(), std::filesystem::perms(0444));
}

// One copy per user, held in a folder only the user may write, found from the password
// database: another HOME (su, ssh, a container) changes nothing, a crashed holder
// blocks nothing, and a folder others may write is no place for the guard.
TEST(SingleInstanceTest, OneCopyPerUserWhateverTheEnvironment)
{
    TempDir dir;
    const std::string folder = dir.File("guard");
    platform::SingleInstance holder;
    ASSERT_EQ(holder.Acquire("Guard", folder), platform::SingleInstance::Result::Acquired);
    const std::string userFolder = platform::SingleInstance::UserFolder();
    EXPECT_EQ(InChild([&] {
                  ::setenv("HOME", "/elsewhere", 1);
                  ::setenv("XDG_STATE_HOME", "/elsewhere", 1);
                  platform::SingleInstance second;
                  return platform::SingleInstance::UserFolder() == userFolder &&
                         second.Acquire("Guard", folder) == platform::SingleInstance::Result::AlreadyRunning;
              }),
              0);
    EXPECT_EQ(InChild([&] {
                  platform::SingleInstance crashed;
                  return crashed.Acquire("Other", folder) == platform::SingleInstance::Result::Acquired;
              }),
              0);
    platform::SingleInstance next;
    EXPECT_EQ(next.Acquire("Other", folder), platform::SingleInstance::Result::Acquired);
    ::chmod(folder.c_str(), 0777);
    platform::SingleInstance open;
    EXPECT_EQ(open.Acquire("Third", folder), platform::SingleInstance::Result::Failed);
}

} // namespace
