#include "platform/SingleInstance.h"

#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Paths.h"

namespace platform {
namespace {

// Creates the missing folders of path, private to the user.
bool MakeFolders(const std::string& path)
{
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        if (::mkdir(path.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

// A folder nobody but this user can put files into or take them out of.
bool OnlyOursToWrite(const std::string& dir)
{
    struct stat st {};
    return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

} // namespace

SingleInstance::~SingleInstance()
{
    Release();
}

std::string SingleInstance::UserFolder()
{
    const passwd* entry = ::getpwuid(::getuid());
    if (!entry || !entry->pw_dir || entry->pw_dir[0] != '/')
        return {};
    return JoinPath(entry->pw_dir, ".local/state/nivora");
}

SingleInstance::Result SingleInstance::Acquire(const std::string& name, const std::string& dir)
{
    Release();
    const std::string folder = dir.empty() ? UserFolder() : dir;
    if (folder.empty() || !MakeFolders(folder) || !OnlyOursToWrite(folder))
        return Result::Failed;
    const std::string path = JoinPath(folder, name + ".lock");
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0)
        return Result::Failed;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? Result::AlreadyRunning : Result::Failed;
    }
    m_fd = fd;
    return Result::Acquired;
}

void SingleInstance::Release()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace platform
