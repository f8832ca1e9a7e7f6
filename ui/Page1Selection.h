#pragma once
#include "ui/PropertySheet.h"

// Tab "Select Bitmap" (dialog template 129).
class CPage1Selection : public CPropertyPage {
    Q_OBJECT
public:
    CPage1Selection();
    QString HelpTopic() const override { return QStringLiteral("Bitmap Selection"); }
};
