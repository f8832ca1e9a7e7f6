#include "printer/PortSettings.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "app/SharedRecord.h"
#include "printer/DeviceIni.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/TempDir.h"

using printer::PortWorkingCopy;
using printer::SerialBox;
using printer::SetupBoxes;

namespace {

using Strings = std::vector<std::string>;
const Strings kFullBauds = {"2400", "4800", "9600", "14400", "19200", "38400", "57600", "115200"};
const Strings kShortBauds = {"4800", "9600", "19200", "38400"};

class PortSettingsTest : public ::testing::Test {
protected:
    testing_support::FakePlatform platform;
    testing_support::FakeDeviceRoot root; // two free serial ports, one USB printer
    testing_support::TempDir startDir;
    PortWorkingCopy page;
    SetupBoxes boxes;

    PortSettingsTest()
    {
        root.AddFile("ttyS0");
        root.AddFile("ttyUSB2");
        root.AddFile("usb/lp0");
    }

    void ExpectSerialDefaults(const Strings& bauds, const std::string& baud) const
    {
        EXPECT_EQ(boxes[SerialBox::Baudrate].entries, bauds);
        EXPECT_EQ(boxes[SerialBox::Baudrate].Text(), baud);
        EXPECT_EQ(boxes[SerialBox::BitLength].entries, (Strings{"7", "8"}));
        EXPECT_EQ(boxes[SerialBox::BitLength].Text(), "8");
        EXPECT_EQ(boxes[SerialBox::Parity].entries, (Strings{"NONE", "ODD", "EVEN"}));
        EXPECT_EQ(boxes[SerialBox::Parity].Text(), "NONE");
        EXPECT_EQ(boxes[SerialBox::StopBit].entries, (Strings{"1", "2"}));
        EXPECT_EQ(boxes[SerialBox::StopBit].Text(), "1");
        EXPECT_EQ(boxes[SerialBox::Handshake].entries, (Strings{"DTR/DSR", "XON/XOFF"}));
        EXPECT_EQ(boxes[SerialBox::Handshake].Text(), "DTR/DSR");
        for (const printer::ListBoxState& box : boxes.serial)
            EXPECT_TRUE(box.enabled);
        EXPECT_EQ(page.m_dwBaudRate, static_cast<uint32_t>(std::stoul(baud)));
        EXPECT_EQ(page.m_byByteSize, 8);
        EXPECT_EQ(page.m_byParity, 0);
        EXPECT_EQ(page.m_byStopBits, 0);
        EXPECT_EQ(page.m_nHandshake, 0);
    }

    void ExpectSerialBoxesEmptyAndOff() const
    {
        for (const printer::ListBoxState& box : boxes.serial) {
            EXPECT_TRUE(box.entries.empty());
            EXPECT_EQ(box.selected, -1);
            EXPECT_FALSE(box.enabled);
        }
    }

