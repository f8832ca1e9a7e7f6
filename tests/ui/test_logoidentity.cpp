// A row of the list pages stands for its logo: the ticks and the shared selection stay
// with the logo the user chose them for, whatever order each page's list is sorted in,
// and the download centres exactly the ticked logos.
#include <QCheckBox>
#include <QFrame>
#include <QPushButton>
#include <QtTest>
#include <map>

#include "app/SharedRecord.h"
#include "download/StreamDecoder.h"
#include "tests/ui/support/PageHarness.h"
#include "ui/CheckListCtrl.h"
#include "ui/Page1Selection.h"
#include "ui/Page2Preview.h"
#include "ui/Page3Upload.h"

using namespace testing_support;

namespace {

constexpr int kSizeColumn = 3, kNameColumn = 2;
constexpr int kPrintableWidth = 512;

struct LogoSpec {
    const char* name;
    int width, height;
    uint32_t colour;
};
// Listed in this order, their sizes (8 dots high: the width; else width x bands) do not
// follow it, and one name starts with a capital.
const LogoSpec kLogos[] = {{"Beta.bmp", 24, 8, 0x1F6B3A},
                           {"alpha.bmp", 8, 8, 0x6B1F3A},
                           {"gamma_tall.bmp", 8, 40, 0x3A1F6B},
                           {"delta.bmp", 16, 8, 0x6B5A1F}};

// The Selection, Preview and Download pages over a profile listing kLogos, writing
// downloads into files.
struct Journey {
    Journey()
    {
        std::vector<std::string> paths;
        for (const LogoSpec& logo : kLogos) {
            paths.push_back(page.Logo(logo.name, logo.width, logo.height, logo.colour));
            widths[logo.name] = logo.width;
        }
        widths["echo.bmp"] = 16; // added through Open File
        g_Shared.m_nThreshold = 128;
        g_Shared.m_nMaxPrintWidth = kPrintableWidth;
        g_Shared.m_nPortType = 2;
        g_Shared.m_strPortDevice = "FILE";
        page.StartUp(paths);
        page.Show(0);
        upload = new CPage3Upload;
        page.Sheet()->AddPage(upload);
    }
    CCheckListCtrl& List(int tab) const
    {
        return *page.Sheet()->GetPage(tab)->findChild<CCheckListCtrl*>(QStringLiteral("list1001"));
    }
    void Press(int tab, int button)
    {
        page.Sheet()->GetPage(tab)->findChild<QPushButton*>(QStringLiteral("button%1").arg(button))->click();
    }
    // The row showing the logo of this name on the page's list.
    int Row(int tab, const QString& name) const
    {
        const int row = static_cast<int>(ColumnTexts(List(tab), kNameColumn).indexOf(name));
        [&] { QVERIFY2(row >= 0, qPrintable(name)); }();
        return row;
    }
    QStringList TickedOnSelection() const
    {
        QStringList names;
        const CCheckListCtrl& list = List(0);
        for (int row = 0; row < list.GetItemCount(); ++row)
            if (list.GetCheck(row))
                names << list.GetItemText(row, kNameColumn);
        names.sort();
        return names;
    }
    // The logos the shared record asks the download to centre.
    QStringList TickedInShared() const
    {
        QStringList names;
        for (size_t i = 0; i < g_Shared.m_arrName.size(); ++i)
            if (g_Shared.m_arrAutoCenter[i] == 1)
                names << QString::fromStdString(g_Shared.m_arrName[i]);
        names.sort();
        return names;
    }
    QStringList SelectedNames(int tab) const
    {
        QStringList names;
        for (const int row : List(tab).GetSelectedRows())
            names << List(tab).GetItemText(row, kNameColumn);
        return names;
    }
    // Downloads into a file from the Download page; the logos whose definitions came out
    // wider than their bitmaps, which is what centring does.
    QStringList DownloadCentred(const std::string& file)
    {
        page.Activate(2);
        page.fake.files.outputChoices.push_back({true, {file}});
        Press(2, 1023);
        const std::string bytes = page.work.Read(file);
        const DecodedStream stream =
            DecodeStream(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        // The images go in ascending logo-number order.
        std::map<int, std::string> byNumber;
        for (size_t i = 0; i < g_Shared.m_arrNumber.size(); ++i)
            byNumber[std::stoi(g_Shared.m_arrNumber[i])] = g_Shared.m_arrName[i];
        QStringList centred;
        [&] { QCOMPARE(stream.definitions.size(), byNumber.size()); }();
        size_t k = 0;
        for (const auto& [number, name] : byNumber) {
            if (k < stream.definitions.size() && stream.definitions[k].WidthDots() > widths.at(name))
                centred << QString::fromStdString(name);
            ++k;
        }
        centred.sort();
        return centred;
    }

    PageHarness page;
    CPage3Upload* upload = nullptr;
    std::map<std::string, int> widths;
};

constexpr int kRemove = 1015, kOpenFile = 1016, kReset = 1014;

// Where the logo's colour shows in the Preview page's frame.
bool PreviewShows(CPage2Preview* preview, uint32_t colour)
{
    auto* frame = preview->findChild<QFrame*>(QStringLiteral("frame1017"));
    return !ColourBounds(frame->grab().toImage(), colour).isEmpty();
}

} // namespace

class TestLogoIdentity : public QObject {
    Q_OBJECT
private slots:
    void ticksStayWithTheirLogosAndTheDownloadCentresThem();
    void everyPageShowsTheLogoSelectedOnAnother();
};

void TestLogoIdentity::ticksStayWithTheirLogosAndTheDownloadCentresThem()
{
    Journey j;
    CCheckListCtrl& list = j.List(0);
    ClickHeader(list, kSizeColumn); // descending at first
    QCOMPARE(ColumnTexts(list, kNameColumn),
             QStringList({"gamma_tall.bmp", "Beta.bmp", "delta.bmp", "alpha.bmp"}));
    QTest::mouseClick(list.m_checks.at(static_cast<size_t>(j.Row(0, "Beta.bmp"))), Qt::LeftButton);
    j.page.Activate(1);
    QCOMPARE(j.TickedInShared(), QStringList({"Beta.bmp"}));
    j.page.Activate(0);
    QCOMPARE(j.TickedOnSelection(), QStringList({"Beta.bmp"}));

    // Sorting by name moves the ticks with their rows.
    ClickHeader(list, kSizeColumn);
    ClickHeader(list, kNameColumn);
    QCOMPARE(ColumnTexts(list, kNameColumn),
             QStringList({"alpha.bmp", "Beta.bmp", "delta.bmp", "gamma_tall.bmp"}));
    QCOMPARE(j.TickedOnSelection(), QStringList({"Beta.bmp"}));
    list.SetCheck(j.Row(0, "delta.bmp"), true);
    list.SetCheck(j.Row(0, "alpha.bmp"), true);

    // Removing a ticked logo takes its tick along and leaves the others' alone, also
    // after the page was left and entered again.
    ClickRow(list, j.Row(0, "alpha.bmp"));
    j.Press(0, kRemove);
    QCOMPARE(j.TickedOnSelection(), QStringList({"Beta.bmp", "delta.bmp"}));
    j.page.Activate(1);
    QCOMPARE(j.TickedInShared(), QStringList({"Beta.bmp", "delta.bmp"}));
    j.page.Activate(0);
    ClickHeader(list, kSizeColumn);
    j.page.fake.files.openChoices.push_back({true, j.page.Logos({"echo.bmp"})});
    j.Press(0, kOpenFile);
    QCOMPARE(j.TickedOnSelection(), QStringList({"Beta.bmp", "delta.bmp"}));

    QCOMPARE(j.DownloadCentred("first.prn"), QStringList({"Beta.bmp", "delta.bmp"}));

    // The download stored Beta, echo, gamma_tall and delta in the profile, in another
    // order than listed. gamma_tall is ticked and removed: it comes back clear.
    j.page.Activate(0);
    ClickHeader(list, kNameColumn);
    list.SetCheck(j.Row(0, "gamma_tall.bmp"), true);
    ClickRow(list, j.Row(0, "gamma_tall.bmp"));
    j.Press(0, kRemove);
    j.Press(0, kReset);
    QCOMPARE(ColumnTexts(list, kNameColumn),
             QStringList({"Beta.bmp", "echo.bmp", "gamma_tall.bmp", "delta.bmp"}));
    QCOMPARE(j.TickedOnSelection(), QStringList({"Beta.bmp", "delta.bmp"}));
    ClickHeader(list, kSizeColumn);
    QCOMPARE(j.DownloadCentred("second.prn"), QStringList({"Beta.bmp", "delta.bmp"}));
    QCOMPARE(j.TickedInShared(), QStringList({"Beta.bmp", "delta.bmp"}));
}

void TestLogoIdentity::everyPageShowsTheLogoSelectedOnAnother()
{
    Journey j;
    ClickHeader(j.List(0), kSizeColumn);
    ClickRow(j.List(0), j.Row(0, "gamma_tall.bmp"));
    j.page.Activate(1);
    QCOMPARE(j.SelectedNames(1), QStringList({"gamma_tall.bmp"}));
    QVERIFY(PreviewShows(j.page.preview, kLogos[2].colour));
    QVERIFY(!PreviewShows(j.page.preview, kLogos[0].colour));
    j.page.Activate(2);
    QCOMPARE(j.SelectedNames(2), QStringList({"gamma_tall.bmp"}));

    // A choice made on a sorted Download list reaches the other two pages.
    ClickHeader(j.List(2), kNameColumn);
    ClickHeader(j.List(2), kNameColumn);
    ClickRow(j.List(2), j.Row(2, "delta.bmp"));
    j.page.Activate(1);
    QCOMPARE(j.SelectedNames(1), QStringList({"delta.bmp"}));
    QVERIFY(PreviewShows(j.page.preview, kLogos[3].colour));
    QVERIFY(!PreviewShows(j.page.preview, kLogos[2].colour));
    j.page.Activate(0);
    QCOMPARE(j.SelectedNames(0), QStringList({"delta.bmp"}));
}

QTEST_MAIN(TestLogoIdentity)
#include "test_logoidentity.moc"
