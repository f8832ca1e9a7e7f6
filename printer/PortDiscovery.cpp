#include "printer/PortDiscovery.h"

#include <fstream>
#include <sys/stat.h>

#include "platform/Context.h"
#include "printer/OpenLink.h"
#include "printer/PortNames.h"
#include "printer/PrinterStatus.h"

namespace printer {
namespace {

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

void Probe(const platform::Context& context, const std::string& name, std::vector<PortListing>& listed)
{
    const std::string device = ResolveDevice(context, name);
    if (device.empty() || !Exists(device) || ReservedWithoutHardware(context, device))
        return;
    if (CanOpenExclusively(context, device))
        listed.push_back({name, device, {}});
}

} // namespace

// The serial core registers every port it was configured for; those without a UART
// behind them report type 0, and opening them only wastes time or fails late.
bool ReservedWithoutHardware(const platform::Context& context, const std::string& device)
{
    const std::string base = device.substr(device.find_last_of('/') + 1);
    std::ifstream in(context.DevicePath("/sys/class/tty/") + base + "/type");
    std::string type;
    return in >> type && type == "0";
}

std::vector<PortListing> ProbeComPorts(const platform::Context& context)
{
    std::vector<PortListing> listed;
    for (int number = 1; number <= kComNameCount; ++number)
        Probe(context, ComName(number), listed);
    return listed;
}

std::vector<PortListing> ProbeLptPorts(const platform::Context& context)
{
    std::vector<PortListing> listed;
    for (int number = 1; number <= kLptNameCount; ++number) {
        Probe(context, LptName(number), listed);
        if (!listed.empty() && listed.back().name == LptName(number))
            listed.back().model = LptPrinterModel(context, number);
    }
    return listed;
}

} // namespace printer
