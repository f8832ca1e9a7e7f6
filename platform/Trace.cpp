#include "platform/Trace.h"

#include <cstdarg>
#include <cstdio>

namespace platform {
namespace {
TraceHook g_hook;
}

void SetTraceHook(TraceHook hook)
{
    g_hook = std::move(hook);
}

void Trace(const char* format, ...)
{
    if (!g_hook)
        return;
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    g_hook(line);
}

} // namespace platform
