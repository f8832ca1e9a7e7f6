// nivora-cli ports: the port names that can be used right now.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/Context.h"
#include "printer/NetDiscovery.h"
#include "printer/PortAccess.h"
#include "printer/PortDiscovery.h"
#include "printer/PortNames.h"
#include "tools/cli/Command.h"

namespace {

// The printers that announce raw printing on the local network, as -p takes them.
int ListNetworkPrinters(const platform::Context& context)
{
    const printer::DiscoveryOutcome outcome = printer::FindRawPrinters(context);
    if (outcome.status != printer::DiscoveryOutcome::Status::Done) {
        std::fprintf(stderr, "nivora-cli ports: %s\n", printer::DescribeDiscoveryFailure(outcome).c_str());
        return 1;
    }
    const std::vector<printer::FoundPrinter> found = printer::ListFoundPrinters(outcome.services);
    for (const printer::FoundPrinter& printer : found)
        std::printf("%s\n", printer::FoundPrinterLine(printer).c_str());
    if (found.empty()) {
        std::fputs("nivora-cli ports: no network printer announced itself\n", stderr);
        return 1;
    }
    return 0;
}

int RunPorts(const platform::Context& context, const std::vector<std::string>& args)
{
    bool table = false, network = false;
    for (const std::string& arg : args) {
        if (arg == "--table") {
            table = true;
        } else if (arg == "--network") {
            network = true;
        } else {
            std::fprintf(stderr, "nivora-cli ports: unknown option '%s'\n", arg.c_str());
            return 2;
        }
    }
    if (table && network) {
        std::fputs("nivora-cli ports: give --table or --network, not both\n", stderr);
        return 2;
    }
    if (network)
        return ListNetworkPrinters(context);
    if (table) {
        std::fputs(printer::PortDeviceTableText().c_str(), stdout);
        return 0;
    }
    std::vector<printer::PortListing> ports = printer::ProbeComPorts(context);
    for (printer::PortListing& lpt : printer::ProbeLptPorts(context))
        ports.push_back(std::move(lpt));
    for (const printer::PortListing& port : ports) {
        std::printf("%-7s %s", port.name.c_str(), port.device.c_str());
        if (!port.model.empty())
            std::printf("  %s", port.model.c_str());
        std::printf("\n");
    }
    // The ports a user outside the device's group cannot have, so that an empty list
    // is never the whole story.
    for (const printer::PortRefusal& refused : printer::ProbeForbiddenPorts(context))
        std::fprintf(stderr, "nivora-cli ports: %s %s: %s; to use it, %s\n", refused.name.c_str(),
                     refused.device.c_str(), refused.reason.c_str(),
                     printer::PermissionAdvice(refused.device).c_str());
    if (ports.empty()) {
        std::fputs("nivora-cli ports: no port can be opened now\n", stderr);
        return 1;
    }
    return 0;
}

} // namespace

NIVORA_CLI_COMMAND(ports,
                   cli::Command{"ports", "list the COM and LPT ports that can be opened now",
                                "Usage: nivora-cli ports [--table | --network]\n"
                                "Lists the port names whose devices exist and can be opened exclusively\n"
                                "right now, each with its device, and for a USB printer its make and model.\n"
                                "A port another program holds (a lock, or a UUCP lock file in /run/lock) is\n"
                                "left out. Ports the user may not open are named on standard error with the\n"
                                "group to join. Exit status 1 when no port can be opened.\n"
                                "\n"
                                "  --table   show the fixed table of names and devices instead\n"
                                "  --network list the network printers that announce raw printing\n"
                                "            (_pdl-datastream._tcp) through the Avahi daemon, as\n"
                                "            tcp://ADDRESS:PORT, looking for up to 3 s; without a\n"
                                "            running daemon it says so and lists nothing\n",
                                nullptr, RunPorts});
