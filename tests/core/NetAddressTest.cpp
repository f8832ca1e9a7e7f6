#include "printer/NetAddress.h"

#include <gtest/gtest.h>

using printer::NetAddress;

namespace {

struct AddressCase {
    const char* text;
    const char* host; // nullptr: refused
    uint16_t port;
    const char* formatted;
};

class NetAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(NetAddressTest, ParsesOrRefusesAndFormatsBack)
{
    const AddressCase& c = GetParam();
    NetAddress address{"untouched", 1};
    std::string error;
    const bool parsed = printer::ParseNetAddress(c.text, address, error);
    if (!c.host) {
        EXPECT_FALSE(parsed);
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(address, (NetAddress{"untouched", 1})); // nothing half-parsed is left
        return;
    }
    ASSERT_TRUE(parsed) << error;
    EXPECT_EQ(address.host, c.host);
    EXPECT_EQ(address.port, c.port);
    EXPECT_EQ(printer::FormatNetAddress(address), c.formatted);
    NetAddress again;
    ASSERT_TRUE(printer::ParseNetAddress(printer::FormatNetAddress(address), again, error));
    EXPECT_EQ(again, address);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NetAddressTest,
    ::testing::Values(AddressCase{"printer-7.shop.example", "printer-7.shop.example", 9100,
                                  "printer-7.shop.example:9100"},
                      AddressCase{"192.168.1.50:9101", "192.168.1.50", 9101, "192.168.1.50:9101"},
                      AddressCase{"[fe80::1]", "fe80::1", 9100, "[fe80::1]:9100"},
                      AddressCase{"[::1]:65535", "::1", 65535, "[::1]:65535"},
                      AddressCase{"[fe80::1%eth0]:9100", "fe80::1%eth0", 9100, "[fe80::1%eth0]:9100"},
                      AddressCase{"host:1", "host", 1, "host:1"}, AddressCase{"", nullptr, 0, ""},
                      AddressCase{"fe80::1", nullptr, 0, ""}, AddressCase{"[fe80::1", nullptr, 0, ""},
                      AddressCase{"[fe80::1]9100", nullptr, 0, ""},
                      AddressCase{"[printer]:9100", nullptr, 0, ""}, AddressCase{"host:0", nullptr, 0, ""},
                      AddressCase{"host:65536", nullptr, 0, ""}, AddressCase{"host:", nullptr, 0, ""},
                      AddressCase{"host:+91", nullptr, 0, ""}, AddressCase{":9100", nullptr, 0, ""},
                      AddressCase{"my printer", nullptr, 0, ""}, AddressCase{"host/9100", nullptr, 0, ""},
                      AddressCase{"-host", nullptr, 0, ""}, AddressCase{"[fe80::1%]", nullptr, 0, ""}));

TEST(NetPortName, ThePortListAndTheCommandLineNameTheSamePrinter)
{
    const NetAddress address{"::1", 9101};
    EXPECT_EQ(printer::NetName(address), "NET:[::1]:9101");
    std::string error;
    for (const char* name : {"NET:[::1]:9101", "net:[::1]:9101", "tcp://[::1]:9101", "TCP://[::1]:9101"}) {
        NetAddress parsed;
        EXPECT_TRUE(printer::ParseNetPortName(name, parsed, error)) << name;
        EXPECT_EQ(parsed, address) << name;
        EXPECT_TRUE(printer::HasNetPrefix(name));
    }
    NetAddress parsed;
    EXPECT_TRUE(printer::ParseNetPortName("tcp://shop", parsed, error));
    EXPECT_EQ(parsed, (NetAddress{"shop", 9100}));
    for (const char* name : {"COM1", "LPT1", "/dev/pts/3", "NETWORK", "tcp:/shop"}) {
        EXPECT_FALSE(printer::ParseNetPortName(name, parsed, error)) << name;
        EXPECT_FALSE(printer::IsNetName(name)) << name;
    }
    EXPECT_TRUE(printer::HasNetPrefix("tcp://"));
    EXPECT_FALSE(printer::ParseNetPortName("tcp://", parsed, error));

    // Typed into the window, the command line's and the port list's forms name the
    // printer too.
    for (const auto& [typed, expected] :
         {std::pair{"tcp://127.0.0.1:41401", NetAddress{"127.0.0.1", 41401}},
          std::pair{"NET:[::1]:9101", address}, std::pair{"till-3", NetAddress{"till-3", 9100}}}) {
        EXPECT_TRUE(printer::ParseTypedNetAddress(typed, parsed, error)) << typed << ": " << error;
        EXPECT_EQ(parsed, expected) << typed;
    }
    EXPECT_FALSE(printer::ParseTypedNetAddress("tcp://fe80::1", parsed, error));
}

} // namespace
