#include "printer/DeviceIni.h"

#include <fcntl.h>
#include <unistd.h>

namespace printer {
namespace {

std::string PathIn(const std::string& dir)
{
    return (dir.empty() ? std::string(".") : dir) + "/" + kDeviceIniName;
}

} // namespace

bool ReadDeviceIni(const std::string& dir)
{
    const int fd = ::open(PathIn(dir).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char digit = '0';
    const bool read = ::read(fd, &digit, 1) == 1;
    ::close(fd);
    return read && digit >= '1' && digit <= '9';
}

void SaveDeviceIni(const std::string& dir, bool parallel)
{
    const int fd = ::open(PathIn(dir).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return;
    const char digit = parallel ? '1' : '0';
    [[maybe_unused]] const ssize_t written = ::write(fd, &digit, 1);
    ::close(fd);
}

} // namespace printer
