#include "printer/NetPrinterList.h"

#include <gtest/gtest.h>

#include "logo/PrivateProfile.h"
#include "tests/support/TempDir.h"

using printer::NetAddress;
using printer::NetPrinterList;

namespace {

class NetPrinterListTest : public ::testing::Test {
protected:
    testing_support::TempDir dir;
    PrivateProfile profile{dir.File("nivora.INI")};
};

TEST_F(NetPrinterListTest, TheListAndTheChoiceSurviveARoundTripBesideTheLogoList)
{
    dir.Write("nivora.INI", "[LOG]\nLogofile1=/logos/a.bmp\n");
    NetPrinterList list;
    EXPECT_EQ(list.Add({"shop-1", 9100}), 0);
    EXPECT_EQ(list.Add({"fe80::1", 9101}), 1);
    EXPECT_EQ(list.Add({"shop-1", 9100}), 0); // listed once
    list.selected = 1;
    ASSERT_TRUE(printer::WriteNetPrinters(profile, list));
    EXPECT_EQ(profile.GetProfileString("NET", "Printer1"), "shop-1:9100");
    EXPECT_EQ(profile.GetProfileString("NET", "Printer2"), "[fe80::1]:9101");
    EXPECT_EQ(profile.GetProfileString("NET", "Selected"), "[fe80::1]:9101");
    EXPECT_EQ(profile.GetProfileString("LOG", "Logofile1"), "/logos/a.bmp");

    const NetPrinterList read = printer::ReadNetPrinters(profile);
    EXPECT_EQ(read.printers, list.printers);
    EXPECT_EQ(read.selected, 1);

    list.printers.erase(list.printers.begin());
    list.selected = -1; // a serial port was chosen
    ASSERT_TRUE(printer::WriteNetPrinters(profile, list));
    EXPECT_EQ(profile.GetProfileString("NET", "Printer1"), "[fe80::1]:9101");
    EXPECT_EQ(profile.GetProfileString("NET", "Printer2"), "");
    EXPECT_EQ(profile.GetProfileString("NET", "Selected"), "");
    EXPECT_EQ(printer::ReadNetPrinters(profile).selected, -1);
}

TEST_F(NetPrinterListTest, HandEditedEntriesThatDoNotParseOrRepeatAreSkipped)
{
    dir.Write("nivora.INI", "[net]\nprinter1=a:9100\nPrinter2=bad host\nPrinter3=a\nPrinter4=[::1]\n"
                            "Printer6=after-a-gap\nSelected=[::1]:9100\n");
    const NetPrinterList read = printer::ReadNetPrinters(profile);
    EXPECT_EQ(read.printers, (std::vector<NetAddress>{{"a", 9100}, {"::1", 9100}}));
    EXPECT_EQ(read.selected, 1);

    dir.Write("nivora.INI", "[NET]\nPrinter1=a\nSelected=b\n");
    EXPECT_EQ(printer::ReadNetPrinters(profile).selected, -1);
    EXPECT_TRUE(printer::ReadNetPrinters(PrivateProfile(dir.File("missing.INI"))).printers.empty());
}

} // namespace
