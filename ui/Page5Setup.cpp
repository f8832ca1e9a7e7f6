#include "ui/Page5Setup.h"

CPage5Setup::CPage5Setup() : CPropertyPage(QStringLiteral("Setup Port"), 133)
{
    setObjectName(QStringLiteral("CPage5Setup"));
}
