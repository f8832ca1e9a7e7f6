#include "printer/UucpLock.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

#include "platform/Context.h"

namespace printer {
namespace {

constexpr char kLockDir[] = "/run/lock";
constexpr int kAttempts = 8;

// The lock files this process holds, and the one mutex that makes looking at a lock
// file and taking it a single step for the threads of this process (another process
// is kept out by link(), which never replaces a file).
std::mutex g_mutex;
std::set<std::string>& HeldHere()
{
    static std::set<std::string> held;
    return held;
}

enum class Owner { None, Pid, Unreadable };

// Who a lock file names: ten ASCII digits (blanks and a line end around them), or a
// PID of 4 binary bytes.
Owner ReadOwner(const std::string& path, pid_t& pid)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return errno == ENOENT ? Owner::None : Owner::Unreadable;
    char text[64] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0)
        return Owner::Unreadable;
    const std::string content(text, static_cast<size_t>(n));
    const size_t first = content.find_first_not_of(" \t");
    const size_t end = content.find_last_not_of(" \t\r\n");
    if (first != std::string::npos && end != std::string::npos && first <= end) {
        const std::string digits = content.substr(first, end - first + 1);
        if (digits.size() <= 10 && digits.find_first_not_of("0123456789") == std::string::npos) {
            pid = static_cast<pid_t>(std::atol(digits.c_str()));
            return pid > 0 ? Owner::Pid : Owner::Unreadable;
        }
    }
    if (n == sizeof(int32_t)) {
        int32_t binary = 0;
        std::memcpy(&binary, text, sizeof binary);
        pid = static_cast<pid_t>(binary);
        return pid > 0 ? Owner::Pid : Owner::Unreadable;
    }
    return Owner::Unreadable;
}

bool Alive(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

enum class Look { Free, Held, Unreadable };

// What the file at path says; a stale one is removed on the way. Call with g_mutex held.
Look LookAt(const std::string& path)
{
    pid_t pid = 0;
    switch (ReadOwner(path, pid)) {
    case Owner::None:
        return Look::Free;
    case Owner::Unreadable:
        return Look::Unreadable;
    case Owner::Pid:
        break;
    }
    // This process holds a lock only through a port of its own; a file of ours that no
    // port holds is left from a port that was never closed.
    const bool live = pid == ::getpid() ? HeldHere().count(path) != 0 : Alive(pid);
    if (live)
        return Look::Held;
    ::unlink(path.c_str());
    return Look::Free;
}

// A name no other attempt, in this process or another, uses.
std::string TempName(const std::string& dir)
{
    static std::atomic<unsigned> counter{0};
    return dir + "/LTMP." + std::to_string(::getpid()) + "." + std::to_string(::syscall(SYS_gettid)) + "." +
           std::to_string(counter.fetch_add(1));
}

bool FolderMissing(const std::string& dir)
{
    struct stat st {};
    return ::stat(dir.c_str(), &st) != 0 && errno == ENOENT;
}

enum class Made { Yes, Taken, NoLockDir, Retry, Failed };

// Writes the lock under a private name and links it into place, so nobody ever sees a
// half-written file and two programs cannot both succeed.
Made MakeLock(const std::string& dir, const std::string& path)
{
    const std::string temp = TempName(dir);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        const int error = errno;
        if (error == EACCES || error == EROFS || error == EPERM || (error == ENOENT && FolderMissing(dir)))
            return Made::NoLockDir;
        return error == EEXIST || error == ENOENT ? Made::Retry : Made::Failed;
    }
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
    const bool written = ::write(fd, text, static_cast<size_t>(length)) == length;
    const int writeError = errno;
    ::close(fd);
    if (!written) {
        ::unlink(temp.c_str());
        errno = writeError;
        return Made::Failed;
    }
    const int linked = ::link(temp.c_str(), path.c_str());
    const int error = errno;
    ::unlink(temp.c_str());
    if (linked == 0)
        return Made::Yes;
    if (error == EEXIST)
        return Made::Taken;
    if (error == EACCES || error == EROFS || error == EPERM)
        return Made::NoLockDir;
    errno = error;
    return error == ENOENT ? Made::Retry : Made::Failed;
}

} // namespace

UucpLock::~UucpLock()
{
    Release();
}

UucpLock::UucpLock(UucpLock&& other) noexcept
    : m_path(std::exchange(other.m_path, {})), m_heldBy(std::exchange(other.m_heldBy, {}))
{
}

UucpLock& UucpLock::operator=(UucpLock&& other) noexcept
{
    if (this != &other) {
        Release();
        m_path = std::exchange(other.m_path, {});
        m_heldBy = std::exchange(other.m_heldBy, {});
    }
    return *this;
}

std::string UucpLock::LockFileFor(const platform::Context& context, const std::string& device)
{
    char resolved[PATH_MAX];
    const std::string real = ::realpath(device.c_str(), resolved) ? std::string(resolved) : device;
    return context.DevicePath(kLockDir) + "/LCK.." + real.substr(real.find_last_of('/') + 1);
}

bool UucpLock::HeldByOther(const platform::Context& context, const std::string& device, bool* unreadable)
{
    const std::lock_guard<std::mutex> lock(g_mutex);
    const Look look = LookAt(LockFileFor(context, device));
    if (unreadable)
        *unreadable = look == Look::Unreadable;
    return look != Look::Free;
}

UucpLock::Result UucpLock::Acquire(const platform::Context& context, const std::string& device)
{
    Release();
    m_heldBy.clear();
    const std::string path = LockFileFor(context, device);
    const std::string dir = path.substr(0, path.rfind('/'));
    const std::lock_guard<std::mutex> lock(g_mutex);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        switch (LookAt(path)) {
        case Look::Held:
            m_heldBy = path;
            errno = EBUSY;
            return Result::Held;
        case Look::Unreadable:
            m_heldBy = path;
            errno = EBUSY;
            return Result::Unreadable;
        case Look::Free:
            break;
        }
        switch (MakeLock(dir, path)) {
        case Made::Yes:
            m_path = path;
            HeldHere().insert(path);
            return Result::Ours;
        case Made::NoLockDir:
            return Result::NoLockDir;
        case Made::Failed:
            return Result::Failed;
        case Made::Taken: // another program was quicker: look at its file
        case Made::Retry:
            break;
        }
    }
    m_heldBy = path;
    errno = EBUSY;
    return Result::Held;
}

void UucpLock::Release()
{
    if (m_path.empty())
        return;
    const std::lock_guard<std::mutex> lock(g_mutex);
    HeldHere().erase(m_path);
    pid_t pid = 0;
    if (ReadOwner(m_path, pid) == Owner::Pid && pid == ::getpid())
        ::unlink(m_path.c_str());
    m_path.clear();
}

} // namespace printer
