#include "platform/SingleInstance.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

SingleInstance::~SingleInstance()
{
    Release();
}

std::string SingleInstance::DefaultLockDir()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime && *runtime && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode) &&
        ::access(runtime, W_OK) == 0)
        return runtime;
    return "/tmp";
}

std::string SingleInstance::LockPath(const std::string& name, const std::string& dir)
{
    // The uid keeps two users of one machine (and a shared /tmp) out of each other's way.
    return dir + "/" + name + "-" + std::to_string(::getuid()) + ".lock";
}

SingleInstance::Result SingleInstance::Acquire(const std::string& name, const std::string& dir)
{
    Release();
    const std::string path = LockPath(name, dir.empty() ? DefaultLockDir() : dir);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Result::Failed;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? Result::AlreadyRunning : Result::Failed;
    }
    m_fd = fd;
    return Result::Acquired;
}

void SingleInstance::Release()
{
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace platform
