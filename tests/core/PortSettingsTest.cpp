// The rules that tie the Setup page's boxes to the printer model (model change, the
// baud lookup, Print To File), the one commit of its working copy and the value tables,
// without the page; and Device.INI, whose bad contents the page cannot easily reach.
// How the page shows all this is tested with the page (tests/ui).
#include "ui/SetupState.h"

#include <algorithm>
#include <filesystem>
#include <tuple>
#include <gtest/gtest.h>

#include "printer/DeviceIni.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/TempDir.h"

using namespace printer;
using testing_support::FakeDeviceRoot;
using testing_support::FakePlatform;

namespace {

// A list box as one line: its entries, the selected one in brackets, "(off)" when
// disabled; "" for an empty enabled box.
std::string Describe(const ListBoxState& box)
{
    std::string text;
    for (size_t i = 0; i < box.entries.size(); ++i) {
        const bool selected = static_cast<int>(i) == box.selected;
        text += (i ? " " : "") + (selected ? "[" + box.entries[i] + "]" : box.entries[i]);
    }
    if (!box.enabled)
        text += text.empty() ? "(off)" : " (off)";
    return text;
}

// Baud rate, data bits, parity, stop bits, handshake.
using SerialValues = std::tuple<uint32_t, int, int, int, int>;
SerialValues Serial(const PortWorkingCopy& page)
{
    return {page.m_dwBaudRate, page.m_byByteSize, page.m_byParity, page.m_byStopBits, page.m_nHandshake};
}

// The page as the user left it on "ORVAN 4S/U" with three serial ports, COM2 and every
// serial box on a non-default entry.
struct PortRulesTest : ::testing::Test {
    FakePlatform fake;
    platform::Context context;
    FakeDeviceRoot root{context};
    PortWorkingCopy page;
    SetupBoxes boxes;

    void SetUp() override
    {
        for (const char* tty : {"ttyS0", "ttyS1", "ttyS2"})
            root.AddFile(tty);
        Fill(boxes.printerName, {"ORVAN 7S/U", "ORVAN 7P", "ORVAN 4S/U", "ORVAN 4P"}, 2);
        Fill(boxes.portName, {"COM1", "COM2", "COM3"}, 1);
        Fill(boxes[SerialBox::Baudrate], {"4800", "9600", "19200", "38400"}, 1);
        Fill(boxes[SerialBox::BitLength], {"7", "8"}, 0);
        Fill(boxes[SerialBox::Parity], {"NONE", "ODD", "EVEN"}, 1);
        Fill(boxes[SerialBox::StopBit], {"1", "2"}, 1);
        Fill(boxes[SerialBox::Handshake], {"DTR/DSR", "XON/XOFF"}, 1);
        page.m_dwBaudRate = 9600;
        page.m_byByteSize = 7;
        page.m_byParity = 1;
        page.m_byStopBits = 2;
        page.m_nHandshake = 1;
        page.m_nMaxArea = 384;
        page.m_strSelPrinter = "ORVAN 4S/U";
        page.m_strSelPort = "COM2";
    }
    static void Fill(ListBoxState& box, std::vector<std::string> entries, int selected)
    {
        box.entries = std::move(entries);
        box.selected = selected;
    }
    std::ptrdiff_t SerialBoxesOn() const
    {
        return std::ranges::count(boxes.serial, true, &ListBoxState::enabled);
    }
    std::vector<std::string> SerialBoxes() const
    {
        std::vector<std::string> described;
        for (const ListBoxState& box : boxes.serial)
            described.push_back(Describe(box));
        return described;
    }
};

const char* const kFullBaudBox = "2400 4800 9600 14400 19200 38400 57600 [115200]";
const char* const kShortBaudBox = "4800 9600 19200 [38400]";
const SerialValues kUserValues = {9600, 7, 1, 2, 1};

// A serial model fills every box afresh with its defaults and probes the ports again;
// a parallel model offers LPT1 alone, empties and disables the serial boxes and keeps
// the working serial values (they are committed only for a serial model).
TEST_F(PortRulesTest, AModelChangeResetsTheBoxesForThatModel)
{
    struct Case {
        int row;
        std::string printer, port, baudBox;
        SerialValues values;
        bool parallel;
        int width;
    };
    const Case cases[] = {
        {0, "ORVAN 7S/U", "[COM1] COM2 COM3", kFullBaudBox, {115200, 8, 0, 0, 0}, false, 512},
        {1, "ORVAN 7P", "[LPT1]", "(off)", kUserValues, true, 512},
        {2, "ORVAN 4S/U", "[COM1] COM2 COM3", kShortBaudBox, {38400, 8, 0, 0, 0}, false, 384},
        {3, "ORVAN 4P", "[LPT1]", "(off)", kUserValues, true, 384},
    };
    const PortWorkingCopy before = page;
    const SetupBoxes boxesBefore = boxes;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.printer);
        page = before;
        boxes = boxesBefore;
        ChangeModel(context, page, boxes, c.row);
        EXPECT_EQ(boxes.printerName.selected, c.row);
        EXPECT_EQ(Describe(boxes.portName), c.port);
        const std::vector<std::string> serialBoxes =
            c.parallel ? std::vector<std::string>(5, "(off)")
                       : std::vector<std::string>{c.baudBox, "7 [8]", "[NONE] ODD EVEN", "[1] 2",
                                                  "[DTR/DSR] XON/XOFF"};
        EXPECT_EQ(SerialBoxes(), serialBoxes);
        EXPECT_EQ(Serial(page), c.values);
        EXPECT_EQ(page.m_bParallel, c.parallel);
        EXPECT_EQ(page.m_nMaxArea, c.width);
        EXPECT_EQ(page.m_strSelPrinter, c.printer);
        EXPECT_EQ(page.m_strSelPort, c.port.substr(1, 4));
    }
    // A row the box does not have changes nothing.
    for (int row : {-1, 4}) {
        page = before;
        boxes = boxesBefore;
        ChangeModel(context, page, boxes, row);
        EXPECT_EQ(Describe(boxes.printerName), "ORVAN 7S/U ORVAN 7P [ORVAN 4S/U] ORVAN 4P");
        EXPECT_EQ(Describe(boxes.portName), "COM1 [COM2] COM3");
        EXPECT_EQ(Serial(page), kUserValues);
        EXPECT_EQ(page.m_nMaxArea, 384);
    }
    // A serial model without ports leaves the port box empty.
    std::filesystem::remove_all(root.Path() + "/dev");
    std::filesystem::create_directory(root.Path() + "/dev");
    ChangeModel(context, page, boxes, 0);
    EXPECT_EQ(Describe(boxes.portName), "");
    EXPECT_EQ(page.m_strSelPort, "");
    EXPECT_EQ(Serial(page), (SerialValues{115200, 8, 0, 0, 0}));
}

