#include "ui/AppIcon.h"

#include <QGuiApplication>
#include <QtGlobal>

// The icons are compiled into the static UI library; this pulls them into the program.
static void InitIconResources()
{
    Q_INIT_RESOURCE(nivora);
}

QIcon AppIcon()
{
    InitIconResources();
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/nivora-%1.png").arg(size), QSize(size, size));
    return icon;
}

void IdentifyApplication()
{
    QGuiApplication::setApplicationName(QStringLiteral("nivora"));
    QGuiApplication::setWindowIcon(AppIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("nivora"));
}
