#include "printer/PortSettings.h"

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

} // namespace printer
