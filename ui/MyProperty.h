#pragma once
// The program's only window: the five-page tabbed dialog.
#include "ui/PropertySheet.h"

class CMyProperty : public CPropertySheet {
    Q_OBJECT
public:
    CMyProperty(const QString& caption, QWidget* parent, int selectPage);
};

class CNvLogoApp;
// Builds the five pages and the sheet (caption "Tarvo Bitmap Nivora " + version,
// opened on the fifth page) and runs it modally.
void RunPropertySheet(CNvLogoApp& app);
