#pragma once
// The serial line of an open terminal device: speed, character format, flow control
// and the modem lines. Kept in a file of its own because it talks to the kernel's
// termios2 record (any speed, 14400 included), whose header cannot meet the C
// library's <termios.h>.
#include <cstdint>

namespace platform {
struct Context;
}

namespace printer {

struct LineSettings {
    uint32_t baud = 0;
    uint8_t byteSize = 8; // 5 ... 8
    uint8_t parity = 0;   // 0 none, 1 odd, 2 even
    uint8_t stopBits = 0; // 0 one, 2 two (the codes the settings carry)
    bool ctsFlow = false; // CRTSCTS: output waits for CTS, RTS signals room to receive
    bool xonXoff = false; // IXON | IXOFF with 0x11 / 0x13; never IXANY
};

// The words of a terminal's settings record that the settings decide (c_cflag,
// c_iflag, c_oflag, c_lflag, the XON and XOFF characters), as termios spells them.
struct LineFlags {
    uint32_t cflag = 0, iflag = 0, oflag = 0, lflag = 0;
    uint8_t startChar = 0, stopChar = 0;
};
// What ApplyLineSettings makes of the record the kernel holds: raw mode, receiver on,
// modem status ignored for the carrier, and the settings; the speed is set apart.
LineFlags ComposeLineFlags(const LineSettings& settings, LineFlags current);

// True when fd is a terminal; the calls below apply only then.
bool IsTerminal(int fd);
// Raw mode, receiver on, modem status ignored for the carrier, and the settings.
// false with errno set when a value is invalid (EINVAL) or the kernel refuses it.
bool ApplyLineSettings(int fd, const LineSettings& settings);
// What the kernel holds now.
bool ReadLineSettings(int fd, LineSettings& settings);
// Throws away pending input and/or output.
bool FlushLine(int fd, bool input, bool output);
// Bytes still queued for sending (or what the context's seam says); -1 with errno set
// when the device cannot tell.
int PendingOutput(const platform::Context& context, int fd);
// The modem lines (TIOCMGET, or the context's seam): 0 and the lines, -1 with errno.
int QueryModemLines(const platform::Context& context, int fd, int& lines);
// Switches flow control off and restarts stopped output, so that closing never waits
// for a printer that holds the line.
void ReleaseFlowControl(int fd);
// Stops sending (tcflow TCOOFF) until ResumeOutput or ReleaseFlowControl restarts it.
void SuspendOutput(int fd);
// Restarts output stopped by TCOOFF (here or by a program killed before it could).
void ResumeOutput(int fd);
// Raises (on) or drops the modem output lines given as TIOCM_DTR / TIOCM_RTS bits.
bool SetModemLines(int fd, int lines, bool on);
// TIOCEXCL / TIOCNXCL: no further opens of the terminal (the superuser is exempt).
bool SetExclusive(int fd, bool on);

} // namespace printer
