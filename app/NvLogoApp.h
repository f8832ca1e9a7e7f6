#pragma once
// The application object: owns the run from start-up to exit. The window side (the
// tabbed dialog) is handed in as a function so that start-up and exit can be tested
// without a display.
#include <functional>
#include <string>

#include "app/SharedRecord.h"
#include "logo/LogoLoader.h"
#include "logo/PrivateProfile.h"
#include "platform/Context.h"
#include "platform/SingleInstance.h"

class CNvLogoApp {
public:
    CNvLogoApp();
    ~CNvLogoApp();
    CNvLogoApp(const CNvLogoApp&) = delete;
    CNvLogoApp& operator=(const CNvLogoApp&) = delete;

    platform::SingleInstance m_hMutex; // the single-instance guard
    CLogoLoader m_loader{g_Shared};    // reloads the stored list at start-up
    std::string m_szWorkDir;           // working directory at start-up
    bool m_bListLoaded = false;        // start-up reloaded at least one stored file
    std::string m_pszProfileName;      // the profile file, in the working directory
    std::string m_strVersion = "V1.13";

    // The guard's folder ("" = the user's own, the one guard of this user); tests set
    // it to a temporary folder so that they never meet a running program.
    std::string m_strLockDir;
    // What the window's runs and port lists go by: clock, limits, devices.
    platform::Context m_context;
    // The profile's base name: the executable's base name with ".INI".
    std::string m_strProfileBase;

    // Runs the tabbed dialog until it is closed.
    using SheetRunner = std::function<void(CNvLogoApp&)>;

    // Start-up, the dialog, exit. Always returns false, as the run ends the program.
    bool InitInstance(const SheetRunner& runSheet);

    // The parts of InitInstance: the guard (taken only if not held yet), the working
    // directory and the stored list, and the exit after the dialog.
    enum class StartResult { Run, AlreadyRunning, GuardFailed };
    StartResult AcquireGuard();
    void LoadStoredList();
    void ShutDown(); // empties the per-logo lists and releases the guard

    PrivateProfile Profile() const { return PrivateProfile(m_pszProfileName); }
    std::string GetProfileString(const std::string& section, const std::string& key) const;
};

// The one application object of the running program (null in most tests).
CNvLogoApp* AfxGetApp();
void SetApp(CNvLogoApp* app);

inline constexpr char kInstanceGuardName[] = "TarvoImageMutex";
