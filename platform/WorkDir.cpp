#include "platform/WorkDir.h"

#include <climits>
#include <string_view>
#include <unistd.h>

namespace platform {

bool GetCurrentDir(std::string& dir)
{
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer))
        return false;
    dir = buffer;
    return true;
}

bool ChangeDir(const std::string& dir)
{
    return ::chdir(dir.c_str()) == 0;
}

std::string ExecutableBaseName()
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return "nivora";
    std::string_view path(buffer, static_cast<size_t>(n));
    path = path.substr(path.rfind('/') + 1);
    if (const auto dot = path.rfind('.'); dot != std::string_view::npos && dot > 0)
        path = path.substr(0, dot);
    return std::string(path);
}

} // namespace platform
