#include "printer/PrinterState.h"

namespace printer {
namespace {

constexpr uint8_t kFixedMask = 0x93; // bits 0, 1, 4 and 7
constexpr uint8_t kFixedBits = 0x12; // bits 1 and 4 on, 0 and 7 off

bool Bit(uint8_t byte, int bit)
{
    return (byte >> bit) & 1;
}

} // namespace

bool LooksLikeStatusByte(uint8_t byte)
{
    return (byte & kFixedMask) == kFixedBits;
}

bool PrinterState::Answered() const
{
    for (const auto& answer : raw)
        if (answer)
            return true;
    return false;
}

bool PrinterState::AnyError() const
{
    return errorOccurred || mechanicalError || autocutterError || unrecoverableError || autoRecoverableError;
}

bool PrinterState::Blocking() const
{
    return paperEnd || paperEndStop || coverOpen || AnyError();
}

bool PrinterState::Take(int n, uint8_t byte)
{
    if (n < 1 || n > 4 || !LooksLikeStatusByte(byte))
        return false;
    raw[static_cast<size_t>(n - 1)] = byte;
    switch (n) {
    case 1:
        drawerPinHigh = Bit(byte, 2);
        offline = Bit(byte, 3);
        break;
    case 2:
        coverOpen = Bit(byte, 2);
        feedButton = Bit(byte, 3);
        paperEndStop = Bit(byte, 5);
        errorOccurred = Bit(byte, 6);
        break;
    case 3:
        mechanicalError = Bit(byte, 2);
        autocutterError = Bit(byte, 3);
        unrecoverableError = Bit(byte, 5);
        autoRecoverableError = Bit(byte, 6);
        break;
    default:
        // Each sensor sets two bits; either of them counts.
        paperNearEnd = Bit(byte, 2) || Bit(byte, 3);
        paperEnd = Bit(byte, 5) || Bit(byte, 6);
        break;
    }
    return true;
}

std::string BlockingText(const PrinterState& state)
{
    if (state.paperEnd || state.paperEndStop)
        return "The printer is out of paper.";
    if (state.coverOpen)
        return "The printer's cover is open.";
    if (state.unrecoverableError)
        return "The printer reports an error it cannot recover from; switch it off and on again.";
    if (state.autocutterError)
        return "The printer reports an auto-cutter error.";
    if (state.mechanicalError)
        return "The printer reports a mechanical error.";
    if (state.autoRecoverableError)
        return "The printer reports an error it will recover from (e.g. a hot print head); try again "
               "shortly.";
    if (state.errorOccurred)
        return "The printer reports an error.";
    return "";
}

std::string StateSummary(const PrinterState& state)
{
    if (!state.Answered())
        return "No answer.";
    std::string text;
    const auto add = [&text](const char* part) { text += (text.empty() ? "" : " ") + std::string(part); };
    if (state.paperEnd || state.paperEndStop)
        add("Out of paper.");
    if (state.coverOpen)
        add("Cover open.");
    if (state.unrecoverableError)
        add("Unrecoverable error.");
    if (state.autocutterError)
        add("Auto-cutter error.");
    if (state.mechanicalError)
        add("Mechanical error.");
    if (state.autoRecoverableError)
        add("Recoverable error.");
    const bool named = state.unrecoverableError || state.autocutterError || state.mechanicalError ||
                       state.autoRecoverableError;
    if (state.errorOccurred && !named)
        add("Error.");
    if (text.empty())
        add(state.offline ? "Off-line." : "Ready.");
    else if (state.offline && !state.coverOpen && !state.paperEnd && !state.paperEndStop)
        text = "Off-line. " + text;
    if (state.paperNearEnd && !state.paperEnd)
        add("Paper near end.");
    return text;
}

} // namespace printer
