#pragma once
// Hosts the list pages as the program does: a working folder with a profile, the
// application object reading it into its session, the one table model over the list,
// and a tabbed dialog with the pages, shown offscreen. Declare one in a test after
// nothing else: it brings its own FakePlatform.
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/NvLogoApp.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"
#include "tests/ui/support/UiTestSupport.h"
#include "ui/LogoTableModel.h"
#include "ui/PropertySheet.h"

class CPage1Selection;
class CPage2Preview;
class CPage3Upload;

namespace testing_support {

class PageHarness {
public:
    PageHarness();

    FakePlatform fake;
    // The runs' clock: real waits on a printer, recorded pauses that take no time.
    PauseSkippingClock pauses;
    TempDir work;
    ScopedCurrentDir here{work.Path()};

    // The running program's application object and session.
    CNvLogoApp& App() { return m_app; }
    Session& CurrentSession() { return App().m_session; }
    LogoTableModel& Model() { return *m_model; }

    // A solid 24-bit logo in the working folder; returns its path.
    std::string Logo(const std::string& name, int width, int height, uint32_t rgb = 0x203040)
    {
        return WriteSolidBmp(work.File(name), width, height, rgb);
    }
    // 16 x 16 logos of these names; their paths.
    std::vector<std::string> Logos(const std::vector<std::string>& names);
    // The stored list written into the profile (keys Logofile1..n) and loaded, as
    // start-up finds it.
    void StartUp(const std::vector<std::string>& paths);

    // Builds the sheet with the three list pages and shows it on page `start`.
    void Show(int start = 0) { Open(start, false); }
    // Builds the program's sheet, all five pages, and shows it on Setup as start-up does.
    void ShowProgram() { Open(4, true); }
    void Activate(int page) { QVERIFY(m_sheet->SetActivePage(page)); }
    CPropertySheet* Sheet() const { return m_sheet.get(); }
    CPage1Selection* selection = nullptr;
    CPage2Preview* preview = nullptr;
    CPage3Upload* upload = nullptr;

private:
    void Open(int start, bool program);

    // Destroyed in reverse: the pages before the model they show, the model before the list.
    CNvLogoApp m_app;
    std::unique_ptr<LogoTableModel> m_model;
    std::unique_ptr<CPropertySheet> m_sheet;
};

} // namespace testing_support
