#include "tools/cli/PortProblems.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "platform/RegularFile.h"
#include "printer/NetAddress.h"
#include "printer/PortAccess.h"
#include "printer/PortNames.h"
#include "tools/cli/PortOptions.h"
#include "tools/cli/Printable.h"

namespace cli {
namespace {

constexpr unsigned kMemoryDevicesMajor = 1; // null, zero, full, random, ...

} // namespace

std::string NotAPortReason(const std::string& port)
{
    if (printer::ComNumber(port) != 0 || printer::LptNumber(port) != 0 || printer::HasNetPrefix(port))
        return {};
    struct stat st {};
    if (::stat(port.c_str(), &st) != 0)
        return {}; // the open says why
    if (S_ISREG(st.st_mode))
        return "'" + Printable(port) + "' is a regular file, not a port; write files with -o";
    if (!S_ISCHR(st.st_mode))
        return "'" + Printable(port) + "' is " + platform::NonRegularKind(port) + ", not a port";
    if (major(st.st_rdev) == kMemoryDevicesMajor)
        return "'" + Printable(port) + "' is no printer port";
    return {};
}

std::string DescribeOpenFailure(const platform::Context& context, const std::string& name,
                                const printer::LinkStatus& status)
{
    if (const std::string reason = NotAPortReason(name); !reason.empty())
        return reason;
    return "cannot open " + DescribePort(context, name) + ": " + Printable(status.Describe());
}

void ReportOpenFailure(const platform::Context& context, const char* command, const std::string& name,
                       const printer::LinkStatus& status)
{
    std::fprintf(stderr, "nivora-cli %s: %s\n", command, DescribeOpenFailure(context, name, status).c_str());
    const std::string advice = printer::PermissionMessage(status.device, status.error);
    if (!advice.empty())
        std::fprintf(stderr, "nivora-cli %s: %s\n", command, Printable(advice).c_str());
}

} // namespace cli
