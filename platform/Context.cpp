#include "platform/Context.h"

#include <cstdarg>
#include <cstdio>

#include "platform/MessageBox.h"

namespace platform {

void Context::Trace(const char* format, ...) const
{
    if (!trace)
        return;
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    trace(line);
}

int Context::Show(const std::string& text, unsigned flags) const
{
    if (messages)
        return messages->Show(text, flags, ApplicationTitle());
    return AfxMessageBox(text, flags);
}

} // namespace platform
