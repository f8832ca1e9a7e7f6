#include "ui/Page1Selection.h"

CPage1Selection::CPage1Selection() : CPropertyPage(QStringLiteral("Select Bitmap"), 129)
{
    setObjectName(QStringLiteral("CPage1Selection"));
}
