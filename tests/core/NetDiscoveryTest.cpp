#include "printer/NetDiscovery.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using printer::AnnouncedService;
using printer::FoundPrinter;
using printer::NetAddress;

namespace {

// What the daemon reports for a shop's printers: the same printer over IPv6 and IPv4
// and on two interfaces, a link-local address that needs its interface, and
// announcements that cannot be used.
TEST(NetDiscovery, EachPrinterIsListedOnceByNameAtAnAddressTheProgramCanReach)
{
    struct Case {
        const char* what;
        std::vector<AnnouncedService> services;
        std::vector<FoundPrinter> found;
    };
    const std::vector<Case> cases = {
        {"IPv4 preferred, whichever came first",
         {{"Till 2", "till2.local", "fe80::21", true, "eth0", 9100},
          {"Till 2", "till2.local", "192.168.1.52", false, "eth0", 9100},
          {"Till 2", "till2.local", "192.168.1.52", false, "wlan0", 9100}},
         {{"Till 2", "till2.local", NetAddress{"192.168.1.52", 9100}}}},
        {"a link-local address carries its interface",
         {{"Kitchen", "kitchen.local", "fe80::5", true, "eth1", 9101}},
         {{"Kitchen", "kitchen.local", NetAddress{"fe80::5%eth1", 9101}}}},
        {"a global IPv6 address needs none",
         {{"Bar", "bar.local", "2001:db8::7", true, "", 9100}},
         {{"Bar", "bar.local", NetAddress{"2001:db8::7", 9100}}}},
        {"sorted by name",
         {{"b", "b.local", "10.0.0.2", false, "eth0", 9100},
          {"a", "a.local", "10.0.0.1", false, "eth0", 9100}},
         {{"a", "a.local", NetAddress{"10.0.0.1", 9100}}, {"b", "b.local", NetAddress{"10.0.0.2", 9100}}}},
        {"unusable: no port, no address, link-local without interface",
         {{"x", "x.local", "10.0.0.3", false, "eth0", 0},
          {"y", "y.local", "", false, "eth0", 9100},
          {"z", "z.local", "fe80::9", true, "", 9100}},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(printer::ListFoundPrinters(c.services), c.found);
    }
}

TEST(NetDiscovery, ALineGivesTheAddressAsTheCommandLineTakesIt)
{
    EXPECT_EQ(printer::FoundPrinterLine({"Till 2", "till2.local", NetAddress{"192.168.1.52", 9100}}),
              "tcp://192.168.1.52:9100  Till 2 (till2.local)");
    EXPECT_EQ(printer::FoundPrinterLine({"Kitchen", "", NetAddress{"fe80::5%eth1", 9101}}),
              "tcp://[fe80::5%eth1]:9101  Kitchen");
}

} // namespace
