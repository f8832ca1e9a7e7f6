#include "tools/cli/OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"

namespace cli {
namespace {

// Far more than any stream of this program (a full NV set is 384 KByte), and a bound
// for a pipe that never ends.
constexpr size_t kMaxInputBytes = size_t{256} << 20;

std::string Reason(const std::string& path)
{
    return path + ": " + std::strerror(errno);
}

} // namespace

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    if (path != "-")
        return platform::WriteFileAtomically(path, bytes, error);
    // A binary stream would garble the terminal and help nobody.
    if (::isatty(STDOUT_FILENO) == 1) {
        error = "standard output is a terminal; redirect it to a file or a pipe, or name a file with -o";
        return false;
    }
    if (platform::WriteAll(STDOUT_FILENO, bytes))
        return true;
    error = Reason("standard output");
    return false;
}

bool ReadWholeInput(const std::string& path, std::vector<uint8_t>& bytes, std::string& error)
{
    const bool stdinInput = path == "-";
    // A file named is read only when it is a regular one; standard input may be a pipe.
    const int fd = stdinInput ? STDIN_FILENO : platform::OpenDataFile(path, error);
    if (fd < 0)
        return false;
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
