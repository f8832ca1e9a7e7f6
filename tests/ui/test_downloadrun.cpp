// The Download button's run through the window: the confirmation, the job off the
// window's thread with its progress dialog, what the printer receives, the boxes after
// it and the stored list; the window keeps painting while the printer takes nothing,
// and Cancel ends such a run at once. What a run does on the wire in every case is
// tested on the jobs themselves (tests/core/RunJobsTest.cpp).
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "app/Session.h"
#include "download/StreamDecoder.h"
#include "logo/StoredList.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakeNetPrinter.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/VirtualClock.h"
#include "tests/ui/support/PageHarness.h"
#include "tools/cli/Command.h"
#include "ui/Page3Upload.h"
#include "ui/Prograss.h"

using namespace testing_support;
using Bytes = std::vector<uint8_t>;
using Texts = std::vector<std::string>;

namespace {

// The Download page as the program hosts it, with a virtual serial printer as COM1.
struct DownloadHarness {
    DownloadHarness()
    {
        Settings().m_nThreshold = 128;
        Settings().m_strPortDevice = "COM1";
        Settings().m_dwBaudRate = 115200;
        Settings().m_byByteSize = 8;
        root.Link("ttyS0", printer.Path());
    }

    printer::SetupRecord& Settings() { return page.CurrentSession().m_settings; }
    void Show()
    {
        page.Show(0);
        upload = page.upload;
        page.Activate(2);
    }
    // Lists a black logo with this logo number, as start-up does; returns its path.
    std::string List(const std::string& name, int width, int height, int number)
    {
        const std::string path = WriteSolidBmp(page.work.File(name), width, height);
        [&] { QVERIFY(page.CurrentSession().m_loader.AddFile(number, path).Added()); }();
        return path;
    }
    QPushButton* Button() { return upload->findChild<QPushButton*>(QStringLiteral("button1023")); }
    // Presses Download and returns once the run is over.
    void Download()
    {
        Button()->click();
        QTRY_VERIFY_WITH_TIMEOUT(!upload->m_run.Running(), 20000);
    }

    PageHarness page; // brings the fake platform, the working folder and the app
    FakeDeviceRoot root{page.CurrentSession().m_context};
    FakePrinter printer;
    CPage3Upload* upload = nullptr;
};

const char* const kConfirm = "All bit image files are written in the NV Graphics memory of the printer.";
const char* const kComplete = "Complete the NV bit image definition.\r\nPlease wait some paper feed.";

} // namespace

class TestDownloadRun : public QObject {
    Q_OBJECT
private slots:
    void aRunGoesInLogoNumberOrderAndTheCommandLineSendsTheSame();
    void theWindowKeepsPaintingAndCancelEndsAStalledRun();
};

