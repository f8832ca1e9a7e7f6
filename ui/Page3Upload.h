#pragma once
#include "ui/PropertySheet.h"

// Tab "Download Bitmap" (dialog template 131).
class CPage3Upload : public CPropertyPage {
    Q_OBJECT
public:
    CPage3Upload();
    QString HelpTopic() const override { return QStringLiteral("Logo Upload"); }
};
