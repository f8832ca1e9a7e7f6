#include "platform/UserDir.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Paths.h"
#include "platform/WorkDir.h"

namespace platform {
namespace {

std::string HomeDir(const char* home)
{
    if (home && *home)
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

// mkdir -p: every missing folder on the way is created private to the user, as the
// XDG rules want the data folder.
bool MakeDirs(const std::string& dir)
{
    for (size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        const std::string part = dir.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

} // namespace

std::string UserDataDir(const char* xdgDataHome, const char* home)
{
    std::string base = xdgDataHome && xdgDataHome[0] == '/' ? std::string(xdgDataHome)
                                                            : JoinPath(HomeDir(home), ".local/share");
    return JoinPath(base, "nivora");
}

bool EnterUserDataDir(std::string& dir, std::string& error)
{
    dir = UserDataDir(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    if (MakeDirs(dir) && ChangeDir(dir))
        return true;
    error = dir + ": " + std::strerror(errno);
    return false;
}

bool CanWriteDir(const std::string& dir, std::string& reason)
{
    std::string probe = JoinPath(dir.empty() ? "." : dir, ".nivora-write-test.XXXXXX");
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

} // namespace platform
