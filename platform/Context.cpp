#include "platform/Context.h"

#include <cstdarg>
#include <cstdio>

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

} // namespace platform
