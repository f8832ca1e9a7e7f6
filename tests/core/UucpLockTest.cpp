// UUCP lock files: whose lock keeps a port from this run, which ones are stale, what a
// run leaves behind, and many ports locked at once from many threads.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "print/PrintLink.h"
#include "printer/OpenLink.h"
#include "printer/PortDiscovery.h"
#include "printer/UucpLock.h"
#include "tests/support/AsNobody.h"
#include "tests/support/FakePrinter.h"

using printer::LinkStatus;
using namespace testing_support;

namespace {

pid_t DeadPid()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

std::string Ascii(pid_t pid)
{
    char text[16];
    std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(pid));
    return text;
}

std::string Binary(pid_t pid)
{
    const int32_t value = pid;
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct LockCase {
    const char* name;
    std::function<std::string()> content; // nullptr: no lock file
    bool refused;
    bool named; // the refusal names the lock file
};

class UucpLockTest : public ::testing::TestWithParam<LockCase>, protected ManualContext {
protected:
    FakePrinter printer;
    std::string device = root.Link("ttyUSB0", printer.Path());
    std::string lockFile = root.LockDir() + "/LCK.." + printer.Path().substr(printer.Path().rfind('/') + 1);

    std::unique_ptr<printer::Link> Open(LinkStatus& status) const
    {
        return printer::OpenDevice(context, device, {}, kPrintLink, true, status);
    }
};

TEST_P(UucpLockTest, ALiveOrUnreadableLockRefusesAndHidesThePortAStaleOneIsRemoved)
{
    const LockCase& c = GetParam();
    if (c.content)
        std::ofstream(lockFile, std::ios::binary) << c.content();
    const std::string before = Read(lockFile);
    EXPECT_EQ(printer::UucpLock::LockFileFor(context, device), lockFile);
    EXPECT_EQ(printer::ProbeComPorts(context).empty(), c.refused);

    LinkStatus status;
    std::unique_ptr<printer::Link> link = Open(status);
    EXPECT_EQ(!link, c.refused);
    if (c.refused) {
        EXPECT_EQ(status.code, LinkStatus::Code::Locked);
        EXPECT_EQ(status.Describe().find(lockFile) != std::string::npos, c.named) << status.Describe();
        EXPECT_EQ(Read(lockFile), before); // another program's lock is never touched
        return;
    }
    // Ours while the port is open, in the ten-digit format; gone after the close.
    EXPECT_EQ(Read(lockFile), Ascii(::getpid()));
    LinkStatus second;
    EXPECT_FALSE(Open(second));
    EXPECT_EQ(second.code, LinkStatus::Code::Locked);
    printer::UucpLock sameProcess; // a port of this process holds it, whatever flock says
    EXPECT_EQ(sameProcess.Acquire(context, device), printer::UucpLock::Result::Held);
    link->Close();
    EXPECT_FALSE(std::filesystem::exists(lockFile));
}

INSTANTIATE_TEST_SUITE_P(
    Owners, UucpLockTest,
    ::testing::Values(LockCase{"None", nullptr, false, false},
                      LockCase{"LiveAscii", [] { return Ascii(1); }, true, false},
                      LockCase{"LiveBinary", [] { return Binary(1); }, true, false},
                      LockCase{"DeadAscii", [] { return Ascii(DeadPid()); }, false, false},
                      LockCase{"DeadBinary", [] { return Binary(DeadPid()); }, false, false},
                      LockCase{"Empty", [] { return std::string(); }, true, true},
                      LockCase{"Garbage", [] { return std::string("locked by minicom"); }, true, true}),
    [](const auto& param) { return std::string(param.param.name); });

class UucpLockFolderTest : public ::testing::Test, protected ManualContext {};

// As an ordinary user: a lock folder the run may not write is no reason to refuse the
// port (the other guards hold), but the lock of a live program this user may not
// signal (pid 1) is held, not stale. Without any lock folder, the device's own lock
// still keeps a second run off the printer.
TEST_F(UucpLockFolderTest, AnOrdinaryUserNeedsNoLockFolderButHonoursALiveLock)
{
    FakePrinter printer;
    ::fchmod(printer.PortSideFd(), 0666);
    for (const std::string& dir : {root.Path(), root.Path() + "/run", root.LockDir()})
        ::chmod(dir.c_str(), 0755);
    const auto openAsNobody = [&] {
        return RunAsNobody([&] {
            LinkStatus status;
            return printer::OpenDevice(context, printer.Path(), {}, kPrintLink, true, status)
                       ? std::string("opened")
                       : status.Describe();
        });
    };
    const auto withoutFolder = openAsNobody();
    ::chmod(root.LockDir().c_str(), 0777);
    const std::string lockFile = printer::UucpLock::LockFileFor(context, printer.Path());
    std::ofstream(lockFile, std::ios::binary) << Ascii(1);
    const auto withLiveLock = openAsNobody();
    EXPECT_EQ(Read(lockFile), Ascii(1));

    std::filesystem::remove_all(root.LockDir());
    LinkStatus status;
    const std::unique_ptr<printer::Link> first =
        printer::OpenDevice(context, printer.Path(), {}, kPrintLink, true, status);
    EXPECT_TRUE(first) << status.Describe();
    EXPECT_FALSE(printer::OpenDevice(context, printer.Path(), {}, kPrintLink, true, status));
    if (!withoutFolder)
        GTEST_SKIP() << "needs root to act as an ordinary user";
    EXPECT_EQ(*withoutFolder, "opened");
    EXPECT_NE(*withLiveLock, "opened");
}

// Many ports opened at the same moment from many threads each get their own lock
// file: no attempt of one thread spoils another's.
TEST_F(UucpLockFolderTest, TenPortsOpenedAtOnceAreTenLockFiles)
{
    std::vector<std::unique_ptr<FakePrinter>> printers(10);
    std::vector<std::unique_ptr<printer::Link>> links(printers.size());
    for (auto& printer : printers)
        printer = std::make_unique<FakePrinter>();
    for (int round = 0; round < 5; ++round) {
        std::vector<std::thread> threads;
        for (size_t i = 0; i < printers.size(); ++i)
            threads.emplace_back([&, i] {
                LinkStatus status;
                links[i] = printer::OpenDevice(context, printers[i]->Path(), {}, kPrintLink, true, status);
            });
        for (std::thread& thread : threads)
            thread.join();
        size_t locks = 0;
        for (size_t i = 0; i < printers.size(); ++i) {
            EXPECT_TRUE(links[i]);
            locks += std::filesystem::exists(printer::UucpLock::LockFileFor(context, printers[i]->Path()));
        }
        EXPECT_EQ(locks, printers.size());
        for (auto& link : links)
            link.reset();
        EXPECT_TRUE(std::filesystem::is_empty(root.LockDir()));
    }
}

} // namespace
