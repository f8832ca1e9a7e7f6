#include "printer/PortAccess.h"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include "printer/PortDiscovery.h"
#include "printer/PortNames.h"

namespace printer {
namespace {

void CheckAccess(const platform::Context& context, const std::string& name, std::vector<PortRefusal>& refused)
{
    const std::string device = ResolveDevice(context, name);
    struct stat st {};
    if (device.empty() || ::stat(device.c_str(), &st) != 0 || ReservedWithoutHardware(context, device))
        return;
    if (::access(device.c_str(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM))
        refused.push_back({name, device, std::strerror(errno)});
}

} // namespace

std::vector<PortRefusal> ProbeForbiddenPorts(const platform::Context& context)
{
    std::vector<PortRefusal> refused;
    for (int number = 1; number <= kComNameCount; ++number)
        CheckAccess(context, ComName(number), refused);
    for (int number = 1; number <= kLptNameCount; ++number)
        CheckAccess(context, LptName(number), refused);
    return refused;
}

std::string PermissionAdvice(const std::string& device)
{
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0)
        return "ask the administrator for access to " + device;
    const group* owner = ::getgrgid(st.st_gid);
    // A device its group may not use, or one of root's own group, is no matter of
    // group membership.
    if ((st.st_mode & S_IRWXG) == 0 || st.st_gid == 0 || !owner)
        return "ask the administrator for access to " + device;
    return std::string("add yourself to the group ") + owner->gr_name +
           " and log in again (sudo usermod -aG " + owner->gr_name + " \"$USER\")";
}

std::string PermissionMessage(const std::string& device, int error)
{
    if (error != EACCES && error != EPERM)
        return {};
    return std::string(std::strerror(error)) + ": " + device + ". To use it, " + PermissionAdvice(device) +
           ".";
}

} // namespace printer
