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
    SetApp(&app);
    app.m_pszProfileName = work.File(app.m_strProfileBase);
}

PageHarness::~PageHarness()
{
    m_sheet.reset();
    SetApp(nullptr);
}

std::vector<std::string> PageHarness::Logos(const std::vector<std::string>& names)
{
    std::vector<std::string> paths;
    for (const std::string& name : names)
        paths.push_back(Logo(name, 16, 16));
    return paths;
}

void PageHarness::StoreProfile(const std::vector<std::string>& paths)
{
    std::string body = "[LOG]\r\n";
    for (size_t i = 0; i < paths.size(); ++i)
        body += "Logofile" + std::to_string(i + 1) + "=" + paths[i] + "\r\n";
    work.Write(app.m_strProfileBase, body);
}

void PageHarness::StartUp(const std::vector<std::string>& paths)
{
    StoreProfile(paths);
    app.LoadStoredList();
}

void PageHarness::Show(int start)
{
    m_sheet = std::make_unique<CPropertySheet>(QStringLiteral("Test"), nullptr, start);
    selection = new CPage1Selection;
    preview = new CPage2Preview;
    m_sheet->AddPage(selection);
    m_sheet->AddPage(preview);
    m_sheet->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_sheet.get()));
}

void PageHarness::ShowProgram()
{
    m_sheet = std::make_unique<CPropertySheet>(QStringLiteral("Test"), nullptr, 4);
    selection = new CPage1Selection;
    preview = new CPage2Preview;
    for (CPropertyPage* page : std::initializer_list<CPropertyPage*>{selection, preview, new CPage3Upload,
                                                                     new CPage4Print, new CPage5Setup})
        m_sheet->AddPage(page);
    m_sheet->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_sheet.get()));
}

CNvLogoApp& PageHarness::Restart()
{
    m_sheet.reset();
    selection = nullptr;
    preview = nullptr;
    AfxGetApp()->ShutDown();
    ResetSharedRecord();
    m_nextApp = std::make_unique<CNvLogoApp>();
    SetApp(m_nextApp.get());
    m_nextApp->LoadStoredList(); // the current folder is still the working folder
    return *m_nextApp;
}

} // namespace testing_support
