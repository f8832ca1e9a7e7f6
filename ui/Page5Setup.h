#pragma once
#include "ui/PropertySheet.h"

// Tab "Setup Port" (dialog template 133).
class CPage5Setup : public CPropertyPage {
    Q_OBJECT
public:
    CPage5Setup();
    QString HelpTopic() const override { return QStringLiteral("Setup"); }
};
