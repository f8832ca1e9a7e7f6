#include "app/WorkDirWarning.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/RegularFile.h"
#include "platform/Text.h"
#include "platform/UserDir.h"

std::string WorkDirUnwritableText(const std::string& dir, const std::string& reason)
{
    return Format(msg::kWorkDirUnwritableFormat, dir.empty() ? "(unknown)" : dir.c_str(), reason.c_str());
}

bool WarnIfWorkDirUnwritable(const std::string& dir)
{
    std::string reason;
    if (platform::CanWriteDir(dir, reason))
        return true;
    platform::AfxMessageBox(WorkDirUnwritableText(dir, reason), platform::MB_ICONEXCLAMATION);
    return false;
}

bool WarnIfProfileUnreadable(const std::string& path)
{
    const int fd = platform::OpenRegularFile(path);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno == ENOENT)
        return true;
    const std::string kind = platform::NonRegularKind(path);
    const std::string reason = kind.empty() ? std::strerror(errno) : "it is " + kind;
    platform::AfxMessageBox(Format(msg::kProfileUnreadableFormat, path.c_str(), reason.c_str()),
                            platform::MB_ICONEXCLAMATION);
    return false;
}
