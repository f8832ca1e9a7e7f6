#include "tools/cli/PortProblems.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "platform/RegularFile.h"
#include "printer/PortNames.h"
#include "tools/cli/PortOptions.h"

namespace cli {
namespace {

constexpr unsigned kMemoryDevicesMajor = 1; // null, zero, full, random, ...
constexpr char kPrinterTaken[] = "the printer was taken by another program (a print spooler?)";

} // namespace

std::string NotAPortReason(const std::string& port)
{
    if (printer::ComNumber(port) != 0 || printer::LptNumber(port) != 0)
        return {};
    struct stat st {};
    if (::stat(port.c_str(), &st) != 0)
        return {}; // the open says why
    if (S_ISREG(st.st_mode))
        return "'" + port + "' is a regular file, not a port; write files with -o";
    if (!S_ISCHR(st.st_mode))
        return "'" + port + "' is " + platform::NonRegularKind(port) + ", not a port";
    if (major(st.st_rdev) == kMemoryDevicesMajor)
        return "'" + port + "' is no printer port";
    return {};
}

std::string OpenFailureText(int error)
{
    if (error == EBUSY || error == EWOULDBLOCK)
        return "in use by another program";
    if (error == ENODEV)
        return kPrinterTaken;
    return std::strerror(error);
}

std::string DescribeOpenFailure(const std::string& port, int error)
{
    if (const std::string reason = NotAPortReason(port); !reason.empty())
        return reason;
    return "cannot open " + DescribePort(port) + ": " + OpenFailureText(error);
}

std::string WriteFailureText(int error)
{
    if (error == ENODEV)
        return kPrinterTaken;
    return {};
}

} // namespace cli
