#pragma once
// The printer-port configuration the Setup page edits: the printer models, the value
// tables of the five serial boxes, the rules that tie the boxes to the model, and the
// commit into the record the other pages read (the program's shared record). The page keeps a PortWorkingCopy
// and a SetupBoxes; each of its handlers reads its fields back (UpdateData(TRUE)), calls the rule below,
// shows the boxes and fields again, and marks itself modified where the handler should.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "printer/PortRecord.h"

namespace platform {
struct Context;
}

namespace printer {

enum class PortKind { Serial, Parallel };
enum class BaudList { Full, Short, None };

struct PrinterModel {
    const char* text;
    PortKind kind;
    BaudList baudList;
    int32_t width; // Max Printable Area set when the model is chosen
};
// The Printer Name box, in this order.
inline constexpr std::array<PrinterModel, 4> kPrinterModels = {{
    {"ORVAN 7S/U", PortKind::Serial, BaudList::Full, 512},
    {"ORVAN 7P", PortKind::Parallel, BaudList::None, 512},
    {"ORVAN 4S/U", PortKind::Serial, BaudList::Short, 384},
    {"ORVAN 4P", PortKind::Parallel, BaudList::None, 384},
}};

struct Choice {
    const char* text;
    uint32_t value;
};
struct ChoiceTable {
    std::span<const Choice> entries;
    int defaultIndex;
    uint32_t DefaultValue() const { return entries[static_cast<size_t>(defaultIndex)].value; }
    std::vector<std::string> Texts() const;
};

// The five serial boxes, in the order the model rules walk them.
enum class SerialBox { Baudrate, BitLength, Parity, StopBit, Handshake };
inline constexpr std::array<SerialBox, 5> kSerialBoxes = {
    SerialBox::Baudrate, SerialBox::BitLength, SerialBox::Parity, SerialBox::StopBit, SerialBox::Handshake};
// The entries and values of a box; the Baudrate box has a full and a short list.
const ChoiceTable& SerialChoices(SerialBox box, BaudList baudList = BaudList::Full);

// One drop-down list as the page shows it.
struct ListBoxState {
    std::vector<std::string> entries;
    int selected = -1; // -1: nothing selected
    bool enabled = true;
    std::string Text() const; // the selected entry, "" when none
};

struct SetupBoxes {
    ListBoxState printerName;
    ListBoxState portName;
    std::array<ListBoxState, 5> serial; // in SerialBox order
    ListBoxState& operator[](SerialBox box) { return serial[static_cast<size_t>(box)]; }
    const ListBoxState& operator[](SerialBox box) const { return serial[static_cast<size_t>(box)]; }
};

// The Setup page's working copy; CPage5Setup carries these members under these names.
struct PortWorkingCopy {
    bool m_bParallel = false;    // a parallel model is chosen (what Device.INI keeps)
    bool m_bPrintToFile = false; // the "Print To File" check box
    uint32_t m_dwBaudRate = 115200;
    uint8_t m_byByteSize = 8;
    uint8_t m_byParity = 0;
    uint8_t m_byStopBits = 0;
    int32_t m_nHandshake = 0;
    int32_t m_nMaxArea = 512; // "Max Printable Area", 1..512
    int32_t m_nBwPoint = 0;   // black/white diverging point, 0..255
    std::string m_strSelPrinter;
    std::string m_strSelPort;
};

// The page's first initialisation: Device.INI from startDir decides the model row,
// the ports that can be opened now fill the port box, the serial boxes get their
// defaults (or stay empty and disabled for a parallel model), width 512, threshold
// 128. Sets the shared printable width and port device.
void RestorePortSetup(const platform::Context& context, PortWorkingCopy& page, SetupBoxes& boxes,
                      const std::string& startDir, SetupRecord& shared);
// The Printer Name box chose row (0-based). Probes the ports again for a serial model;
// the shared record is left alone. The page marks itself modified.
void ChangeModel(const platform::Context& context, PortWorkingCopy& page, SetupBoxes& boxes, int row);
// The PortName box's selection changed: the shared port device follows at once.
void ChangePortName(PortWorkingCopy& page, const SetupBoxes& boxes, PortRecord& shared);
// One serial box's selection changed: its value goes into the working copy.
void ChangeSerialSetting(PortWorkingCopy& page, const SetupBoxes& boxes, SerialBox box);
// "Print To File" was set or cleared (page.m_bPrintToFile already read back).
void ChangePrintToFile(PortWorkingCopy& page, SetupBoxes& boxes, PortRecord& shared);

// Port kind and serial settings into the shared record; always true.
bool CommitPortSettings(const PortWorkingCopy& page, PortRecord& shared);
// Leaving the page: CommitPortSettings, clear the modified mark, read the fields back,
// then this (names, width, threshold, and the device to open).
void CommitPageFields(const PortWorkingCopy& page, SetupRecord& shared);

} // namespace printer
