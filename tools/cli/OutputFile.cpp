#include "tools/cli/OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {
namespace {

// Far more than any stream of this program (a full NV set is 384 KByte), and a bound
// for a pipe that never ends.
constexpr size_t kMaxInputBytes = size_t{256} << 20;

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
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

std::string Reason(const std::string& path)
{
    return path + ": " + std::strerror(errno);
}

} // namespace

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    if (path == "-") {
        // A binary stream would garble the terminal and help nobody.
        if (::isatty(STDOUT_FILENO) == 1) {
            error = "standard output is a terminal; redirect it to a file or a pipe, or name a file with -o";
            return false;
        }
        if (WriteAll(STDOUT_FILENO, bytes.data(), bytes.size()))
            return true;
        error = Reason("standard output");
        return false;
    }
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = Reason(path);
        return false;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    bool ok = ::fchmod(fd, 0666 & ~mask) == 0 && WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
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

bool ReadWholeInput(const std::string& path, std::vector<uint8_t>& bytes, std::string& error)
{
    const bool stdinInput = path == "-";
    const int fd = stdinInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = Reason(path);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        error = Reason(path);
        ::close(fd);
        return false;
    }
    bytes.clear();
    uint8_t buffer[65536];
    bool ok = true;
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = Reason(stdinInput ? "standard input" : path);
            ok = false;
            break;
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<size_t>(n) > kMaxInputBytes) {
            error = (stdinInput ? std::string("standard input") : path) +
                    ": more than 256 MiB, not a stream of this program";
            ok = false;
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    if (!stdinInput)
        ::close(fd);
    return ok;
}

} // namespace cli
