#pragma once
// The printer settings the Setup page commits and the runs open their port with.
#include <cstdint>
#include <string>

namespace printer {

struct PortRecord {
    int32_t m_nPortType = 0;     // 0 serial, 1 parallel LPT1, 2 file
    std::string m_strPortDevice; // "COM<n>", "LPT1" or "FILE"
    int32_t m_nHandshake = 0;    // 0 DTR/DSR, 1 XON/XOFF
    uint8_t m_byStopBits = 0;    // 0 one, 2 two
    uint8_t m_byParity = 0;      // 0 none, 1 odd, 2 even
    uint8_t m_byByteSize = 0;    // 7 or 8
    uint32_t m_dwBaudRate = 0;
};

// Everything the Setup page hands on when it is left: the port, the names shown on the
// other pages, and the conversion values.
struct SetupRecord : PortRecord {
    std::string m_strPrinterName; // model shown under "Printer Details"
    std::string m_strPortName;    // port shown under "Printer Details"
    int32_t m_nMaxPrintWidth = 0; // 1..576 dots
    int32_t m_nThreshold = 0;     // black/white diverging point 0..255
    int32_t m_nHalftone = 0;      // HalftoneMode: 0 Classic, 1 Colour, 2 Floyd-Steinberg, 3 Atkinson
};

} // namespace printer
