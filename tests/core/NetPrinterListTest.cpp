#include "printer/NetPrinterList.h"
#include "ui/NetPortEntries.h"

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

TEST(NetPortEntries, FollowThePortNamesAndKeepTheAddEntryLast)
{
    NetPrinterList list;
    list.Add({"till-1", 9100});
    list.Add({"::1", 9101});
    struct Case {
        std::vector<std::string> ports;
        int portSelected;
        int saved;
        bool chooseSaved;
        int expected;
    };
    const std::vector<Case> cases = {
        {{"COM1", "COM3"}, 0, -1, true, 0}, // no saved choice: the first COM stays
        {{"COM1", "COM3"}, 0, 1, true, 3},  // restored: the saved network printer
        {{"COM1", "COM3"}, 1, 1, false, 1}, // a model change keeps the COM choice
        {{}, -1, -1, true, -1},             // nothing to choose: not even the add entry
        {{}, -1, 0, false, 0},              // no COM port: the saved printer
    };
    for (const Case& c : cases) {
        ListBoxState box{c.ports, c.portSelected, true};
        list.selected = c.saved;
        AppendNetEntries(box, list, c.chooseSaved);
        std::vector<std::string> expected = c.ports;
        expected.insert(expected.end(), {"NET:till-1:9100", "NET:[::1]:9101", "Add network printer...",
                                         "Find network printers..."});
        EXPECT_EQ(box.entries, expected);
        EXPECT_EQ(box.selected, c.expected);
        EXPECT_EQ(SelectedNetPrinter(box, list), c.expected >= static_cast<int>(c.ports.size())
                                                     ? c.expected - static_cast<int>(c.ports.size())
                                                     : -1);
    }
}

TEST(NetPortEntries, AnAddedPrinterIsListedOnceAndSelected)
{
    NetPrinterList list;
    list.Add({"till-1", 9100});
    ListBoxState box{{"COM1"}, 0, true};
    AppendNetEntries(box, list, false);
    AddNetPrinter(box, list, {"till-2", 9100});
    EXPECT_EQ(box.entries, (std::vector<std::string>{"COM1", "NET:till-1:9100", "NET:till-2:9100",
                                                     "Add network printer...", "Find network printers..."}));
    EXPECT_EQ(box.Text(), "NET:till-2:9100");
    AddNetPrinter(box, list, {"till-1", 9100});
    EXPECT_EQ(box.entries.size(), 5u);
    EXPECT_EQ(box.Text(), "NET:till-1:9100");
    EXPECT_EQ(list.selected, 0);
    EXPECT_TRUE(IsAddNetPrinterEntry(box.entries[3]));
    EXPECT_TRUE(IsFindNetPrintersEntry(box.entries.back()));
}

} // namespace
