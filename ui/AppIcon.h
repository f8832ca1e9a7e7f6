#pragma once
// The program's icon (a receipt printer with a printed logo), in all its sizes, and the
// names the desktop knows the program by.
#include <QIcon>

QIcon AppIcon();

// Names the application for the desktop: "nivora" with its icon and desktop entry.
// It sets no display name: the window system would add one to every title, the main
// window's and the message boxes' alike. Call once the QApplication exists.
void IdentifyApplication();
