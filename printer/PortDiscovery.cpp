#include "printer/PortDiscovery.h"

#include <fstream>
#include <sys/stat.h>

#include "printer/Port.h"
#include "printer/PortNames.h"
#include "printer/PortTestHooks.h"

namespace printer {
namespace {

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

void Probe(const std::string& name, std::vector<PortListing>& listed)
{
    const std::string device = ResolveDevice(name);
    if (device.empty() || !Exists(device) || ReservedWithoutHardware(device))
        return;
    if (Port::CanOpenExclusively(device))
        listed.push_back({name, device});
}

} // namespace

// The serial core registers every port it was configured for; those without a UART
// behind them report type 0, and opening them only wastes time or fails late.
bool ReservedWithoutHardware(const std::string& device)
{
    const std::string base = device.substr(device.find_last_of('/') + 1);
    std::ifstream in(DeviceRoot() + "/sys/class/tty/" + base + "/type");
    std::string type;
    return in >> type && type == "0";
}

std::vector<PortListing> ProbeComPorts()
{
    std::vector<PortListing> listed;
    for (int number = 1; number <= kComNameCount; ++number)
        Probe(ComName(number), listed);
    return listed;
}

std::vector<PortListing> ProbeLptPorts()
{
    std::vector<PortListing> listed;
    for (int number = 1; number <= kLptNameCount; ++number)
        Probe(LptName(number), listed);
    return listed;
}

} // namespace printer
