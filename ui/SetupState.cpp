#include "ui/SetupState.h"

#include "printer/DeviceIni.h"
#include "printer/NetAddress.h"
#include "printer/PortDiscovery.h"
#include "printer/PortNames.h"

using namespace printer;

namespace {

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

// A serial model's boxes, on for a serial port, off for a network printer.
void EnableSerialBoxes(SetupBoxes& boxes)
{
    const bool line = !IsNetName(boxes.portName.Text());
    for (ListBoxState& box : boxes.serial)
        box.enabled = line;
}

void ReadBackNames(PortWorkingCopy& page, const SetupBoxes& boxes)
{
    page.m_strSelPrinter = boxes.printerName.Text();
    page.m_strSelPort = boxes.portName.Text();
}

} // namespace

std::string ListBoxState::Text() const
{
    return selected >= 0 && selected < static_cast<int>(entries.size())
               ? entries[static_cast<size_t>(selected)]
               : std::string();
}

void RestorePortSetup(const platform::Context& context, PortWorkingCopy& page, SetupBoxes& boxes,
                      const std::string& startDir)
{
    const bool parallel = ReadDeviceIni(startDir);
    std::vector<std::string> models;
    for (const PrinterModel& model : kPrinterModels)
        models.emplace_back(model.text);
    boxes.printerName.enabled = boxes.portName.enabled = true;
    Fill(boxes.printerName, models, parallel ? kFirstParallelRow : kFirstSerialRow);
    Fill(boxes.portName, Names(parallel ? ProbeLptPorts(context) : ProbeComPorts(context)), 0);
    if (parallel)
        EmptySerialBoxes(boxes);
    else
        FillSerialBoxes(page, boxes, BaudList::Full);
    page.m_bParallel = parallel;
    ReadBackNames(page, boxes);
    page.m_nMaxArea = 512;
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

void ChangePortName(PortWorkingCopy& page, SetupBoxes& boxes)
{
    ReadBackNames(page, boxes);
    if (!page.m_bParallel)
        EnableSerialBoxes(boxes);
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

void ChangePrintToFile(PortWorkingCopy& page, SetupBoxes& boxes)
{
    const bool on = !page.m_bPrintToFile;
    boxes.printerName.enabled = boxes.portName.enabled = on;
    if (!on) {
        for (ListBoxState& box : boxes.serial)
            box.enabled = false;
        return;
    }
    // A parallel model stays parallel; its serial boxes stay off.
    if (boxes.portName.Text().compare(0, 3, "LPT") != 0) {
        EnableSerialBoxes(boxes);
        page.m_bParallel = false;
    }
}

void CommitSetup(const PortWorkingCopy& page, SetupRecord& settings)
{
    if (page.m_bParallel) {
        settings.m_nPortType = 1;
    } else {
        settings.m_nPortType = 0;
        settings.m_dwBaudRate = page.m_dwBaudRate;
        settings.m_byByteSize = page.m_byByteSize;
        settings.m_byParity = page.m_byParity;
        settings.m_byStopBits = page.m_byStopBits;
        settings.m_nHandshake = page.m_nHandshake;
    }
    settings.m_strPrinterName = page.m_strSelPrinter;
    settings.m_strPortName = page.m_strSelPort;
    settings.m_nMaxPrintWidth = page.m_nMaxArea;
    settings.m_nThreshold = page.m_nBwPoint;
    settings.m_nHalftone = page.m_nHalftone;
    if (page.m_bPrintToFile) {
        settings.m_nPortType = 2;
        settings.m_strPortDevice = kFileDevice;
    } else {
        settings.m_strPortDevice = page.m_strSelPort;
    }
}