// The selected entry's value goes into the working copy. The rate is looked up in the
// short list for every model but the first, so an entry index that only the full
// list has changes nothing.
TEST_F(PortRulesTest, ASingleSettingTakesTheValueOfItsEntry)
{
    struct Case {
        int row;
        SerialBox box;
        int index;
        SerialValues values;
    };
    const Case cases[] = {
        {2, SerialBox::Baudrate, 5, {38400, 8, 0, 0, 0}},
        {0, SerialBox::Baudrate, -1, {115200, 8, 0, 0, 0}},
        {0, SerialBox::BitLength, 0, {115200, 7, 0, 0, 0}},
        {0, SerialBox::Parity, 1, {115200, 8, 1, 0, 0}},
        {0, SerialBox::Parity, 2, {115200, 8, 2, 0, 0}},
        {0, SerialBox::StopBit, 1, {115200, 8, 0, 2, 0}},
        {0, SerialBox::StopBit, 2, {115200, 8, 0, 0, 0}},
        {2, SerialBox::Handshake, 1, {38400, 8, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "row " << c.row << ", box " << static_cast<int>(c.box) << ", entry " << c.index);
        ChangeModel(context, page, boxes, c.row);
        boxes[c.box].selected = c.index;
        ChangeSerialSetting(page, boxes, c.box);
        EXPECT_EQ(Serial(page), c.values);
    }
    // Every rate of either list.
    const std::pair<int, std::vector<uint32_t>> rates[] = {
        {0, {2400, 4800, 9600, 14400, 19200, 38400, 57600, 115200}}, {2, {4800, 9600, 19200, 38400}}};
    for (const auto& [row, list] : rates)
        for (size_t i = 0; i < list.size(); ++i) {
            ChangeModel(context, page, boxes, row);
            boxes[SerialBox::Baudrate].selected = static_cast<int>(i);
            ChangeSerialSetting(page, boxes, SerialBox::Baudrate);
            EXPECT_EQ(page.m_dwBaudRate, list[i]) << "row " << row << ", entry " << i;
        }
}

// Setting it turns every box off and leaves the working copy alone; clearing it turns
// the model and port boxes on again, and the serial boxes too unless the port is a
// parallel one (a parallel model stays parallel).
TEST_F(PortRulesTest, PrintToFileTurnsTheBoxesOffAndBackOn)
{
    struct Case {
        int row;
        bool withPorts;
        bool parallelAfter;
    };
    const Case cases[] = {{0, true, false}, {1, true, true}, {2, false, false}, {3, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "row " << c.row << (c.withPorts ? "" : ", no ports"));
        if (!c.withPorts)
            for (const char* tty : {"ttyS0", "ttyS1", "ttyS2"})
                std::filesystem::remove(root.Device(tty));
        ChangeModel(context, page, boxes, c.row);
        const PortWorkingCopy before = page;
        const std::vector<std::string> serialBoxes = SerialBoxes();

        page.m_bPrintToFile = true;
        ChangePrintToFile(page, boxes);
        EXPECT_FALSE(boxes.printerName.enabled);
        EXPECT_FALSE(boxes.portName.enabled);
        EXPECT_EQ(SerialBoxesOn(), 0);
        EXPECT_EQ(page.m_bParallel, before.m_bParallel);
        EXPECT_EQ(Serial(page), Serial(before));

        page.m_bPrintToFile = false;
        ChangePrintToFile(page, boxes);
        EXPECT_TRUE(boxes.printerName.enabled);
        EXPECT_TRUE(boxes.portName.enabled);
        EXPECT_EQ(SerialBoxes(), serialBoxes); // entries kept, enabled as before
        EXPECT_EQ(page.m_bParallel, c.parallelAfter);
        EXPECT_EQ(Serial(page), Serial(before));
    }
}

// A network printer has no serial line: its serial boxes are off, also after Print To
// File, and a serial port turns them on again.
TEST_F(PortRulesTest, ANetworkPrinterTurnsTheSerialBoxesOff)
{
    boxes.portName.entries.push_back("NET:till-3:9100");
    boxes.portName.selected = 3;
    ChangePortName(page, boxes);
    EXPECT_EQ(page.m_strSelPort, "NET:till-3:9100");
    EXPECT_EQ(SerialBoxesOn(), 0);
    for (const bool toFile : {true, false}) {
        page.m_bPrintToFile = toFile;
        ChangePrintToFile(page, boxes);
        EXPECT_EQ(boxes.portName.enabled, !toFile);
        EXPECT_EQ(SerialBoxesOn(), 0);
    }
    boxes.portName.selected = 0;
    ChangePortName(page, boxes);
    EXPECT_EQ(SerialBoxesOn(), 5);
    EXPECT_EQ(Serial(page), kUserValues); // the line's values were kept meanwhile
}

// What the other pages and the runs get: a parallel model keeps the serial settings
// committed before, printing to a file opens "FILE" whatever the model, and everything
// the page shows goes along.
TEST_F(PortRulesTest, TheCommitGivesThePortKindTheDeviceAndTheOptions)
{
    SetupRecord settings;
    page.m_nBwPoint = 77;
    page.m_nHalftone = 2;
    CommitSetup(page, settings);
    EXPECT_EQ(std::tie(settings.m_nPortType, settings.m_strPortDevice), std::tuple(0, "COM2"));
    EXPECT_EQ((SerialValues{settings.m_dwBaudRate, settings.m_byByteSize, settings.m_byParity,
                            settings.m_byStopBits, settings.m_nHandshake}),
              kUserValues);
    EXPECT_EQ(std::tie(settings.m_strPrinterName, settings.m_strPortName), std::tuple("ORVAN 4S/U", "COM2"));
    EXPECT_EQ(std::tie(settings.m_nMaxPrintWidth, settings.m_nThreshold, settings.m_nHalftone),
              std::tuple(384, 77, 2));
    ChangeModel(context, page, boxes, 3);
    page.m_dwBaudRate = 2400;
    CommitSetup(page, settings);
    EXPECT_EQ(std::tie(settings.m_nPortType, settings.m_strPortDevice, settings.m_dwBaudRate),
              std::tuple(1, "LPT1", 9600u));
    page.m_bPrintToFile = true;
    CommitSetup(page, settings);
    EXPECT_EQ(std::tie(settings.m_nPortType, settings.m_strPortDevice, settings.m_strPortName),
              std::tuple(2, "FILE", "LPT1"));
}

TEST(DeviceIniTest, OnlyALeadingDigitOneToNineMeansParallel)
{
    using namespace std::string_literals;
    const std::pair<std::string, bool> cases[] = {{"1", true},   {"9", true},     {"10", true},
                                                  {"0", false},  {"", false},     {"a", false},
                                                  {" 1", false}, {"\x01", false}, {"\0"s + "1", false}};
    for (const auto& [content, parallel] : cases) {
        testing_support::TempDir dir;
        dir.Write("Device.INI", content);
        EXPECT_EQ(printer::ReadDeviceIni(dir.Path()), parallel) << '"' << content << '"';
    }
}

} // namespace
