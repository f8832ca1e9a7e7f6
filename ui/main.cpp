// Bitmap Nivora: stores logos in the NV graphics memory of ESC/POS receipt printers.
#include <QApplication>
#include <cstdio>

#include "app/NvLogoApp.h"
#include "app/StartOptions.h"
#include "platform/UserDir.h"
#include "platform/qt/QtPlatform.h"
#include "ui/AppIcon.h"
#include "ui/MyProperty.h"
#include "ui/OutputFileDlg.h"

int main(int argc, char* argv[])
{
    const StartOptions options = ReadStartOptions(argc, argv);
    if (options.help || options.version) {
        std::fputs((options.help ? StartUsage() : VersionLine("nivora") + "\n").c_str(), stdout);
        return 0;
    }
    // The menu entry's way: a folder of the user's own, whatever folder the menu starts
    // in. When it cannot be had, the start-up warning names the folder we are left in.
    std::string userDir, error;
    if (options.userDir && !platform::EnterUserDataDir(userDir, error))
        std::fprintf(stderr, "nivora: %s\n", error.c_str());
    CNvLogoApp app;
    app.m_strLockDir = options.instanceDir;
    // The guard comes first: a second copy ends before it touches the display, with
    // no window and one line for whoever started it from a terminal.
    if (const CNvLogoApp::StartResult start = app.AcquireGuard(); start != CNvLogoApp::StartResult::Run) {
        if (start == CNvLogoApp::StartResult::AlreadyRunning)
            std::fputs("nivora: already running for this user; this copy ends\n", stderr);
        return 0;
    }
    QApplication qapp(argc, argv);
    IdentifyApplication();
    platform::qt::InstallQtPlatform(AskOutputFileName);
    app.InitInstance(RunPropertySheet);
    return 0;
}
