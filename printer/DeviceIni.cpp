#include "printer/DeviceIni.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "platform/RegularFile.h"

namespace printer {
namespace {

std::string PathIn(const std::string& dir)
{
    return (dir.empty() ? std::string(".") : dir) + "/" + kDeviceIniName;
}

} // namespace

bool ReadDeviceIni(const std::string& dir)
{
    const std::string path = PathIn(dir);
    const int fd = platform::OpenRegularFile(path);
    if (fd < 0) {
        // The serial setup, as for a missing file; but a FIFO or a folder in its place
        // is a mistake the user should hear of.
        if (const std::string problem = platform::NotRegularMessage(path); !problem.empty())
            std::fprintf(stderr, "%s; starting with a serial printer\n", problem.c_str());
        return false;
    }
    char digit = '0';
    const bool read = ::read(fd, &digit, 1) == 1;
    ::close(fd);
    return read && digit >= '1' && digit <= '9';
}

void SaveDeviceIni(const std::string& dir, bool parallel)
{
    const std::string path = PathIn(dir);
    if (!platform::NonRegularKind(path).empty())
        return; // never write into a FIFO or a device that sits where the file belongs
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return;
    const char digit = parallel ? '1' : '0';
    [[maybe_unused]] const ssize_t written = ::write(fd, &digit, 1);
    ::close(fd);
}

} // namespace printer
