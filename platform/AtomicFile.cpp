#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::string Reason(const std::string& path)
{
    return path + ": " + std::strerror(errno);
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

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, std::string& error)
{
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = Reason(path);
        return false;
    }
    // mkstemp creates the file 0600; the result should look like any new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    bool ok = ::fchmod(fd, 0666 & ~mask) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (!ok)
        error = Reason(path);
    if (::close(fd) != 0 && ok) {
        error = Reason(path);
        ok = false;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        error = Reason(path);
        ok = false;
    }
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

} // namespace platform
