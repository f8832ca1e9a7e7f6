#include "tests/ui/support/PageHarness.h"

#include <QTest>

#include "ui/Page1Selection.h"
#include "ui/Page2Preview.h"
#include "ui/Page3Upload.h"
#include "ui/Page4Print.h"
#include "ui/Page5Setup.h"

namespace testing_support {

PageHarness::PageHarness()
{
    m_app.m_session.m_context.clock = &pauses;
    m_app.m_session.m_strWorkDir = work.Path();
    m_app.m_session.m_strProfilePath = work.File(m_app.m_strProfileBase);
    m_model = std::make_unique<LogoTableModel>(m_app.m_session.m_list);
}

std::vector<std::string> PageHarness::Logos(const std::vector<std::string>& names)
{
    std::vector<std::string> paths;
    for (const std::string& name : names)
        paths.push_back(Logo(name, 16, 16));
    return paths;
}

void PageHarness::StartUp(const std::vector<std::string>& paths)
{
    std::string body = "[LOG]\r\n";
    for (size_t i = 0; i < paths.size(); ++i)
        body += "Logofile" + std::to_string(i + 1) + "=" + paths[i] + "\r\n";
    work.Write(App().m_strProfileBase, body);
    App().LoadStoredList();
}

void PageHarness::Open(int start, bool program)
{
    m_sheet = std::make_unique<CPropertySheet>(QStringLiteral("Test"), nullptr, start);
    Session& s = CurrentSession();
    selection = new CPage1Selection(s, *m_model);
    preview = new CPage2Preview(s, *m_model);
    upload = new CPage3Upload(s, *m_model);
    for (CPropertyPage* page : std::initializer_list<CPropertyPage*>{selection, preview, upload})
        m_sheet->AddPage(page);
    if (program) {
        m_sheet->AddPage(new CPage4Print(s));
        m_sheet->AddPage(new CPage5Setup(s));
    }
    m_sheet->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_sheet.get()));
}

} // namespace testing_support
