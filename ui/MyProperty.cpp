#include "ui/MyProperty.h"

#include "app/NvLogoApp.h"
#include "ui/LogoTableModel.h"
#include "ui/Page1Selection.h"
#include "ui/Page2Preview.h"
#include "ui/Page3Upload.h"
#include "ui/Page4Print.h"
#include "ui/Page5Setup.h"

CMyProperty::CMyProperty(const QString& caption, QWidget* parent, int selectPage)
    : CPropertySheet(caption, parent, selectPage)
{
    setObjectName(QStringLiteral("CMyProperty"));
}

void RunPropertySheet(CNvLogoApp& app)
{
    Session& session = app.m_session;
    LogoTableModel model(session.m_list);
    CPage1Selection selection(session, model);
    CPage2Preview preview(session, model);
    CPage3Upload upload(session, model);
    CPage4Print print(session);
    CPage5Setup setup(session);
    CMyProperty sheet(QStringLiteral("Tarvo Bitmap Nivora ") + QString::fromStdString(session.m_strVersion),
                      nullptr, 4);
    for (CPropertyPage* page :
         std::initializer_list<CPropertyPage*>{&selection, &preview, &upload, &print, &setup})
        sheet.AddPage(page);
    sheet.exec();
    // The pages are children of the sheet's tab widget now; take them back before
    // both go out of scope in reverse order.
    for (CPropertyPage* page :
         std::initializer_list<CPropertyPage*>{&selection, &preview, &upload, &print, &setup})
        page->setParent(nullptr);
}
