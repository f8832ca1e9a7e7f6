#include "platform/RegularFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::string KindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "no regular file";
}

std::string Refusal(const std::string& path, const std::string& kind)
{
    return "'" + path + "' is " + kind + ", not a regular file";
}

} // namespace

int OpenDataFile(const std::string& path, std::string& why)
{
    // Non-blocking only for the open itself: a FIFO without a writer would hold it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        // A socket cannot even be opened; it is still named for what it is.
        const int error = errno;
        const std::string kind = NonRegularKind(path);
        why = kind.empty() ? path + ": " + std::strerror(error) : Refusal(path, kind);
        errno = kind.empty() ? error : EINVAL;
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = Refusal(path, KindOf(st.st_mode));
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int OpenRegularFile(const std::string& path)
{
    std::string why;
    return OpenDataFile(path, why);
}

bool ReadDataFile(const std::string& path, size_t limit, std::string& content, std::string& why)
{
    const int fd = OpenDataFile(path, why);
    if (fd < 0)
        return false;
    content.clear();
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            why = path + ": " + std::strerror(errno);
            ok = false;
            break;
        }
        if (n == 0)
            break;
        if (content.size() + static_cast<size_t>(n) > limit) {
            why = path + ": more than " + std::to_string(limit) + " bytes";
            ok = false;
            break;
        }
        content.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return ok;
}

std::string NonRegularKind(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return KindOf(st.st_mode);
}

std::string NotRegularMessage(const std::string& path)
{
    const std::string kind = NonRegularKind(path);
    return kind.empty() ? std::string() : Refusal(path, kind);
}

} // namespace platform
