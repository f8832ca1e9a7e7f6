#include "ui/Page4Print.h"

CPage4Print::CPage4Print() : CPropertyPage(QStringLiteral("Print Bitmap"), 132)
{
    setObjectName(QStringLiteral("CPage4Print"));
}
