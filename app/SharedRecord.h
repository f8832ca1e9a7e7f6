#pragma once
// The state that more than one page or dialog needs. There is exactly one instance,
// g_Shared; the pages never talk to each other except through it. Core code is handed
// the part it works on (the logo lists, the port settings) instead of the whole.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "logo/LogoList.h"
#include "printer/PortRecord.h"

struct SharedRecord : LogoListRecord, printer::SetupRecord {
    std::vector<std::string> m_arrPrintNumber; // the print list (singles n + 256, ranges low, high)

    int32_t m_nStoredCount = 0;                          // logos the printer holds as of the last download
    std::array<int32_t, kMaxLogos> m_arrDownloadOrder{}; // list rows by ascending logo number
    int32_t m_nProfileCount = 0;                         // keys "Logofile1".."Logofile<n>" stored
};

extern SharedRecord g_Shared;

// Puts g_Shared back into its state at program load (all zero, lists empty). Every
// test fixture that touches the record starts with this; the program never calls it.
void ResetSharedRecord();
