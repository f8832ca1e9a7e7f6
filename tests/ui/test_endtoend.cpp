// One journey through the whole program, as a user makes it: start-up with a profile
// of two logos, three more added, centring ticked on one, a
// look at the Preview page, the serial port set up, Download, then a print of "1,3-4"
// at double height with headers. A virtual serial printer on a pseudo-terminal stands
// behind COM1; what it received is decoded back into images, each checked against the
// logo it came from. Last, the profile lists the five files in NV order.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>
#include <string>
#include <vector>

#include "app/NvLogoApp.h"
#include "download/StreamDecoder.h"
#include "logo/StoredList.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/PrintBytes.h"
#include "tests/support/VirtualClock.h"
#include "tests/support/TempDir.h"
#include "tests/ui/support/UiTestSupport.h"
#include "ui/AppIcon.h"
#include "ui/CheckListCtrl.h"
#include "ui/MyProperty.h"

using namespace testing_support;

namespace {

// The logos of the journey, all black: what pixels become is the conversion's to test,
// here each logo must arrive whole, in NV order, under the settings of the window.
struct JourneyLogo {
    std::string name;
    int width;
    int height;
};

// The first two are in the profile at start-up, the others added on the Select page.
const JourneyLogo kLogos[] = {{"shop.bmp", 100, 50},
                              {"mono.bmp", 64, 40},
                              {"palette.bmp", 90, 30},
                              {"small.bmp", 33, 17},
                              {"wide.bmp", 120, 64}};
constexpr size_t kStoredCount = 2;
constexpr int kCentredRow = 3; // small.bmp, logo number 4
constexpr int kMaxWidth = 384; // typed on the Setup page

// What the test compares of an image the printer holds: "name: width x height, n black".
std::string Described(const std::string& name, int width, int height, long black)
{
    return name + ": " + std::to_string(width) + " x " + std::to_string(height) + ", " +
           std::to_string(black) + " black";
}

// The image the printer must hold for a logo: white margins up to multiples of 8 and,
// when centred, blank columns that centre it within the maximum width; every dot of the
// logo black.
std::string Expected(const JourneyLogo& logo, bool centred)
{
    const auto roundUp8 = [](int dots) { return (dots + 7) / 8 * 8; };
    const int width = roundUp8(logo.width), pad = centred ? roundUp8((kMaxWidth - width) / 2) : 0;
    return Described(logo.name, width + pad, roundUp8(logo.height), logo.width * logo.height);
}

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void aWholeDayWithTheProgram();

private:
    void Journey(CMyProperty* sheet);

    FakePlatform* m_fake = nullptr;
    std::vector<std::string> m_addedPaths;
    bool m_journeyDone = false;
};

void TestEndToEnd::Journey(CMyProperty* sheet)
{
    sheet->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(sheet));
    // Start-up opened the Setup page: COM1 (the virtual printer) is the port found.
    QCOMPARE(sheet->windowTitle(), QStringLiteral("Tarvo Bitmap Nivora V1.13"));
    // The title bar shows it alone: a display name of the program's own would follow it.
    QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    QStringList tabs;
    for (int i = 0; i < sheet->Tabs()->count(); ++i)
        tabs << sheet->Tabs()->tabText(i);
    QCOMPARE(tabs, QStringList(
                       {"Select Bitmap", "Preview Bitmap", "Download Bitmap", "Print Bitmap", "Setup Port"}));
    QCOMPARE(sheet->GetActiveIndex(), 4);
    QWidget* setup = sheet->GetPage(4);
    QCOMPARE(FindChild<QComboBox>(setup, "combo1045")->currentText(), QStringLiteral("COM1"));
    QVERIFY(Choose(FindChild<QComboBox>(setup, "combo1046"), "38400"));
    Type(FindChild<QLineEdit>(setup, "edit1066"), QString::number(kMaxWidth));

    // Select Bitmap: the two stored logos, then three more through the file dialog (all
    // five reach the printer, in NV order, the one ticked centred).
    QVERIFY(sheet->SetActivePage(0));
    QWidget* selection = sheet->GetPage(0);
    m_fake->files.openChoices.push_back({true, m_addedPaths});
    FindChild<QPushButton>(selection, "button1016")->click();
    ClickCheck(*FindChild<CCheckListCtrl>(selection, "list1001"), kCentredRow);

    // Preview Bitmap: a look on the way.
    QVERIFY(sheet->SetActivePage(1));

    // Download Bitmap: the port from Setup, then the download itself.
    QVERIFY(sheet->SetActivePage(2));
    QWidget* upload = sheet->GetPage(2);
    QCOMPARE(FindChild<QLineEdit>(upload, "edit1077")->text(), QStringLiteral("ORVAN 7S/U"));
    QCOMPARE(FindChild<QLineEdit>(upload, "edit1076")->text(), QStringLiteral("COM1"));
    auto* download = FindChild<QPushButton>(upload, "button1023");
    download->click();
    QTRY_VERIFY_WITH_TIMEOUT(download->isEnabled(), 20000); // the run is over
    QCOMPARE(m_fake->boxes.shown.size(), size_t{2});        // the question and the completion

    // Print Bitmap: "1,3-4" at double height with headers.
    QVERIFY(sheet->SetActivePage(3));
    sheet->activateWindow(); // back from the progress dialog
    QVERIFY(QTest::qWaitForWindowActive(sheet));
    QWidget* print = sheet->GetPage(3);
    auto* range = FindChild<QLineEdit>(print, "edit1034");
    QTest::mouseClick(range, Qt::LeftButton);
    QVERIFY(FindChild<QRadioButton>(print, "radio1033")->isChecked()); // "Selection"
    QTest::keyClicks(range, "1,3-4");
    QTest::mouseClick(FindChild<QRadioButton>(print, "radio1021"), Qt::LeftButton); // "Double &Height"
    QTest::mouseClick(FindChild<QRadioButton>(print, "radio1040"), Qt::LeftButton); // "Add Header"
    auto* printButton = FindChild<QPushButton>(print, "button1029");
    printButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(printButton->isEnabled(), 20000);
    QCOMPARE(m_fake->boxes.shown.size(), size_t{2}); // nothing went wrong

    sheet->GetButton(CPropertySheet::Button::Ok)->click(); // "Close"
    m_journeyDone = true;
}

