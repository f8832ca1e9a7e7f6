#include "printer/UucpLock.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

#include "printer/OpenPortRegistry.h"
#include "printer/PortTestHooks.h"

namespace printer {
namespace {

constexpr char kLockDir[] = "/run/lock";

// The PID in a lock file, or 0 when it cannot be read.
pid_t ReadOwner(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return 0;
    char text[32] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    return n > 0 ? static_cast<pid_t>(std::strtol(text, nullptr, 10)) : 0;
}

bool Alive(pid_t pid)
{
    if (pid <= 0)
        return false;
    if (pid == ::getpid())
        return false; // ours only through a port of this process; asked separately
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// True when the file names a live owner; a stale one is removed on the way.
bool LiveLock(const std::string& path)
{
    if (::access(path.c_str(), F_OK) != 0)
        return false;
    const pid_t owner = ReadOwner(path);
    if (owner == ::getpid())
        return LockHeldInThisProcess(path);
    if (Alive(owner))
        return true;
    ::unlink(path.c_str());
    return false;
}

// Writes the lock under a private name and links it into place, so nobody ever sees
// a half-written file and two programs cannot both succeed.
enum class Created { Yes, Taken, NotAllowed };
Created CreateLock(const std::string& path)
{
    const std::string temp = path.substr(0, path.rfind('/') + 1) + "LTMP." + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return Created::NotAllowed;
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
    const bool written = ::write(fd, text, static_cast<size_t>(length)) == length;
    ::close(fd);
    if (!written) {
        ::unlink(temp.c_str());
        return Created::NotAllowed;
    }
    const int linked = ::link(temp.c_str(), path.c_str());
    const int error = errno;
    ::unlink(temp.c_str());
    if (linked == 0)
        return Created::Yes;
    return error == EEXIST ? Created::Taken : Created::NotAllowed;
}

} // namespace

UucpLock::~UucpLock()
{
    Release();
}

UucpLock::UucpLock(UucpLock&& other) noexcept : m_path(std::exchange(other.m_path, {}))
{
}

UucpLock& UucpLock::operator=(UucpLock&& other) noexcept
{
    if (this != &other) {
        Release();
        m_path = std::exchange(other.m_path, {});
    }
    return *this;
}

std::string UucpLock::LockFileFor(const std::string& device)
{
    char resolved[PATH_MAX];
    const std::string real = ::realpath(device.c_str(), resolved) ? std::string(resolved) : device;
    return DeviceRoot() + kLockDir + "/LCK.." + real.substr(real.find_last_of('/') + 1);
}

bool UucpLock::HeldByOther(const std::string& device)
{
    return LiveLock(LockFileFor(device));
}

bool UucpLock::Acquire(const std::string& device)
{
    Release();
    const std::string path = LockFileFor(device);
    // Two rounds: the first may only have found (and removed) a stale file.
    for (int round = 0; round < 2; ++round) {
        if (LiveLock(path)) {
            errno = EBUSY;
            return false;
        }
        switch (CreateLock(path)) {
        case Created::Yes:
            m_path = path;
            return true;
        case Created::NotAllowed:
            return true;
        case Created::Taken:
            break;
        }
    }
    errno = EBUSY;
    return false;
}

void UucpLock::Release()
{
    if (!m_path.empty()) {
        if (ReadOwner(m_path) == ::getpid())
            ::unlink(m_path.c_str());
        m_path.clear();
    }
}

} // namespace printer
