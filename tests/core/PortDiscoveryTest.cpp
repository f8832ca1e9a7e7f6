#include "printer/PortDiscovery.h"

#include <gtest/gtest.h>

#include "printer/Port.h"
#include "printer/PortNames.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"

using printer::DeviceCandidates;
using testing_support::FakeDeviceRoot;
using Listing = std::vector<std::pair<std::string, std::string>>;

namespace {

Listing Names(const std::vector<printer::PortListing>& ports)
{
    Listing listed;
    for (const printer::PortListing& port : ports)
        listed.emplace_back(port.name, port.device);
    return listed;
}

TEST(PortNamesTest, EachNameStandsForOneFixedDevice)
{
    FakeDeviceRoot root;
    const std::pair<const char*, const char*> devices[] = {
        {"COM1", "/dev/ttyS0"},      {"COM32", "/dev/ttyS31"},    {"COM33", "/dev/ttyUSB0"},
        {"COM96", "/dev/ttyUSB63"},  {"COM97", "/dev/ttyACM0"},   {"COM160", "/dev/ttyACM63"},
        {"COM161", "/dev/ttyAMA0"},  {"COM192", "/dev/ttyAMA31"}, {"COM193", "/dev/rfcomm0"},
        {"COM224", "/dev/rfcomm31"}, {"com5", "/dev/ttyS4"}};
    for (const auto& [name, device] : devices)
        EXPECT_EQ(DeviceCandidates(name), std::vector{root.Path() + device}) << name;
    for (const char* name : {"COM225", "COM256", "COM0", "COM01", "COM", "COM1x", "FILE", "LPT3", ""})
        EXPECT_TRUE(DeviceCandidates(name).empty()) << name;
    // LPT names prefer the USB printer device; a path is taken as it is.
    EXPECT_EQ(DeviceCandidates("LPT2"),
              (std::vector<std::string>{root.Device("usb/lp1"), root.Device("lp1")}));
    EXPECT_EQ(printer::ResolveDevice("/dev/pts/7"), "/dev/pts/7");
}

TEST(PortDiscoveryTest, ListsExactlyThePortsThatOpenExclusivelyNowAndLeavesNothingOpen)
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
    root.AddFile("lp1");
    printer::Port holder;
    ASSERT_TRUE(holder.OpenSerial(held.Path(), {}, printer::kDownloadVariant));
    const int descriptors = testing_support::OpenDescriptorCount();

    EXPECT_EQ(Names(printer::ProbeComPorts()), (Listing{{"COM1", root.Device("ttyS0")},
                                                        {"COM2", root.Device("ttyS1")},
                                                        {"COM98", root.Device("ttyACM1")},
                                                        {"COM224", root.Device("rfcomm31")}}));
    EXPECT_EQ(Names(printer::ProbeLptPorts()), (Listing{{"LPT2", root.Device("lp1")}}));
    EXPECT_EQ(testing_support::OpenDescriptorCount(), descriptors);

    holder.Close();
    EXPECT_EQ(printer::ProbeComPorts().size(), 5u); // COM33 is free again
}

} // namespace
