#include "app/WorkDirWarning.h"

#include "platform/MessageBox.h"
#include "platform/Messages.h"
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
