#pragma once
// The object that edits the logo list. The lists themselves live in the record the
// loader is given (the program's shared record); a loader keeps its own counters (two
// loaders exist: the application's, used at start-up, and the Selection page's).
#include <array>
#include <cstdint>
#include <string>

#include "logo/LogoList.h"

class CLogoLoader {
public:
    // Sets the record's NV capacity to 384 KByte and its selection, active page and job
    // count to -1.
    explicit CLogoLoader(LogoListRecord& lists);
    virtual ~CLogoLoader();
    CLogoLoader(const CLogoLoader&) = delete;
    CLogoLoader& operator=(const CLogoLoader&) = delete;

    int32_t m_nTotalBytes = 0;                        // NV data bytes as this loader counts them
    int32_t m_nFailCount = 0;                         // failed loads since the last Reset
    int32_t m_nFreeCount = 0;                         // entries in m_arrFreeNumber
    int32_t m_nFreePos = 0;                           // next entry of m_arrFreeNumber to hand out
    std::array<int32_t, kMaxLogos> m_arrFreeNumber{}; // numbers free again, ascending
    int32_t m_nCount = 0;                             // listed logos as this loader counts them
    std::string m_strSizeText;                        // last size counter text
    std::string m_strCountText;                       // last file counter text
    std::string m_strNumber;                          // number text of the file being added
    std::string m_strSize;                            // size text of the file being added
    std::string m_strName;                            // name text of the file being added
    std::string m_strFilePath;                        // last path taken from the open dialog
    std::string m_strFailReason;                      // why AddFile's last file did not read

    // Loads one picture file (BMP, PNG, JPEG or GIF, told by its first bytes), checks it
    // and appends it to the lists. nIndex is the profile
    // key's number for a stored file, 0 for a file the user picked.
    bool AddFile(int32_t nIndex, std::string path);
    // Multi-select open dialog, then AddFile(0, path) for each chosen file until one
    // is refused. True also when the dialog was cancelled.
    bool OpenFiles();
    // Removes the row(s) carrying this logo number; the number becomes free again.
    bool RemoveFile(int32_t number);
    void Reset();
    void SyncCount();
    bool SortFreeNumbers();
    // Moves the record's failed numbers into the free list.
    bool TakeFailedNumbers();

    LogoListRecord& Lists() { return m_lists; }

private:
    // The steps of AddFile after the file was read: the capacity rule (false when the
    // file is refused, with its message or its failure recorded), the number the new
    // row gets, and the row itself with the counters.
    bool FitsCapacity(int32_t nIndex, int32_t size);
    int32_t TakeNumber(int32_t nIndex);
    bool AppendRow(int32_t number, int32_t size, std::string listedPath);
    void RecordFailure(int32_t nIndex);
    void AppendFreeNumber(int32_t number);
    void CompactFreeNumbers();

    LogoListRecord& m_lists;
};

// NV data size of a width x height bitmap: 8-dot bands times the width rounded up to 8.
int32_t NvDataSize(int32_t width, int32_t height);
// Used KByte, rounded up.
int32_t UsedKByte(int32_t totalBytes);
