#pragma once
// How each page talks to the printer. The Download page (and its progress dialog), the
// Print page (and its dialog) and the Setup page open the same ports through the same
// code; they differ only in these values.
#include <cstdint>

namespace printer {

enum class OutputFlow {
    Cts, // the kernel holds output while CTS is low and drives RTS as its own handshake
    Dsr, // output is held while DSR is low (done here, the kernel cannot); RTS is off
};

// What a page's WriteBuffer reports besides its result.
enum class WriteStyle {
    UploadPage, // trace lines
    PrintPage,  // nothing
    SetupPage,  // a box when a write that had to wait fails
};

struct PortVariant {
    bool lptReadAccess;    // OpenLpt opens for reading as well as writing
    bool fileTarget;       // the device "FILE" is an output file (else it is no device)
    bool writeTimeout;     // a serial write gives up after M ms per byte
    OutputFlow outputFlow; // serial output flow control
    int answerWaitMs;      // how long the printer check waits for the answer byte
    WriteStyle style;
};

inline constexpr PortVariant kDownloadVariant{true, true, true, OutputFlow::Cts, 500, WriteStyle::UploadPage};
inline constexpr PortVariant kPrintVariant{false, false, false, OutputFlow::Dsr, 500, WriteStyle::PrintPage};
inline constexpr PortVariant kSetupVariant{false, false, false, OutputFlow::Dsr, 1000, WriteStyle::SetupPage};

// M, the download variant's write time-out per byte in milliseconds: the baud rate
// below 9600, half the baud rate from 9600 on.
inline constexpr int64_t WriteTimeoutPerByteMs(uint32_t baud)
{
    return baud < 9600 ? baud : baud / 2;
}

} // namespace printer
