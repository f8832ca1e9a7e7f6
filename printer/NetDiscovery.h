#pragma once
// Network printers that announce raw printing (DNS-SD service "_pdl-datastream._tcp")
// on the local network, found through the Avahi daemon. Without a daemon nothing can be
// found, and the browse says so at once; with one it lasts a bounded time, whatever
// the network does.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "printer/NetAddress.h"

namespace platform {
struct Context;
}

namespace printer {

inline constexpr char kRawPrintingService[] = "_pdl-datastream._tcp";
inline constexpr std::chrono::milliseconds kDiscoveryTime{3000};

// One resolved announcement, as the daemon reports it: a printer on two interfaces,
// or over IPv4 and IPv6, announces itself more than once.
struct AnnouncedService {
    std::string name;     // the instance name the printer gives itself ("Till 3")
    std::string hostName; // "till3.local"
    std::string address;  // "192.168.1.50", "fe80::1"
    bool ipv6 = false;
    std::string interface; // the interface's name; a link-local IPv6 address needs it
    uint16_t port = 0;
};

struct FoundPrinter {
    std::string name;
    std::string hostName;
    NetAddress address; // an address literal: .local names resolve only with mDNS in NSS
    bool operator==(const FoundPrinter&) const = default;
};

// Each printer once, by name, at its IPv4 address when it has one; sorted by name.
// Announcements without a usable address or port are left out.
std::vector<FoundPrinter> ListFoundPrinters(const std::vector<AnnouncedService>& services);

// "tcp://192.168.1.50:9100  Till 3 (till3.local)": how the command line lists one.
std::string FoundPrinterLine(const FoundPrinter& printer);

struct DiscoveryOutcome {
    enum class Status {
        Done,     // browsed (for up to the time given, less when the daemon had said all)
        NoDaemon, // no Avahi daemon runs: nothing can be found
        Failed,   // the daemon refused the browse; error says why
    } status = Status::Done;
    std::vector<AnnouncedService> services;
    std::string error;
};

// Asks the Avahi daemon for every announcement of kRawPrintingService, for at most
// `within`. Blocks its thread that long: the window runs it on a worker.
DiscoveryOutcome BrowseRawPrinters(std::chrono::milliseconds within = kDiscoveryTime);

// What "Find network printers..." and `ports --network` use: BrowseRawPrinters, or the
// context's stand-in for it.
DiscoveryOutcome FindRawPrinters(const platform::Context& context,
                                 std::chrono::milliseconds within = kDiscoveryTime);

// "No Avahi daemon is running: network printers cannot be found." and its sisters.
std::string DescribeDiscoveryFailure(const DiscoveryOutcome& outcome);

} // namespace printer