    void Select(SerialBox box, int index)
    {
        boxes[box].selected = index;
        printer::ChangeSerialSetting(page, boxes, box);
    }
};

TEST_F(PortSettingsTest, FirstRunWithoutDeviceIniStartsSerialWithTheDefaults)
{
    printer::RestorePortSetup(page, boxes, startDir.Path());
    EXPECT_EQ(boxes.printerName.entries, (Strings{"ORVAN 7S/U", "ORVAN 7P", "ORVAN 4S/U", "ORVAN 4P"}));
    EXPECT_EQ(boxes.printerName.Text(), "ORVAN 7S/U");
    EXPECT_EQ(boxes.portName.entries, (Strings{"COM1", "COM35"}));
    EXPECT_EQ(boxes.portName.Text(), "COM1");
    ExpectSerialDefaults(kFullBauds, "115200");
    EXPECT_FALSE(page.m_bParallel);
    EXPECT_EQ(page.m_nMaxArea, 512);
    EXPECT_EQ(page.m_nBwPoint, 128);
    EXPECT_EQ(page.m_strSelPrinter, "ORVAN 7S/U");
    EXPECT_EQ(page.m_strSelPort, "COM1");
    EXPECT_EQ(g_Shared.m_strPortDevice, "COM1");
    EXPECT_EQ(g_Shared.m_nMaxPrintWidth, 512);
    EXPECT_EQ(g_Shared.m_nNvAreaKB, 384);
}

TEST_F(PortSettingsTest, DeviceIniOneRestoresTheParallelModelWithTheOpenableLptPorts)
{
    startDir.Write("Device.INI", "1");
    root.AddFile("lp1");
    printer::RestorePortSetup(page, boxes, startDir.Path());
    EXPECT_EQ(boxes.printerName.Text(), "ORVAN 7P");
    EXPECT_EQ(boxes.portName.entries, (Strings{"LPT1", "LPT2"}));
    EXPECT_EQ(boxes.portName.Text(), "LPT1");
    ExpectSerialBoxesEmptyAndOff();
    EXPECT_TRUE(page.m_bParallel);
    EXPECT_EQ(page.m_nMaxArea, 512);
    EXPECT_EQ(g_Shared.m_strPortDevice, "LPT1");
}

TEST_F(PortSettingsTest, NoOpenablePortLeavesTheBoxAndTheDeviceEmpty)
{
    std::filesystem::remove(root.Device("ttyS0"));
    std::filesystem::remove(root.Device("ttyUSB2"));
    printer::RestorePortSetup(page, boxes, startDir.Path());
    EXPECT_TRUE(boxes.portName.entries.empty());
    EXPECT_EQ(boxes.portName.selected, -1);
    EXPECT_EQ(g_Shared.m_strPortDevice, "");
}

TEST_F(PortSettingsTest, TheShortModelOffersFourRatesAndTheFullOneEightAgain)
{
    printer::RestorePortSetup(page, boxes, startDir.Path());
    g_Shared.m_strPortDevice = "COM35";
    printer::ChangeModel(page, boxes, 2);
    EXPECT_EQ(page.m_strSelPrinter, "ORVAN 4S/U");
    ExpectSerialDefaults(kShortBauds, "38400");
    EXPECT_EQ(page.m_nMaxArea, 384);
    printer::ChangeModel(page, boxes, 0);
    ExpectSerialDefaults(kFullBauds, "115200");
    EXPECT_EQ(page.m_nMaxArea, 512);
    EXPECT_EQ(boxes.portName.entries, (Strings{"COM1", "COM35"}));
    EXPECT_EQ(g_Shared.m_strPortDevice, "COM35"); // a model change leaves g_Shared alone
}

TEST_F(PortSettingsTest, AParallelModelOffersOnlyLpt1WhateverSerialPortsExist)
{
    for (int n = 0; n < 12; ++n)
        root.AddFile("ttyACM" + std::to_string(n));
    printer::RestorePortSetup(page, boxes, startDir.Path());
    ASSERT_GT(boxes.portName.entries.size(), 10u);
    printer::ChangeModel(page, boxes, 3);
    EXPECT_EQ(boxes.portName.entries, Strings{"LPT1"});
    EXPECT_EQ(boxes.portName.Text(), "LPT1");
    ExpectSerialBoxesEmptyAndOff();
    EXPECT_TRUE(page.m_bParallel);
    EXPECT_EQ(page.m_nMaxArea, 384);
    printer::ChangeModel(page, boxes, 1);
    EXPECT_EQ(page.m_nMaxArea, 512);
    printer::CommitPortSettings(page);
    EXPECT_EQ(g_Shared.m_nPortType, 1);
}

TEST_F(PortSettingsTest, EachSerialBoxStoresTheValueOfItsEntry)
{
    printer::RestorePortSetup(page, boxes, startDir.Path());
    Select(SerialBox::StopBit, 1);
    EXPECT_EQ(page.m_byStopBits, 2); // the code for two stop bits, not 1
    Select(SerialBox::StopBit, 0);
    EXPECT_EQ(page.m_byStopBits, 0);
    Select(SerialBox::Parity, 2);
    EXPECT_EQ(page.m_byParity, 2);
    Select(SerialBox::BitLength, 0);
    EXPECT_EQ(page.m_byByteSize, 7);
    Select(SerialBox::Handshake, 1);
    EXPECT_EQ(page.m_nHandshake, 1);
    Select(SerialBox::Baudrate, 3);
    EXPECT_EQ(page.m_dwBaudRate, 14400u);
    printer::ChangeModel(page, boxes, 2);
    Select(SerialBox::Baudrate, 3); // the same position in the short list
    EXPECT_EQ(page.m_dwBaudRate, 38400u);
    Select(SerialBox::Baudrate, 0);
    EXPECT_EQ(page.m_dwBaudRate, 4800u);
}

TEST_F(PortSettingsTest, ThePortBoxSetsTheDeviceAtOnce)
{
    printer::RestorePortSetup(page, boxes, startDir.Path());
    boxes.portName.selected = 1;
    printer::ChangePortName(page, boxes);
    EXPECT_EQ(g_Shared.m_strPortDevice, "COM35");
    EXPECT_EQ(page.m_strSelPort, "COM35");
}

TEST_F(PortSettingsTest, CommitCopiesTheSerialSettingsOnlyForASerialModel)
{
    page.m_dwBaudRate = 9600;
    page.m_byByteSize = 7;
    page.m_byParity = 1;
    page.m_byStopBits = 2;
    page.m_nHandshake = 1;
    EXPECT_TRUE(printer::CommitPortSettings(page));
    EXPECT_EQ(g_Shared.m_nPortType, 0);
    EXPECT_EQ(g_Shared.m_dwBaudRate, 9600u);
    EXPECT_EQ(g_Shared.m_byByteSize, 7);
    EXPECT_EQ(g_Shared.m_byParity, 1);
    EXPECT_EQ(g_Shared.m_byStopBits, 2);
    EXPECT_EQ(g_Shared.m_nHandshake, 1);

    page.m_bPrintToFile = true;
    printer::CommitPortSettings(page);
    EXPECT_EQ(g_Shared.m_nPortType, 2);

    page.m_bParallel = true;
    page.m_dwBaudRate = 2400;
    printer::CommitPortSettings(page);
    EXPECT_EQ(g_Shared.m_nPortType, 1);
    EXPECT_EQ(g_Shared.m_dwBaudRate, 9600u); // kept from the last serial commit
}

TEST_F(PortSettingsTest, LeavingThePageCommitsNamesWidthThresholdAndDevice)
{
    printer::RestorePortSetup(page, boxes, startDir.Path());
    page.m_nMaxArea = 300;
    page.m_nBwPoint = 77;
    printer::CommitPortSettings(page);
    printer::CommitPageFields(page);
    EXPECT_EQ(g_Shared.m_strPrinterName, "ORVAN 7S/U");
    EXPECT_EQ(g_Shared.m_strPortName, "COM1");
    EXPECT_EQ(g_Shared.m_strPortDevice, "COM1");
    EXPECT_EQ(g_Shared.m_nMaxPrintWidth, 300);
    EXPECT_EQ(g_Shared.m_nThreshold, 77);
    EXPECT_EQ(g_Shared.m_nPortType, 0);
}

TEST_F(PortSettingsTest, PrintToFileOnAParallelModelAndBackAgain)
{
    startDir.Write("Device.INI", "1");
    printer::RestorePortSetup(page, boxes, startDir.Path());
    page.m_bPrintToFile = true;
    printer::ChangePrintToFile(page, boxes);
    EXPECT_EQ(g_Shared.m_strPortDevice, "FILE");
    EXPECT_FALSE(boxes.printerName.enabled);
    EXPECT_FALSE(boxes.portName.enabled);
    printer::CommitPortSettings(page);
    printer::CommitPageFields(page);
    EXPECT_EQ(g_Shared.m_nPortType, 2);
    EXPECT_EQ(g_Shared.m_strPortDevice, "FILE");

    page.m_bPrintToFile = false;
    printer::ChangePrintToFile(page, boxes);
    EXPECT_EQ(g_Shared.m_strPortDevice, "LPT1");
    EXPECT_TRUE(boxes.printerName.enabled);
    EXPECT_TRUE(boxes.portName.enabled);
    EXPECT_TRUE(page.m_bParallel); // stays parallel, serial boxes stay off
    ExpectSerialBoxesEmptyAndOff();
    printer::CommitPortSettings(page);
    EXPECT_EQ(g_Shared.m_nPortType, 1);
}

TEST_F(PortSettingsTest, ClearingPrintToFileOnASerialPortEnablesTheSerialBoxes)
{
    printer::RestorePortSetup(page, boxes, startDir.Path());
    page.m_bPrintToFile = true;
    printer::ChangePrintToFile(page, boxes);
    for (const printer::ListBoxState& box : boxes.serial)
        EXPECT_FALSE(box.enabled);
    page.m_bPrintToFile = false;
    printer::ChangePrintToFile(page, boxes);
    for (const printer::ListBoxState& box : boxes.serial)
        EXPECT_TRUE(box.enabled);
    EXPECT_FALSE(page.m_bParallel);
    EXPECT_EQ(g_Shared.m_strPortDevice, "COM1");
}

struct IniCase {
    const char* content;
    size_t length;
    bool parallel;
};

TEST(DeviceIniTest, OnlyALeadingDigitOneToNineMeansParallel)
{
    const IniCase cases[] = {{"1", 1, true},
                             {"9", 1, true},
                             {"10", 2, true},
                             {"0", 1, false},
                             {"", 0, false},
                             {"a", 1, false},
                             {" 1", 2, false},
                             {"\x01", 1, false},
                             {"\0"
                              "1",
                              2, false}};
    for (const IniCase& c : cases) {
        testing_support::TempDir dir;
        dir.Write("Device.INI", std::string(c.content, c.length));
        EXPECT_EQ(printer::ReadDeviceIni(dir.Path()), c.parallel)
            << '"' << std::string(c.content, c.length) << '"';
    }
}

TEST(DeviceIniTest, AMissingOrUnreadableFileMeansSerial)
{
    testing_support::TempDir dir;
    EXPECT_FALSE(printer::ReadDeviceIni(dir.Path()));
    std::filesystem::create_directory(dir.File("Device.INI"));
    EXPECT_FALSE(printer::ReadDeviceIni(dir.Path()));
}

TEST(DeviceIniTest, SavingWritesExactlyOneByteIntoTheGivenFolder)
{
    testing_support::TempDir startDir, elsewhere;
    testing_support::ScopedCurrentDir cwd(elsewhere.Path());
    startDir.Write("Device.INI", "1 with a long tail");
    printer::SaveDeviceIni(startDir.Path(), false);
    EXPECT_EQ(startDir.Read("Device.INI"), "0");
    printer::SaveDeviceIni(startDir.Path(), true);
    EXPECT_EQ(startDir.Read("Device.INI"), "1");
    EXPECT_FALSE(std::filesystem::exists(elsewhere.File("Device.INI")));
}

TEST(DeviceIniTest, AFailedSaveIsSilent)
{
    printer::SaveDeviceIni("/nonexistent-folder", true);
    EXPECT_FALSE(std::filesystem::exists("/nonexistent-folder/Device.INI"));
}

} // namespace
