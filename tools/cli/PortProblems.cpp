#include "tools/cli/PortProblems.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "platform/RegularFile.h"
#include "printer/PortAccess.h"
#include "printer/PortNames.h"
#include "printer/PrinterPort.h"
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

std::string OpenFailureText(const CPrinterPort& port)
{
    if (!port.NetErrorText().empty())
        return port.NetErrorText();
    const int error = port.m_nOpenError;
    if (error == EBUSY || error == EWOULDBLOCK)
        return "in use by another program";
    if (error == ENODEV)
        return kPrinterTaken;
    return std::strerror(error);
}

std::string DescribeOpenFailure(const std::string& name, const CPrinterPort& port)
{
    if (const std::string reason = NotAPortReason(name); !reason.empty())
        return reason;
    return "cannot open " + DescribePort(name) + ": " + OpenFailureText(port);
}

void ReportOpenFailure(const char* command, const std::string& name, const CPrinterPort& port)
{
    std::fprintf(stderr, "nivora-cli %s: %s\n", command, DescribeOpenFailure(name, port).c_str());
    const std::string advice = printer::PermissionMessage(printer::ResolveDevice(name), port.m_nOpenError);
    if (!advice.empty())
        std::fprintf(stderr, "nivora-cli %s: %s\n", command, advice.c_str());
}

std::string WriteFailureText(int error)
{
    if (error == ENODEV)
        return kPrinterTaken;
    return {};
}

} // namespace cli
