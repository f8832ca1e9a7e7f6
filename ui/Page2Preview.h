#pragma once
#include "ui/PropertySheet.h"

// Tab "Preview Bitmap" (dialog template 130).
class CPage2Preview : public CPropertyPage {
    Q_OBJECT
public:
    CPage2Preview();
    QString HelpTopic() const override { return QStringLiteral("Preview"); }
};
