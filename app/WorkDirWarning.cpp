#include "app/WorkDirWarning.h"

#include "platform/MessageBox.h"
#include "platform/UserDir.h"

std::string WorkDirUnwritableText(const std::string& dir, const std::string& reason)
{
    return "The settings cannot be saved in the folder\r\n" + (dir.empty() ? std::string("(unknown)") : dir) +
           "\r\n(" + reason +
           ").\r\n\r\nThe list of logos in the printer and the port kind will be forgotten when the "
           "program ends. Start it from the desktop menu, or from a folder you may write to.";
}

bool WarnIfWorkDirUnwritable(const std::string& dir)
{
    std::string reason;
    if (platform::CanWriteDir(dir, reason))
        return true;
    platform::AfxMessageBox(WorkDirUnwritableText(dir, reason), platform::MB_ICONEXCLAMATION);
    return false;
}
