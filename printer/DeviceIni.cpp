#include "printer/DeviceIni.h"

#include <cstdint>
#include <cstdio>
#include <unistd.h>

#include "platform/AtomicFile.h"
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
    // Replaced whole, never emptied in place: a kill half-way leaves the old file. A
    // FIFO or a device where the file belongs is not written into.
    const uint8_t digit = parallel ? '1' : '0';
    std::string error;
    platform::WriteFileAtomically(PathIn(dir), {&digit, 1}, error);
}

} // namespace printer
