#include "logo/ProfileTempFiles.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <unistd.h>

std::string TempFileFor(const std::string& profilePath)
{
    return profilePath + ".tmp" + std::to_string(::getpid());
}

void RemoveStaleTempFiles(const std::string& profilePath)
{
    const size_t slash = profilePath.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : profilePath.substr(0, slash + 1);
    const std::string prefix =
        (slash == std::string::npos ? profilePath : profilePath.substr(slash + 1)) + ".tmp";
    DIR* folder = ::opendir(dir.c_str());
    if (!folder)
        return;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string rest = name.substr(prefix.size());
        const std::string digits = rest.substr(0, rest.find('.'));
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos ||
            digits.size() > 9)
            continue;
        const pid_t pid = static_cast<pid_t>(std::atol(digits.c_str()));
        const bool alive = pid == ::getpid() || ::kill(pid, 0) == 0 || errno == EPERM;
        if (!alive)
            ::unlink((dir + (slash == std::string::npos ? "/" : "") + name).c_str());
    }
    ::closedir(folder);
}
