#pragma once
// The logo lists and the counters that go with them: what a CLogoLoader edits and the
// list pages show. The shared record is the one instance the program has; the loader
// and the download code are handed it rather than reaching for it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kMaxLogos = 255;

struct LogoListRecord {
    // Per-logo lists: always of equal length, one entry per listed logo, row 0 first.
    std::vector<std::string> m_arrNumber;             // logo number, "%3d"
    std::vector<std::string> m_arrName;               // file name (text after the last '/')
    std::vector<std::string> m_arrSize;               // NV data size in bytes, "%15d"
    std::vector<std::string> m_arrPath;               // full path of the image file
    std::array<int32_t, kMaxLogos> m_arrAutoCenter{}; // per row: 1 = centre at download

    std::string m_strFileCount; // "%3d / 255"
    std::string m_strTotalSize; // "%3ld / %3d KByte"

    int32_t m_nSelItem = 0;                          // selected row shared by the list pages; -1 none
    int32_t m_nActivePage = 0;                       // list page made active last: 0, 1, 2
    int32_t m_nNvAreaKB = 0;                         // NV graphics capacity in KByte
    int32_t m_nTotalBytes = 0;                       // sum of the listed logos' NV data sizes
    int32_t m_nJobCount = 0;                         // images in the running download or print
    int32_t m_nBadCount = 0;                         // entries in m_arrBadNumber
    std::array<int32_t, kMaxLogos> m_arrBadNumber{}; // numbers of files that failed to load

    int LogoCount() const { return static_cast<int>(m_arrNumber.size()); }
    bool CentreRequested(int row) const
    {
        return row >= 0 && row < kMaxLogos && m_arrAutoCenter[static_cast<size_t>(row)] == 1;
    }
};
