// Bitmap Nivora: stores logos in the NV graphics memory of ESC/POS receipt printers.
#include <QApplication>

#include "app/NvLogoApp.h"
#include "platform/qt/QtPlatform.h"
#include "ui/AppIcon.h"
#include "ui/MyProperty.h"
#include "ui/OutputFileDlg.h"

int main(int argc, char* argv[])
{
    CNvLogoApp app;
    SetApp(&app);
    // The guard comes first: a second copy ends silently before it touches the display.
    if (app.AcquireGuard() != CNvLogoApp::StartResult::Run)
        return 0;
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("nivora"));
    QApplication::setApplicationDisplayName(QStringLiteral("Bitmap Nivora"));
    QApplication::setWindowIcon(AppIcon());
    QApplication::setDesktopFileName(QStringLiteral("nivora"));
    platform::qt::InstallQtPlatform(AskOutputFileName);
    app.InitInstance(RunPropertySheet);
    return 0;
}
