#include "printer/PortDiscovery.h"

#include <gtest/gtest.h>

#include "printer/Port.h"
#include "printer/PortNames.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"

using printer::DeviceCandidates;
using printer::PortListing;
using testing_support::FakeDeviceRoot;

namespace {

struct NameCase {
    const char* name;
    const char* device; // under the device root; "" = no device
};

TEST(PortNamesTest, EachNameStandsForOneFixedDevice)
{
    FakeDeviceRoot root;
    const NameCase cases[] = {
        {"COM1", "/dev/ttyS0"},
        {"COM32", "/dev/ttyS31"},
        {"COM33", "/dev/ttyUSB0"},
        {"COM96", "/dev/ttyUSB63"},
        {"COM97", "/dev/ttyACM0"},
        {"COM160", "/dev/ttyACM63"},
        {"COM161", "/dev/ttyAMA0"},
        {"COM192", "/dev/ttyAMA31"},
        {"COM193", "/dev/rfcomm0"},
        {"COM224", "/dev/rfcomm31"},
        {"com5", "/dev/ttyS4"},
        {"COM225", ""},
        {"COM255", ""},
        {"COM256", ""},
        {"COM0", ""},
        {"COM01", ""},
        {"COM", ""},
        {"COM1x", ""},
        {"FILE", ""},
        {"LPT3", ""},
        {"", ""},
    };
    for (const NameCase& c : cases) {
        const std::vector<std::string> candidates = DeviceCandidates(c.name);
        if (*c.device == '\0')
            EXPECT_TRUE(candidates.empty()) << c.name;
        else
            EXPECT_EQ(candidates, std::vector<std::string>{root.Path() + c.device}) << c.name;
    }
}

TEST(PortNamesTest, ParallelNamesPreferTheUsbPrinterDevice)
{
    FakeDeviceRoot root;
    EXPECT_EQ(DeviceCandidates("LPT2"),
              (std::vector<std::string>{root.Path() + "/dev/usb/lp1", root.Path() + "/dev/lp1"}));
    EXPECT_EQ(printer::ResolveDevice("LPT1"), root.Path() + "/dev/usb/lp0"); // neither exists: the first
    root.AddFile("lp0");
    EXPECT_EQ(printer::ResolveDevice("LPT1"), root.Path() + "/dev/lp0");
    root.AddFile("usb/lp0");
    EXPECT_EQ(printer::ResolveDevice("LPT1"), root.Path() + "/dev/usb/lp0");
}

TEST(PortNamesTest, ADevicePathIsTakenAsItIsWithoutTheRoot)
{
    FakeDeviceRoot root;
    EXPECT_EQ(printer::ResolveDevice("/dev/pts/7"), "/dev/pts/7");
}

TEST(PortNamesTest, TheTableTextNamesEveryRange)
{
    const std::string text = printer::PortDeviceTableText();
    for (const char* line :
         {"COM1-COM32     /dev/ttyS0-31\n", "COM33-COM96    /dev/ttyUSB0-63\n",
          "COM97-COM160   /dev/ttyACM0-63\n", "COM161-COM192  /dev/ttyAMA0-31\n",
          "COM193-COM224  /dev/rfcomm0-31\n", "LPT1           /dev/usb/lp0, else /dev/lp0\n",
          "LPT2           /dev/usb/lp1, else /dev/lp1\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST(PortDiscoveryTest, ListsExactlyThePortsThatOpenExclusivelyNow)
{
    testing_support::FakePlatform platform;
    FakeDeviceRoot root;
    testing_support::FakePrinter free, held;
    root.Link("ttyS0", free.Path());
    root.AddFile("ttyS1"); // a real UART (type 4): listed
    root.SetTtyType("ttyS1", "4");
    root.AddFile("ttyS3"); // reserved without hardware: skipped without opening
    root.SetTtyType("ttyS3", "0");
    root.Link("ttyUSB0", held.Path());
    root.AddFile("ttyACM1");
    root.AddFile("rfcomm31");
    root.Link("ttyS7", "/nonexistent-device"); // a dangling node does not exist
    printer::Port holder;
    ASSERT_TRUE(holder.OpenSerial(held.Path(), {}, printer::kDownloadVariant));

    std::vector<std::pair<std::string, std::string>> listed;
    for (const PortListing& port : printer::ProbeComPorts())
        listed.emplace_back(port.name, port.device);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"COM1", root.Device("ttyS0")},
        {"COM2", root.Device("ttyS1")},
        {"COM98", root.Device("ttyACM1")},
        {"COM224", root.Device("rfcomm31")},
    };
    EXPECT_EQ(listed, expected);

    holder.Close();
    EXPECT_EQ(printer::ProbeComPorts().size(), expected.size() + 1); // COM33 is free again
}

TEST(PortDiscoveryTest, ParallelPortsAreListedByTheirNames)
{
    FakeDeviceRoot root;
    EXPECT_TRUE(printer::ProbeLptPorts().empty());
    root.AddFile("lp1");
    const std::vector<PortListing> listed = printer::ProbeLptPorts();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].name, "LPT2");
    EXPECT_EQ(listed[0].device, root.Device("lp1"));
}

TEST(PortDiscoveryTest, ProbingLeavesNoDescriptorOpen)
{
    FakeDeviceRoot root;
    testing_support::FakePrinter printer;
    root.Link("ttyS0", printer.Path());
    root.AddFile("usb/lp0");
    const int before = testing_support::OpenDescriptorCount();
    EXPECT_EQ(printer::ProbeComPorts().size(), 1u);
    EXPECT_EQ(printer::ProbeLptPorts().size(), 1u);
    EXPECT_EQ(testing_support::OpenDescriptorCount(), before);
}

} // namespace
