#include "platform/MessageBox.h"

#include <cstdio>

namespace platform {
namespace {

class StderrMessageBox final : public MessageBoxHandler {
public:
    int Show(const std::string& text, unsigned flags, const std::string& caption) override
    {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return (flags & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
    }
};

StderrMessageBox g_defaultHandler;
MessageBoxHandler* g_handler = &g_defaultHandler;
std::string g_title = "nivora";

} // namespace

void SetMessageBoxHandler(MessageBoxHandler* handler)
{
    g_handler = handler ? handler : &g_defaultHandler;
}

const std::string& ApplicationTitle()
{
    return g_title;
}
void SetApplicationTitle(std::string title)
{
    g_title = std::move(title);
}

int AfxMessageBox(const std::string& text, unsigned flags)
{
    return MessageBox(text, g_title, flags);
}

int MessageBox(const std::string& text, const std::string& caption, unsigned flags)
{
    return g_handler->Show(text, flags, caption);
}

} // namespace platform
