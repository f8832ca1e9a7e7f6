#include "tests/ui/support/PageHarness.h"

#include <QTest>

#include "tests/support/BmpWriter.h"
#include "ui/Page1Selection.h"
#include "ui/Page2Preview.h"
#include "ui/PropertySheet.h"

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

std::string PageHarness::Logo(const std::string& name, int width, int height, uint32_t rgb)
{
    return WriteSolidBmp(work.File(name), width, height, rgb);
}

void PageHarness::StoreProfile(const std::vector<std::string>& paths)
{
    std::string body = "[LOG]\r\n";
    for (size_t i = 0; i < paths.size(); ++i)
        body += "Logofile" + std::to_string(i + 1) + "=" + paths[i] + "\r\n";
    work.Write(app.m_strProfileBase, body);
}

void PageHarness::StartUp()
{
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

void PageHarness::Activate(int page)
{
    QVERIFY(m_sheet->SetActivePage(page));
}

} // namespace testing_support
