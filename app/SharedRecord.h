#pragma once
// The state that more than one page or dialog needs. There is exactly one instance,
// g_Shared; the pages never talk to each other except through it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kMaxLogos = 255;

struct SharedRecord {
    // Per-logo lists: always of equal length, one entry per listed logo, row 0 first.
    std::vector<std::string> m_arrNumber; // logo number, "%3d"
    std::vector<std::string> m_arrName;   // file name (text after the last '/')
    std::vector<std::string> m_arrSize;   // NV data size in bytes, "%15d"
    std::vector<std::string> m_arrPath;   // full path of the BMP file

    std::vector<std::string> m_arrPrintNumber; // the print list (singles n + 256, ranges low, high)
    std::string m_strFileCount;                // "%3d / 255"
    std::string m_strTotalSize;                // "%3ld / %3d KByte"

    int32_t m_nSelItem = 0;                              // selected row shared by the list pages; -1 none
    int32_t m_nActivePage = 0;                           // list page made active last: 0, 1, 2
    std::string m_strPrinterName;                        // model shown under "Printer Details"
    std::string m_strPortName;                           // port shown under "Printer Details"
    int32_t m_nNvAreaKB = 0;                             // NV graphics capacity in KByte
    int32_t m_nStoredCount = 0;                          // logos the printer holds as of the last download
    int32_t m_nTotalBytes = 0;                           // sum of the listed logos' NV data sizes
    int32_t m_nJobCount = 0;                             // images in the running download or print
    std::array<int32_t, kMaxLogos> m_arrDownloadOrder{}; // list rows by ascending logo number
    int32_t m_nBadCount = 0;                             // entries in m_arrBadNumber
    std::array<int32_t, kMaxLogos> m_arrBadNumber{};     // numbers of files that failed to load

    // Port settings, committed by the Setup page.
    int32_t m_nPortType = 0;     // 0 serial, 1 parallel LPT1, 2 file
    std::string m_strPortDevice; // "COM<n>", "LPT1" or "FILE"
    int32_t m_nHandshake = 0;    // 0 DTR/DSR, 1 XON/XOFF
    uint8_t m_byStopBits = 0;    // 0 one, 2 two
    uint8_t m_byParity = 0;      // 0 none, 1 odd, 2 even
    uint8_t m_byByteSize = 0;    // 7 or 8
    uint32_t m_dwBaudRate = 0;

    // Profile and image options.
    int32_t m_nProfileCount = 0;                      // keys "Logofile1".."Logofile<n>" stored
    std::array<int32_t, kMaxLogos> m_arrAutoCenter{}; // per row: 1 = centre at download
    int32_t m_nMaxPrintWidth = 0;                     // 1..512 dots
    int32_t m_nThreshold = 0;                         // black/white diverging point 0..255
    int32_t m_nHalftone = 0; // HalftoneMode: 0 Classic, 1 Colour, 2 Floyd-Steinberg, 3 Atkinson

    int LogoCount() const { return static_cast<int>(m_arrNumber.size()); }
};

extern SharedRecord g_Shared;

// Puts g_Shared back into its state at program load (all zero, lists empty). Every
// test fixture that touches the record starts with this; the program never calls it.
void ResetSharedRecord();
