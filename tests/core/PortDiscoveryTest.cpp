#include "printer/PortDiscovery.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <linux/lp.h>

#include "print/PrintLink.h"
#include "printer/OpenLink.h"
#include "printer/PortNames.h"
#include "printer/PrinterStatus.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"

using printer::DeviceCandidates;
using Listing = std::vector<std::pair<std::string, std::string>>;

namespace {

Listing Names(const std::vector<printer::PortListing>& ports)
{
    Listing listed;
    for (const printer::PortListing& port : ports)
        listed.emplace_back(port.name, port.device);
    return listed;
}

class PortsTest : public ::testing::Test, protected testing_support::ManualContext {};

TEST_F(PortsTest, EachNameStandsForOneFixedDevice)
{
    const std::pair<const char*, const char*> devices[] = {
        {"COM1", "/dev/ttyS0"},      {"COM32", "/dev/ttyS31"},    {"COM33", "/dev/ttyUSB0"},
        {"COM96", "/dev/ttyUSB63"},  {"COM97", "/dev/ttyACM0"},   {"COM160", "/dev/ttyACM63"},
        {"COM161", "/dev/ttyAMA0"},  {"COM192", "/dev/ttyAMA31"}, {"COM193", "/dev/rfcomm0"},
        {"COM224", "/dev/rfcomm31"}, {"com5", "/dev/ttyS4"}};
    for (const auto& [name, device] : devices)
        EXPECT_EQ(DeviceCandidates(context, name), std::vector{root.Path() + device}) << name;
    for (const char* name :
         {"COM225", "COM256", "COM0", "COM01", "COM", "COM1x", "FILE", "LPT3", "", "tcp://printer:9100"})
        EXPECT_TRUE(DeviceCandidates(context, name).empty()) << name;
    // LPT names prefer the USB printer device; a path, absolute or relative, is taken as it is.
    EXPECT_EQ(DeviceCandidates(context, "LPT2"),
              (std::vector<std::string>{root.Device("usb/lp1"), root.Device("lp1")}));
    for (const char* path : {"/dev/pts/7", "ctl/tty", "./tty"})
        EXPECT_EQ(printer::ResolveDevice(context, path), path);
    EXPECT_EQ(printer::ParallelPortName("LPT2"), "LPT2");
    EXPECT_EQ(printer::ParallelPortName("COM3"), "LPT1");
}

TEST_F(PortsTest, DiscoveryListsExactlyThePortsThatOpenExclusivelyNowAndLeavesNothingOpen)
{
    testing_support::FakePlatform fake;
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
    printer::LinkStatus status;
    std::unique_ptr<printer::Link> holder =
        printer::OpenDevice(context, held.Path(), {}, kPrintLink, true, status);
    ASSERT_TRUE(holder);
    const int descriptors = testing_support::OpenDescriptorCount();

    EXPECT_EQ(Names(printer::ProbeComPorts(context)), (Listing{{"COM1", root.Device("ttyS0")},
                                                               {"COM2", root.Device("ttyS1")},
                                                               {"COM98", root.Device("ttyACM1")},
                                                               {"COM224", root.Device("rfcomm31")}}));
    EXPECT_EQ(Names(printer::ProbeLptPorts(context)), (Listing{{"LPT2", root.Device("lp1")}}));
    EXPECT_EQ(testing_support::OpenDescriptorCount(), descriptors);

    holder->Close();
    EXPECT_EQ(printer::ProbeComPorts(context).size(), 5u); // COM33 is free again
}

TEST_F(PortsTest, TheStatusLinesAndTheDeviceIdSayWhatIsWrongAndWhoItIs)
{
    const std::pair<int, const char*> lines[] = {{LP_PSELECD | LP_PERRORP, ""},
                                                 {LP_PSELECD | LP_PERRORP | LP_PBUSY | LP_PACK, ""},
                                                 {LP_POUTPA | LP_PSELECD | LP_PERRORP, "out of paper"},
                                                 {LP_POUTPA, "out of paper"},
                                                 {LP_PERRORP, "off-line"},
                                                 {LP_PSELECD, "error"}};
    for (const auto& [status, text] : lines)
        EXPECT_EQ(printer::DescribeLpStatus(status), text) << status;
    const std::tuple<std::string, std::string, std::string> ids[] = {
        {"MFG:Acme;CMD:ESC/POS;MDL:TM-1;CLS:PRINTER;", "Acme", "TM-1"},
        {"manufacturer: Acme Corp ; model:TM 2", "Acme Corp", "TM 2"},
        {std::string("\x00\x1E", 2) + "MFG:Acme;MDL:TM-3;", "Acme", "TM-3"},
        {"CMD:ESC/POS;", "", ""}};
    for (const auto& [id, make, model] : ids) {
        EXPECT_EQ(printer::ParseDeviceId(id).make, make) << id;
        EXPECT_EQ(printer::ParseDeviceId(id).model, model) << id;
    }
    std::filesystem::create_directories(root.Path() + "/sys/class/usbmisc/lp1/device");
    std::ofstream(root.Path() + "/sys/class/usbmisc/lp1/device/ieee1284_id") << "MFG:Acme;MDL:Acme TM-9;";
    EXPECT_EQ(printer::LptPrinterModel(context, 2), "Acme TM-9"); // the maker is not said twice
    EXPECT_EQ(printer::LptPrinterModel(context, 1), "");
}

} // namespace
