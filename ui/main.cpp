// Bitmap Nivora: stores logos in the NV graphics memory of ESC/POS receipt printers.
#include <QApplication>
#include <cstdio>

#include "app/NvLogoApp.h"
#include "platform/qt/QtPlatform.h"
#include "ui/AppIcon.h"
#include "ui/MyProperty.h"
#include "ui/OutputFileDlg.h"

int main(int argc, char* argv[])
{
    CNvLogoApp app;
    SetApp(&app);
    // The guard comes first: a second copy ends before it touches the display, with
    // no window and one line for whoever started it from a terminal.
    if (const CNvLogoApp::StartResult start = app.AcquireGuard(); start != CNvLogoApp::StartResult::Run) {
        if (start == CNvLogoApp::StartResult::AlreadyRunning)
            std::fputs("nivora: already running for this user; this copy ends\n", stderr);
        return 0;
    }
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("nivora"));
    QApplication::setApplicationDisplayName(QStringLiteral("Bitmap Nivora"));
    QApplication::setWindowIcon(AppIcon());
    QApplication::setDesktopFileName(QStringLiteral("nivora"));
    platform::qt::InstallQtPlatform(AskOutputFileName);
    app.InitInstance(RunPropertySheet);
    return 0;
}
