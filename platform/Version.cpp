#include "platform/Version.h"

#include <cstdio>
#include <sys/utsname.h>

#include "platform/Context.h"

namespace platform {
namespace {

uint32_t KernelVersion()
{
    struct utsname name {};
    unsigned major = 0, minor = 0;
    if (::uname(&name) == 0)
        std::sscanf(name.release, "%u.%u", &major, &minor);
    return (major & 0xFFu) | ((minor & 0xFFu) << 8);
}

} // namespace

uint32_t GetVersion(const Context& context)
{
    return context.platformVersion.value_or(KernelVersion());
}

bool IsConsumerLine(uint32_t version)
{
    return (version & 0x80000000u) != 0 && (version & 0xFFu) >= 4;
}

bool IsConsumerLine(const Context& context)
{
    return IsConsumerLine(GetVersion(context));
}

} // namespace platform
