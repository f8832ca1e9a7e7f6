#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/RegularFile.h"

namespace platform {
namespace {

std::string Reason(const std::string& path, int error)
{
    return path + ": " + std::strerror(error);
}

mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool WriteAll(int fd, std::span<const uint8_t> bytes)
{
    const uint8_t* data = bytes.data();
    size_t size = bytes.size();
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool CheckOutputTarget(const std::string& path, std::string& error)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return true; // nothing there yet (or the folder is missing: the temporary file says so)
    if (S_ISLNK(st.st_mode))
        return true;
    if (!S_ISREG(st.st_mode)) {
        error = NotRegularMessage(path) + "; it is left alone";
        errno = EINVAL;
        return false;
    }
    if (::access(path.c_str(), W_OK) != 0) {
        const int denied = errno;
        error = Reason(path, denied);
        errno = denied;
        return false;
    }
    return true;
}

bool OutputFile::Open(const std::string& path, std::string& error, const std::string& tempPrefix)
{
    Discard();
    if (!CheckOutputTarget(path, error))
        return false;
    struct stat st {};
    m_mode = ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? (st.st_mode & 07777) : NewFileMode();
    std::string temp = (tempPrefix.empty() ? path + "." : tempPrefix) + "XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        const int failure = errno;
        error = Reason(path, failure);
        errno = failure;
        return false;
    }
    m_release.TempFile(temp);
    m_fd = fd;
    m_path = path;
    m_temp = temp;
    return true;
}

bool OutputFile::Flush()
{
    return m_fd >= 0 && ::fsync(m_fd) == 0;
}

bool OutputFile::Commit(std::string& error)
{
    if (m_fd < 0) {
        error = Reason(m_path, EBADF);
        return false;
    }
    bool ok = ::fchmod(m_fd, m_mode) == 0 && ::fsync(m_fd) == 0;
    int failure = ok ? 0 : errno;
    if (::close(m_fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    m_fd = -1;
    // The target is looked at again: a FIFO put there meanwhile is still not replaced.
    std::string refusal;
    if (ok && !CheckOutputTarget(m_path, refusal)) {
        error = refusal;
        Discard();
        return false;
    }
    if (ok && ::rename(m_temp.c_str(), m_path.c_str()) != 0) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        error = Reason(m_path, failure);
        Discard();
        return false;
    }
    m_release.Forget();
    m_temp.clear();
    return true;
}

void OutputFile::Discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_release.Forget();
    if (!m_temp.empty())
        ::unlink(m_temp.c_str());
    m_temp.clear();
}

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, std::string& error)
{
    OutputFile file;
    if (!file.Open(path, error))
        return false;
    if (!file.Write(bytes)) {
        error = Reason(path, errno);
        return false;
    }
    return file.Commit(error);
}

} // namespace platform
