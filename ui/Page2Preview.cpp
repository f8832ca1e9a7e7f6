#include "ui/Page2Preview.h"

CPage2Preview::CPage2Preview() : CPropertyPage(QStringLiteral("Preview Bitmap"), 130)
{
    setObjectName(QStringLiteral("CPage2Preview"));
}
