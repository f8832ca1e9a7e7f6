#pragma once
// What a printer says about itself when asked DLE EOT 1 to 4: on- or off-line, why it
// is off-line, which error it has, and how much paper is left. The four answers are
// kept as they came, with what they mean beside them; a printer that answered none of
// them has no status, and is used as if all were well.
//
// Plain values and pure functions; safe from any thread.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace printer {

struct PrinterState {
    // The answers to DLE EOT 1, 2, 3 and 4, in that order; nullopt when none came.
    std::array<std::optional<uint8_t>, 4> raw;

    // DLE EOT 1
    bool offline = false;
    bool drawerPinHigh = false; // pin 3 of the drawer kick-out connector
    // DLE EOT 2
    bool coverOpen = false;
    bool feedButton = false;   // paper is being fed by the paper feed button
    bool paperEndStop = false; // printing stopped because the paper ran out
    bool errorOccurred = false;
    // DLE EOT 3
    bool mechanicalError = false; // a recoverable error of the mechanism
    bool autocutterError = false;
    bool unrecoverableError = false;
    bool autoRecoverableError = false; // e.g. the head too hot; passes by itself
    // DLE EOT 4
    bool paperNearEnd = false;
    bool paperEnd = false;

    // True when at least one of the four requests was answered.
    bool Answered() const;
    // Something that stops a run before a byte is sent: paper end, cover open, an error.
    bool Blocking() const;
    bool AnyError() const;

    // Takes the answer byte of DLE EOT n (1..4). False, and nothing kept, when the byte
    // cannot be that answer: every answer has bit 1 and bit 4 set and bits 0 and 7 clear.
    bool Take(int n, uint8_t byte);
};

// True when byte has the fixed bits of a DLE EOT answer.
bool LooksLikeStatusByte(uint8_t byte);

// Why a run does not start, in the window's and the CLI's words: "The printer is out of
// paper.", "The printer's cover is open.", ...; "" when nothing blocks it.
std::string BlockingText(const PrinterState& state);
// The status line of the Setup page's Apply: "Ready.", "Ready. Paper near end.",
// "Cover open.", "Out of paper.", "Off-line.", "Auto-cutter error.", ...,
// "No answer." for a printer that answered nothing.
std::string StateSummary(const PrinterState& state);

} // namespace printer
