#include "ui/Page3Upload.h"

CPage3Upload::CPage3Upload() : CPropertyPage(QStringLiteral("Download Bitmap"), 131)
{
    setObjectName(QStringLiteral("CPage3Upload"));
}
