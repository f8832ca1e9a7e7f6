#pragma once
#include "ui/PropertySheet.h"

// Tab "Print Bitmap" (dialog template 132).
class CPage4Print : public CPropertyPage {
    Q_OBJECT
public:
    CPage4Print();
    QString HelpTopic() const override { return QStringLiteral("Logo Printout"); }
};
