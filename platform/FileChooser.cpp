#include "platform/FileChooser.h"

namespace platform {
namespace {

class CancellingChooser final : public FileChooser {
public:
    bool ChooseOpenFiles(const std::string&, const std::string&, std::vector<std::string>&) override
    {
        return false;
    }
    bool AskOutputFileName(std::string&) override { return false; }
};

CancellingChooser g_defaultChooser;
FileChooser* g_chooser = &g_defaultChooser;

} // namespace

void SetFileChooser(FileChooser* chooser)
{
    g_chooser = chooser ? chooser : &g_defaultChooser;
}
FileChooser& GetFileChooser()
{
    return *g_chooser;
}

} // namespace platform
