#pragma once
// What the pages of the window share, handed to each page through its constructor: the
// one logo list with its editor, the settings the Setup page committed, the files the
// program keeps between runs, and the context its printer links are opened with.
// Nothing else connects the pages.
//
// Not thread-safe: the session belongs to the window's thread. A run on another thread
// is handed copies of what it needs.
#include <string>
#include <vector>

#include "download/Halftone.h"
#include "download/NvImage.h"
#include "logo/LogoList.h"
#include "logo/LogoLoader.h"
#include "logo/PrivateProfile.h"
#include "platform/Context.h"
#include "printer/PortRecord.h"

// The conversion settings that come back at the next start (the port kind is kept in
// Device.INI): section "SETUP" of the profile, keys "Width", "Threshold", "Halftone",
// whether every run asks the printer's state first ("AskState", 1 or 0), and how logos
// are kept in the printer ("NvStorage=ByKey" for key-coded storage; no key for FS q, so
// that a profile that never chose it stays as it was).
struct KeptSettings {
    int32_t maxPrintWidth = 512; // 1..576
    int32_t threshold = 128;     // 0..255
    HalftoneMode halftone = HalftoneMode::Classic;
    bool askState = false;     // a serial or parallel printer too is asked before each run
    bool keyedStorage = false; // logos stored by key (GS ( L) instead of all at once (FS q)

    bool operator==(const KeptSettings&) const = default;
};
// What the profile holds; a value that is missing or out of range gives its default.
KeptSettings ReadKeptSettings(const PrivateProfile& profile);
bool WriteKeptSettings(PrivateProfile& profile, const KeptSettings& kept);

class Session {
public:
    Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    LogoList m_list;
    CLogoLoader m_loader{m_list};
    printer::SetupRecord m_settings; // as the Setup page last committed them
    KeptSettings m_kept;             // as the profile holds them

    // How a logo with these adjustments is converted: the committed settings (the
    // profile's until the Setup page has committed any) and the adjustments.
    NvConversion Conversion(const Adjustments& adjust = {}) const;
    std::string m_strWorkDir;     // the working directory at start-up
    std::string m_strProfilePath; // the profile, in the working directory
    std::string m_strVersion = "V1.13";
    int m_nProfileCount = 0; // "Logofile" keys the profile holds
    // What the window's runs and port lists go by: clock, limits, devices. A test that
    // builds its own session gives the pages its clock, limits and device tree here.
    platform::Context m_context;

    PrivateProfile Profile() const { return PrivateProfile(m_strProfilePath); }

    // Reads the profile once: the kept settings, and the stored list, which is listed
    // anew (as start-up and the Selection page's Reset do).
    ReloadResult LoadProfile();
    // Lists the profile's stored list anew, keeping the settings as they are.
    ReloadResult ReloadStoredList();
    // A download has given the printer these logos, in NV image order: they are the
    // stored list now, and the profile's keys follow in one replacement of the file.
    // False when the profile could not be written (the printer holds them all the same).
    bool StoreDownload(std::vector<StoredLogo> sent);
    // The Setup page's commit. The conversion settings are kept in the profile when they
    // changed; false when that write failed.
    bool CommitSettings(const printer::SetupRecord& settings);
    // The Setup page's "Ask the printer's state before each run", kept in the profile at
    // once; false when that write failed (the runs go by the choice all the same).
    bool SetAskState(bool ask);
    // The Setup page's "NV storage", kept in the profile at once like the above.
    bool SetKeyedStorage(bool keyed);

private:
    // kept into the profile and into m_kept (into m_kept also when the write fails).
    bool Keep(const KeptSettings& kept);
};
