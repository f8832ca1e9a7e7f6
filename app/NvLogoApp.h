#pragma once
// The application object: owns the run from start-up to exit, and the session the
// window's pages share. The window side (the tabbed dialog) is handed in as a function
// so that start-up and exit can be tested without a display. Used on the main thread.
#include <functional>
#include <string>

#include "app/Session.h"
#include "platform/SingleInstance.h"

class CNvLogoApp {
public:
    CNvLogoApp();
    CNvLogoApp(const CNvLogoApp&) = delete;
    CNvLogoApp& operator=(const CNvLogoApp&) = delete;

    platform::SingleInstance m_hMutex; // the single-instance guard
    Session m_session;                 // the list, the settings and the files the pages share

    // The guard's folder ("" = the user's own, the one guard of this user); tests set
    // it to a temporary folder so that they never meet a running program.
    std::string m_strLockDir;
    // The profile's base name: the executable's base name with ".INI".
    std::string m_strProfileBase;

    // Runs the tabbed dialog until it is closed.
    using SheetRunner = std::function<void(CNvLogoApp&)>;

    // Start-up, the dialog, exit. Always returns false, as the run ends the program.
    bool InitInstance(const SheetRunner& runSheet);

    // The parts of InitInstance: the guard (taken only if not held yet), the working
    // directory with the profile read into the session, the warnings about what start-up
    // found, and the exit after the dialog.
    enum class StartResult { Run, AlreadyRunning, GuardFailed };
    StartResult AcquireGuard();
    ReloadResult LoadStoredList();
    void ShutDown(); // empties the list and releases the guard
};

// Says once what a reload of the stored list could not list: the files that failed, and
// that the list was full. Used at start-up and by the Selection page's Reset.
void ReportReload(const ReloadResult& result);

inline constexpr char kInstanceGuardName[] = "TarvoImageMutex";
