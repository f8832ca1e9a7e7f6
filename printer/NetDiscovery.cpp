#include "printer/NetDiscovery.h"

#include <algorithm>

#include "platform/Context.h"

namespace printer {
namespace {

// An address the program can connect to; a link-local IPv6 address only with its zone.
bool UsableAddress(const AnnouncedService& service, NetAddress& address)
{
    if (service.address.empty() || service.port == 0)
        return false;
    std::string host = service.address;
    if (service.ipv6 && host.rfind("fe80:", 0) == 0) {
        if (service.interface.empty())
            return false;
        host += "%" + service.interface;
    }
    std::string text = service.ipv6 ? "[" + host + "]" : host, error;
    return ParseNetAddress(text + ":" + std::to_string(service.port), address, error);
}

} // namespace

std::vector<FoundPrinter> ListFoundPrinters(const std::vector<AnnouncedService>& services)
{
    std::vector<FoundPrinter> found;
    std::vector<bool> atIpv4;
    for (const AnnouncedService& service : services) {
        NetAddress address;
        if (!UsableAddress(service, address))
            continue;
        const auto same = std::find_if(found.begin(), found.end(), [&](const FoundPrinter& printer) {
            return printer.name == service.name;
        });
        if (same == found.end()) {
            found.push_back({service.name, service.hostName, address});
            atIpv4.push_back(!service.ipv6);
        } else if (!service.ipv6 && !atIpv4[static_cast<size_t>(same - found.begin())]) {
            same->address = address;
            same->hostName = service.hostName;
            atIpv4[static_cast<size_t>(same - found.begin())] = true;
        }
    }
    std::sort(found.begin(), found.end(),
              [](const FoundPrinter& a, const FoundPrinter& b) { return a.name < b.name; });
    return found;
}

DiscoveryOutcome FindRawPrinters(const platform::Context& context, std::chrono::milliseconds within)
{
    return context.discovery ? context.discovery(within) : BrowseRawPrinters(within);
}

std::string FoundPrinterLine(const FoundPrinter& printer)
{
    std::string line = kTcpUrlPrefix + FormatNetAddress(printer.address) + "  " + printer.name;
    if (!printer.hostName.empty())
        line += " (" + printer.hostName + ")";
    return line;
}

std::string DescribeDiscoveryFailure(const DiscoveryOutcome& outcome)
{
    switch (outcome.status) {
    case DiscoveryOutcome::Status::NoDaemon:
        return "No Avahi daemon is running: network printers cannot be found.";
    case DiscoveryOutcome::Status::Failed:
        return "The Avahi daemon could not look for network printers: " + outcome.error + ".";
    case DiscoveryOutcome::Status::Done:
        break;
    }
    return "";
}

} // namespace printer
