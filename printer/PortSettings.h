#pragma once
// The rules of the printer-port configuration: the printer models with the port kind,
// baud list and printable width each one brings, and the entries of the five serial
// boxes with the serial-line value each entry stands for. The Setup page's screen state
// and its working copy live with the page (ui/SetupState).
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

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

} // namespace printer