void TestEndToEnd::aWholeDayWithTheProgram()
{
    FakePlatform fake; // Yes to every question, pauses on a virtual clock
    m_fake = &fake;
    TempDir work, locks, logos;
    ScopedCurrentDir here(work.Path());
    FakePrinter printer;
    printer.AnswerWith(0x20);

    std::vector<std::string> nvOrder;
    for (const JourneyLogo& logo : kLogos) {
        nvOrder.push_back(WriteSolidBmp(logos.File(logo.name), logo.width, logo.height));
        if (nvOrder.size() > kStoredCount)
            m_addedPaths.push_back(nvOrder.back());
    }

    IdentifyApplication(); // as the program names itself
    CNvLogoApp app;
    PauseSkippingClock pauses;
    app.m_session.m_context.clock = &pauses;
    app.m_strLockDir = locks.Path();
    FakeDeviceRoot root{app.m_session.m_context};
    root.Link("ttyS0", printer.Path()); // COM1
    work.Write(app.m_strProfileBase,
               "[LOG]\r\nLogofile1=" + nvOrder[0] + "\r\nLogofile2=" + nvOrder[1] + "\r\n");

    OnNextModal([this](QWidget* modal) {
        auto* sheet = qobject_cast<CMyProperty*>(modal);
        QVERIFY(sheet);
        Journey(sheet);
        if (!m_journeyDone)
            sheet->done(QDialog::Rejected); // a failed step must not leave the dialog open
    });
    app.InitInstance(RunPropertySheet);
    QVERIFY(m_journeyDone);

    // What the printer received: the download, then the print.
    const std::vector<uint8_t> print = PrintedImages({1, 3, 4}, 2, true, kSerialPreamble);
    QVERIFY(printer.WaitForBytes(print.size() + 100));
    const std::vector<uint8_t> bytes = printer.Bytes();
    const DecodedStream stream = DecodeStream(bytes);
    QVERIFY2(stream.complete, stream.error.c_str());
    QCOMPARE(std::vector<uint8_t>(bytes.end() - static_cast<std::ptrdiff_t>(print.size()), bytes.end()),
             print);
    QCOMPARE(stream.definitions.size(), size_t{5});
    for (size_t i = 0; i < std::size(kLogos); ++i) {
        const DotImage image = stream.definitions[i].Dots();
        QCOMPARE(Described(kLogos[i].name, image.width, image.height,
                           std::count(image.dots.begin(), image.dots.end(), 1)),
                 Expected(kLogos[i], static_cast<int>(i) == kCentredRow));
    }
    // The profile lists the five files in NV order (what a start-up makes of it:
    // StartUpTest); the fourth file was centred: its row says so.
    const PrivateProfile profile(work.File(app.m_strProfileBase));
    std::vector<StoredLogo> stored;
    for (size_t i = 0; i < nvOrder.size(); ++i)
        stored.push_back({nvOrder[i], static_cast<int>(i) == kCentredRow});
    QCOMPARE(ReadStoredList(profile), stored);
    QCOMPARE(profile.GetProfileString("SETUP", "Width"), std::to_string(kMaxWidth));
    // The program let go of its single-instance guard on the way out.
    CNvLogoApp next;
    next.m_strLockDir = locks.Path();
    QVERIFY(next.AcquireGuard() == CNvLogoApp::StartResult::Run);
}

QTEST_MAIN(TestEndToEnd)
#include "test_endtoend.moc"