// The status line counts the bytes of the run, the blank columns of a centred logo
// joining the total once its turn comes (and leaving it again: a second run counts the
// same); the button waits while the run goes; the boxes come once it is over, and the
// stored list follows. The download protocol exists once: nivora-cli's run of the same
// logos puts the same bytes on the same port with the same pauses.
void TestDownloadRun::aRunGoesInLogoNumberOrderAndTheCommandLineSendsTheSame()
{
    DownloadHarness h;
    const std::string a = h.List("a.bmp", 20, 10, 3);  // centred: 248 blank columns of 2 bytes
    const std::string b = h.List("b.bmp", 200, 24, 1); // 600 bytes: two pieces
    const std::string c = h.List("c.bmp", 64, 64, 2);  // 512 bytes: a full and an empty piece
    h.page.CurrentSession().m_list.SetCentre(0, true);
    h.Settings().m_nMaxPrintWidth = 512;
    h.Show();
    QStringList statuses;
    connect(&h.upload->m_run, &RunHost::Status, this, [&](const QString& text) { statuses << text; });
    bool disabledWhileRunning = true;
    connect(&h.upload->m_run, &RunHost::Progress, this, [&] {
        disabledWhileRunning = disabledWhileRunning && !h.Button()->isEnabled();
        auto* dialog = h.upload->window()->findChild<CPrograss*>();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Nivora"));
    });
    h.Download();
    QCOMPARE(h.page.fake.boxes.Texts(), (Texts{kConfirm, kComplete}));
    QCOMPARE(h.page.fake.boxes.shown[0].flags, 0x24u);
    QCOMPARE(h.page.fake.boxes.shown[1].flags, 0x30u);
    QVERIFY(disabledWhileRunning);
    // The erase wait, then 10 ms after every piece: 512 + 88, 512 + 0, 512 + 32.
    const std::vector<int> windowPauses = h.page.pauses.Sleeps();
    QCOMPARE(windowPauses, (std::vector<int>{3500, 10, 10, 10, 10, 10, 10}));
    QCOMPARE(statuses, (QStringList{"Erasing...", "Updating(0/1160)...b.bmp", "Updating(512/1160)...b.bmp",
                                    "Updating(600/1160)...b.bmp", "Updating(600/1160)...c.bmp",
                                    "Updating(1112/1160)...c.bmp", "Updating(1112/1160)...c.bmp",
                                    "Updating(1112/1656)...a.bmp", "Updating(1624/1656)...a.bmp",
                                    "Updating(1656/1656)...a.bmp"}));
    QCOMPARE(h.page.CurrentSession().m_list.Stored(), (std::vector<StoredLogo>{{b}, {c}, {a, true}}));
    QTRY_VERIFY(!h.upload->window()->findChild<CPrograss*>());
    // Check and reset, FS q 3, three headers, 600 + (248 + 24) * 2 + 512 raster bytes.
    QVERIFY(h.printer.WaitForBytes(5 + 3 + 3 * 4 + 600 + 544 + 512));
    const Bytes window = h.printer.Bytes();
    QCOMPARE(DecodeStream(window).definitions[2].WidthDots(), 272); // a behind 248 blank columns

    h.printer.Clear();
    ManualClock cliClock;
    platform::Context cliContext = h.page.CurrentSession().m_context;
    cliContext.clock = &cliClock;
    const int status = cli::Registry::Find("download")
                           ->Run(cliContext, {"-p", "COM1", "-t", "128", "-w", "512", "-c", "3", b, c, a});
    QCOMPARE(status, 0);
    QVERIFY(h.printer.WaitForBytes(window.size()));
    QCOMPARE(h.printer.Bytes(), window);
    QCOMPARE(cliClock.Sleeps(), windowPauses);

    statuses.clear();
    h.Download();
    QCOMPARE(statuses.back(), QStringLiteral("Updating(1656/1656)...a.bmp"));
}

// A network printer that stops reading in the middle of an image: the dialog says it
// takes no data, a timer on the window's thread keeps firing every 16 ms while the run
// waits on it (the run never ends by itself: only a tick's Cancel can end it), and
// Cancel ends the run within 200 ms of the job's clock, with no box and the stored list
// untouched.
void TestDownloadRun::theWindowKeepsPaintingAndCancelEndsAStalledRun()
{
    DownloadHarness h;
    ManualClock clock; // the link's waits pass without real time
    platform::Context& context = h.page.CurrentSession().m_context;
    context.clock = &clock;
    context.stallLimit = std::chrono::minutes(10); // the printer is never given up on by itself
    FakeNetPrinter network({.receiveBuffer = 4096});
    network.StallAfter(3 + 5 + 3 + 4 + 4000);
    h.Settings().m_strPortDevice = "NET:" + network.Address();
    h.List("big.bmp", 2048, 160, 1); // 40960 bytes of raster
    h.Show();

    // From the moment the printer is known to take nothing, the window's timer ticks;
    // after ten ticks the user presses Cancel.
    QString shown;
    std::chrono::milliseconds cancelledAt{0}, endedAt{0};
    int ticks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [&] {
        if (++ticks != 10)
            return;
        auto* dialog = h.upload->window()->findChild<CPrograss*>();
        shown = dialog->m_status->text(); // what the user sees before pressing Cancel
        cancelledAt = clock.Elapsed();
        dialog->findChild<QPushButton*>(QStringLiteral("button2"))->click();
    });
    connect(&h.upload->m_run, &RunHost::NotTakingData, this, [&] {
        if (!tick.isActive())
            tick.start(16);
    });
    connect(&h.upload->m_run, &RunHost::RunningChanged, this, [&](bool running) {
        if (!running)
            endedAt = clock.Elapsed();
    });
    h.Download();
    tick.stop();

    QVERIFY2(shown.startsWith(QStringLiteral("The printer is not taking data")), qPrintable(shown));
    QVERIFY2(shown.endsWith(QStringLiteral("Cancel ends the download.")), qPrintable(shown));
    QVERIFY(ticks >= 10);
    // That the ticks came at all while the run waited, and that Cancel reached it, shows
    // the window free (how evenly is the machine's to give, not the test's to judge).
    QVERIFY(endedAt - cancelledAt < std::chrono::milliseconds(200));
    QCOMPARE(h.page.fake.boxes.Texts(), (Texts{kConfirm})); // no error, no completion
    QVERIFY(h.page.CurrentSession().m_list.Stored().empty());
}

QTEST_MAIN(TestDownloadRun)
#include "test_downloadrun.moc"
