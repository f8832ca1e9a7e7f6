#include "printer/PortSettings.h"

#include "printer/DeviceIni.h"
#include "printer/PortDiscovery.h"
#include "printer/PortNames.h"

namespace printer {
namespace {

constexpr Choice kFullBauds[] = {{"2400", 2400},   {"4800", 4800},   {"9600", 9600},   {"14400", 14400},
                                 {"19200", 19200}, {"38400", 38400}, {"57600", 57600}, {"115200", 115200}};
constexpr Choice kShortBauds[] = {{"4800", 4800}, {"9600", 9600}, {"19200", 19200}, {"38400", 38400}};
constexpr Choice kBitLengths[] = {{"7", 7}, {"8", 8}};
constexpr Choice kParities[] = {{"NONE", 0}, {"ODD", 1}, {"EVEN", 2}};
// Two stop bits are code 2: the code 1 would mean one and a half.
constexpr Choice kStopBits[] = {{"1", 0}, {"2", 2}};
constexpr Choice kHandshakes[] = {{"DTR/DSR", 0}, {"XON/XOFF", 1}};

const ChoiceTable kFullBaudTable{kFullBauds, 7};
const ChoiceTable kShortBaudTable{kShortBauds, 3};
const ChoiceTable kBitLengthTable{kBitLengths, 1};
const ChoiceTable kParityTable{kParities, 0};
const ChoiceTable kStopBitTable{kStopBits, 0};
const ChoiceTable kHandshakeTable{kHandshakes, 0};

constexpr int kFirstSerialRow = 0; // "ORVAN 7S/U": the full baud list
constexpr int kFirstParallelRow = 1;

void Fill(ListBoxState& box, std::vector<std::string> entries, int selected)
{
    box.entries = std::move(entries);
    box.selected = box.entries.empty() ? -1 : selected;
}

void Empty(ListBoxState& box)
{
    Fill(box, {}, -1);
}

std::vector<std::string> Names(const std::vector<PortListing>& ports)
{
    std::vector<std::string> names;
    for (const PortListing& port : ports)
        names.push_back(port.name);
    return names;
}

void SetSerialValue(PortWorkingCopy& page, SerialBox box, uint32_t value)
{
    switch (box) {
    case SerialBox::Baudrate:
        page.m_dwBaudRate = value;
        break;
    case SerialBox::BitLength:
        page.m_byByteSize = static_cast<uint8_t>(value);
        break;
    case SerialBox::Parity:
        page.m_byParity = static_cast<uint8_t>(value);
        break;
    case SerialBox::StopBit:
        page.m_byStopBits = static_cast<uint8_t>(value);
        break;
    case SerialBox::Handshake:
        page.m_nHandshake = static_cast<int32_t>(value);
        break;
    }
}

// Every serial box enabled, filled and on its default; the working copy follows.
void FillSerialBoxes(PortWorkingCopy& page, SetupBoxes& boxes, BaudList baudList)
{
    for (SerialBox box : kSerialBoxes) {
        const ChoiceTable& table = SerialChoices(box, baudList);
        boxes[box].enabled = true;
        Fill(boxes[box], table.Texts(), table.defaultIndex);
        SetSerialValue(page, box, table.DefaultValue());
    }
}

void EmptySerialBoxes(SetupBoxes& boxes)
{
    for (SerialBox box : kSerialBoxes) {
        Empty(boxes[box]);
        boxes[box].enabled = false;
    }
}

void ReadBackNames(PortWorkingCopy& page, const SetupBoxes& boxes)
{
    page.m_strSelPrinter = boxes.printerName.Text();
    page.m_strSelPort = boxes.portName.Text();
}

} // namespace

std::vector<std::string> ChoiceTable::Texts() const
{
    std::vector<std::string> texts;
    for (const Choice& choice : entries)
        texts.emplace_back(choice.text);
    return texts;
}

const ChoiceTable& SerialChoices(SerialBox box, BaudList baudList)
{
    switch (box) {
    case SerialBox::Baudrate:
        return baudList == BaudList::Short ? kShortBaudTable : kFullBaudTable;
    case SerialBox::BitLength:
        return kBitLengthTable;
    case SerialBox::Parity:
        return kParityTable;
    case SerialBox::StopBit:
        return kStopBitTable;
    case SerialBox::Handshake:
        break;
    }
    return kHandshakeTable;
}

std::string ListBoxState::Text() const
{
    return selected >= 0 && selected < static_cast<int>(entries.size())
               ? entries[static_cast<size_t>(selected)]
               : std::string();
}

void RestorePortSetup(const platform::Context& context, PortWorkingCopy& page, SetupBoxes& boxes,
                      const std::string& startDir, SetupRecord& shared)
{
    const bool parallel = ReadDeviceIni(startDir);
    std::vector<std::string> models;
    for (const PrinterModel& model : kPrinterModels)
        models.emplace_back(model.text);
    boxes.printerName.enabled = boxes.portName.enabled = true;
    Fill(boxes.printerName, models, parallel ? kFirstParallelRow : kFirstSerialRow);
    Fill(boxes.portName, Names(parallel ? ProbeLptPorts(context) : ProbeComPorts(context)), 0);
    if (!boxes.portName.entries.empty())
        shared.m_strPortDevice = boxes.portName.Text();
    if (parallel)
        EmptySerialBoxes(boxes);
    else
        FillSerialBoxes(page, boxes, BaudList::Full);
    page.m_bParallel = parallel;
    ReadBackNames(page, boxes);
    page.m_nMaxArea = 512;
    shared.m_nMaxPrintWidth = 512;
    page.m_nBwPoint = 128;
}

void ChangeModel(const platform::Context& context, PortWorkingCopy& page, SetupBoxes& boxes, int row)
{
    if (row < 0 || row >= static_cast<int>(kPrinterModels.size()))
        return;
    const PrinterModel& model = kPrinterModels[static_cast<size_t>(row)];
    boxes.printerName.selected = row;
    if (model.kind == PortKind::Serial) {
        Fill(boxes.portName, Names(ProbeComPorts(context)), 0);
        FillSerialBoxes(page, boxes, model.baudList);
    } else {
        Fill(boxes.portName, {LptName(1)}, 0);
        EmptySerialBoxes(boxes);
    }
    page.m_bParallel = model.kind == PortKind::Parallel;
    ReadBackNames(page, boxes);
    page.m_nMaxArea = model.width;
}

void ChangePortName(PortWorkingCopy& page, const SetupBoxes& boxes, PortRecord& shared)
{
    ReadBackNames(page, boxes);
    shared.m_strPortDevice = boxes.portName.Text();
}

void ChangeSerialSetting(PortWorkingCopy& page, const SetupBoxes& boxes, SerialBox box)
{
    const BaudList baudList =
        boxes.printerName.selected == kFirstSerialRow ? BaudList::Full : BaudList::Short;
    const ChoiceTable& table = SerialChoices(box, baudList);
    const int index = boxes[box].selected;
    if (index < 0 || index >= static_cast<int>(table.entries.size()))
        return;
    SetSerialValue(page, box, table.entries[static_cast<size_t>(index)].value);
}

void ChangePrintToFile(PortWorkingCopy& page, SetupBoxes& boxes, PortRecord& shared)
{
    if (page.m_bPrintToFile) {
        boxes.printerName.enabled = boxes.portName.enabled = false;
        for (ListBoxState& box : boxes.serial)
            box.enabled = false;
        shared.m_strPortDevice = kFileDevice;
        return;
    }
    boxes.printerName.enabled = boxes.portName.enabled = true;
    shared.m_strPortDevice = boxes.portName.Text();
    // A parallel model stays parallel; its serial boxes stay off.
    if (shared.m_strPortDevice.compare(0, 3, "LPT") != 0) {
        for (ListBoxState& box : boxes.serial)
            box.enabled = true;
        page.m_bParallel = false;
    }
}

bool CommitPortSettings(const PortWorkingCopy& page, PortRecord& shared)
{
    if (page.m_bParallel) {
        shared.m_nPortType = 1;
        return true;
    }
    shared.m_nPortType = page.m_bPrintToFile ? 2 : 0;
    shared.m_dwBaudRate = page.m_dwBaudRate;
    shared.m_byByteSize = page.m_byByteSize;
    shared.m_byParity = page.m_byParity;
    shared.m_byStopBits = page.m_byStopBits;
    shared.m_nHandshake = page.m_nHandshake;
    return true;
}

void CommitPageFields(const PortWorkingCopy& page, SetupRecord& shared)
{
    shared.m_strPrinterName = page.m_strSelPrinter;
    shared.m_strPortName = page.m_strSelPort;
    shared.m_nMaxPrintWidth = page.m_nMaxArea;
    shared.m_nThreshold = page.m_nBwPoint;
    if (page.m_bPrintToFile) {
        shared.m_nPortType = 2;
        shared.m_strPortDevice = kFileDevice;
    } else {
        shared.m_strPortDevice = shared.m_strPortName;
    }
}

} // namespace printer
