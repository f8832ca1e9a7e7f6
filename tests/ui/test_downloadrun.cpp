// The Download page and its button's run: the page's controls and shared list, the
// confirmation, the port, the progress dialog with its steps, pauses and stops, what
// the printer (or the output file) receives, and the stored list of logo files after.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/file.h>
#include <unistd.h>

#include "app/Session.h"
#include "ui/Prograss.h"
#include "download/StreamDecoder.h"
#include "logo/StoredList.h"
#include "platform/MessageBox.h"
#include "platform/Wait.h"
#include "tests/support/BmpWriter.h"
#include "tools/cli/Command.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/VirtualClock.h"
#include "tests/ui/support/PageHarness.h"
#include "ui/Page3Upload.h"
#include "ui/PropertySheet.h"

using namespace testing_support;
using Bytes = std::vector<uint8_t>;
using Texts = std::vector<std::string>;

namespace {

// The virtual clock with a hook that runs at every pause, before the pause is taken;
// the hook sees the running progress dialog (null outside a run).
class HookedClock final : public platform::Waiter {
public:
    explicit HookedClock(VirtualClock& clock) : m_clock(clock) {}
    void Sleep(int ms) override
    {
        if (onSleep)
            onSleep(ms, qobject_cast<CPrograss*>(QApplication::activeModalWidget()));
        m_clock.Sleep(ms);
    }
    void KeepAlive() override
    {
        if (onKeepAlive)
            onKeepAlive(qobject_cast<CPrograss*>(QApplication::activeModalWidget()));
        m_clock.KeepAlive();
    }
    std::function<void(int ms, CPrograss* dialog)> onSleep;
    std::function<void(CPrograss* dialog)> onKeepAlive; // while a port operation waits

private:
    VirtualClock& m_clock;
};

// The Download page as the program hosts it (after the Selection and Preview pages),
// with a virtual serial printer as COM1 and the virtual clock.
struct DownloadHarness {
    DownloadHarness()
    {
        platform::SetWaiter(&clock);
        Settings().m_nThreshold = 128;
        Settings().m_strPortDevice = "COM1";
        Settings().m_dwBaudRate = 115200;
        Settings().m_byByteSize = 8;
        root.Link("ttyS0", printer.Path());
    }
    ~DownloadHarness() { platform::SetWaiter(&page.fake.clock); }

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
    void UseFile(const std::string& name) // "Print To File", the name typed in its dialog
    {
        Settings().m_nPortType = 2;
        Settings().m_strPortDevice = "FILE";
        page.fake.files.outputChoices.push_back({true, {name}});
    }
    // Presses Download; the run (dialog included) is over when it returns.
    void Download() { upload->findChild<QPushButton*>(QStringLiteral("button1023"))->click(); }
    std::string Key(int number)
    {
        return page.CurrentSession().Profile().GetProfileString(kLogSection, LogoFileKey(number));
    }

    PageHarness page; // brings the fake platform, the working folder and the app
    FakeDeviceRoot root{page.CurrentSession().m_context};
    FakePrinter printer;
    HookedClock clock{page.fake.clock};
    CPage3Upload* upload = nullptr;
};

const char* const kConfirm = "All bit image files are written in the NV Graphics memory of the printer.";
const char* const kComplete = "Complete the NV bit image definition.\r\nPlease wait some paper feed.";
const char* const kNotTransmitted = "Communication error. Can not transimitted.";

// Five logos, numbered 5 down to 1, and an older stored list of two files (which
// start-up counted as stored in the printer).
void ListFive(DownloadHarness& h, int size = 8)
{
    h.page.StoreProfile({"/old/one.bmp", "/old/two.bmp"});
    h.page.CurrentSession().m_nProfileCount = 2;
    for (int i = 0; i < 5; ++i)
        h.List("l" + std::to_string(i) + ".bmp", size, size, 5 - i);
}

void ExpectOldKeys(DownloadHarness& h)
{
    QCOMPARE((Texts{h.Key(1), h.Key(2), h.Key(3)}), (Texts{"/old/one.bmp", "/old/two.bmp", ""}));
    QCOMPARE(h.page.CurrentSession().m_nProfileCount, 2);
}

} // namespace

class TestDownloadRun : public QObject {
    Q_OBJECT
private slots:
    void threeLogosGoInLogoNumberOrderAndTheProfileFollows();
    void stopsBetweenImages_data();
    void stopsBetweenImages();
    void cancelWorksWhileThePrinterTakesNothing();
    void runsThatEndBeforeTheImages_data();
    void runsThatEndBeforeTheImages();
    void anEmptyListDeletesAllImages();
    void aFileUnreadableAtDownloadTimeIsSentEmptyAndNamedAfterwards();
    void theWindowAndTheCommandLineSendTheSameBytesAndPauses();
};

// The status line counts the bytes of the run, the blank columns of a centred logo
// joining the total once its turn comes; a second download of the same list counts the
// same total.
void TestDownloadRun::threeLogosGoInLogoNumberOrderAndTheProfileFollows()
{
    DownloadHarness h;
    const std::string a = h.List("a.bmp", 20, 10, 3);  // centred: 248 blank columns of 2 bytes
    const std::string b = h.List("b.bmp", 200, 24, 1); // 600 bytes: two pieces
    const std::string c = h.List("c.bmp", 64, 64, 2);  // 512 bytes: a full and an empty piece
    h.page.CurrentSession().m_list.SetCentre(0, true);
    h.Settings().m_nMaxPrintWidth = 512;
    h.Show();
    QStringList statuses;
    std::vector<int> bar;
    h.clock.onSleep = [&](int, CPrograss* dialog) {
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Nivora"));
        statuses << dialog->findChild<QLabel*>(QStringLiteral("static1057"))->text();
        auto* progress = dialog->findChild<QProgressBar*>(QStringLiteral("progress1069"));
        QCOMPARE(progress->maximum(), 11); // 1160 bytes / 100
        bar.push_back(progress->value());
    };
    for (int run = 0; run < 2; ++run) {
        statuses.clear();
        bar.clear();
        h.page.fake.boxes.shown.clear();
        h.page.fake.clock.sleeps.clear();
        h.Download();
        QCOMPARE(h.page.fake.boxes.Texts(), (Texts{kConfirm, kComplete}));
        QCOMPARE(h.page.fake.boxes.shown[0].flags, 0x24u);
        QCOMPARE(h.page.fake.boxes.shown[1].flags, 0x30u);
        // The erase wait, then 10 ms after every piece: 512 + 88, 512 + 0, 512 + 32.
        QCOMPARE(h.page.fake.clock.sleeps, (std::vector<int>{3500, 10, 10, 10, 10, 10, 10}));
        QCOMPARE(statuses,
                 (QStringList{"Erasing...", "Updating(512/1160)...b.bmp", "Updating(600/1160)...b.bmp",
                              "Updating(1112/1160)...c.bmp", "Updating(1112/1160)...c.bmp",
                              "Updating(1624/1656)...a.bmp", "Updating(1656/1656)...a.bmp"}));
        QCOMPARE(bar, (std::vector<int>{0, 5, 6, 11, 11, 11, 11}));
    }
    QCOMPARE((Texts{h.Key(1), h.Key(2), h.Key(3), h.Key(4)}), (Texts{b, c, a, ""}));
    QCOMPARE(h.page.CurrentSession().m_list.Stored(), (std::vector<StoredLogo>{{b}, {c}, {a, true}}));
    QVERIFY(!h.upload->m_port.IsOpen());
}

void TestDownloadRun::stopsBetweenImages_data()
{
    QTest::addColumn<bool>("box");
    QTest::addColumn<int>("after");
    QTest::addColumn<std::vector<int>>("sleeps");
    QTest::newRow("cancel during the erase wait") << false << 0 << std::vector<int>{3500, 0};
    QTest::newRow("cancel after 2 of 5") << false << 2 << std::vector<int>{3500, 10, 10, 0};
    QTest::newRow("cancel after 4 of 5") << false << 4 << std::vector<int>{3500, 10, 10, 10, 10, 0};
    // The settle wait of twice the image's size comes inside image 2's pause, and once
    // more after the groups.
    QTest::newRow("a box over the dialog") << true << 2 << std::vector<int>{3500, 10, 16, 10, 8};
}

// Cancel, or any box over the running dialog, stops the run between images: the
// images begun went out whole, then one group more than the definitions still owed,
// and the stored list stays as it was.
void TestDownloadRun::stopsBetweenImages()
{
    QFETCH(bool, box);
    QFETCH(int, after);
    QFETCH(std::vector<int>, sleeps);
    DownloadHarness h;
    ListFive(h);
    h.Show();
    bool done = false;
    h.clock.onSleep = [&](int ms, CPrograss* dialog) {
        if (done || !dialog || dialog->m_nDefined != after || (box && ms != 10))
            return;
        done = true;
        if (box)
            platform::AfxMessageBox("Another program wants attention.", platform::MB_ICONEXCLAMATION);
        else // a click waits in the queue while a step runs
            QMetaObject::invokeMethod(dialog->findChild<QPushButton*>(QStringLiteral("button2")),
                                      &QPushButton::click, Qt::QueuedConnection);
    };
    h.Download();

    QCOMPARE(h.page.fake.boxes.Texts().size(), size_t{box ? 2u : 1u});
    QCOMPARE(h.page.fake.clock.sleeps, sleeps);
    const size_t sent = 5 + 3 + static_cast<size_t>(after) * 12, groups = 5 - static_cast<size_t>(after) + 1;
    h.printer.WaitForBytes(sent + 4 * groups);
    const Bytes bytes = h.printer.Bytes();
    QCOMPARE(bytes.size(), sent + 4 * groups);
    QCOMPARE(Bytes(bytes.begin() + static_cast<long>(sent), bytes.end()), Bytes(4 * groups, 0));
    ExpectOldKeys(h);
    QVERIFY(!h.upload->m_port.IsOpen());
}

// The printer stops in the middle of an image and stays stopped (far inside the stall
// limit): the status line says so, Cancel ends the run inside the step, and nothing
// more is sent or reported.
void TestDownloadRun::cancelWorksWhileThePrinterTakesNothing()
{
    DownloadHarness h;
    h.page.CurrentSession().m_context.writeTimeoutPerByte = std::chrono::minutes(10);
    h.page.CurrentSession().m_context.stallLimit = std::chrono::minutes(10);
    h.page.CurrentSession().m_context.slowPrinterAfter = std::chrono::milliseconds(50);
    ListFive(h);
    h.List("big.bmp", 512, 400, 6); // 25600 bytes of raster, sent last
    h.printer.StallAfter(3 + 2 + 3 + 5 * (4 + 8) + 4 + 1000);
    h.Show();
    QString shown;
    h.clock.onKeepAlive = [&](CPrograss* dialog) {
        const QString status =
            dialog ? dialog->findChild<QLabel*>(QStringLiteral("static1057"))->text() : QString();
        if (!shown.isEmpty() || !status.startsWith(QStringLiteral("The printer is not taking data")))
            return;
        shown = status;
        // Delivered inside the wait, where the dialog lets only Cancel through.
        QTimer::singleShot(0, dialog, [&h, dialog] {
            QTest::mouseClick(h.upload->findChild<QPushButton*>(QStringLiteral("button1023")),
                              Qt::LeftButton);
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("button2")), Qt::LeftButton);
        });
    };
    h.Download();

    QVERIFY2(shown.startsWith(QStringLiteral("The printer is not taking data")), qPrintable(shown));
    QCOMPARE(h.page.fake.boxes.Texts(), (Texts{kConfirm})); // one run, no error, no completion
    ExpectOldKeys(h);
    QVERIFY(!h.upload->m_port.IsOpen());
}

void TestDownloadRun::runsThatEndBeforeTheImages_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("logo"); // 0 none, 1 a small one, 2 one FS q cannot define (289 units down)
    QTest::addColumn<bool>("held");
    QTest::addColumn<QString>("message"); // empty: the user said No
    QTest::newRow("the user says no") << "COM1" << 1 << false << "";
    QTest::newRow("a file FS q cannot take") << "COM1" << 2 << false << "tall.bmp";
    QTest::newRow("no such port") << "COM7" << 1 << false << "ERROR[2] - Open port or file.";
    QTest::newRow("held by another program") << "COM1" << 1 << true << "ERROR[11] - Open port or file.";
    QTest::newRow("parallel port") << "LPT1" << 1 << false << "ERROR - Open port.";
    QTest::newRow("empty list") << "COM7" << 0 << false << "ERROR - Open port.";
    // An output file the disk takes nothing of: FS q n fails, the error box closes
    // the dialog, and the erase wait is still kept.
    QTest::newRow("FS q n fails") << "FILE" << 1 << false << kNotTransmitted;
}

void TestDownloadRun::runsThatEndBeforeTheImages()
{
    QFETCH(QString, device);
    QFETCH(int, logo);
    QFETCH(bool, held);
    QFETCH(QString, message);
    DownloadHarness h;
    h.Settings().m_strPortDevice = device.toStdString();
    h.Settings().m_nPortType = device.startsWith("LPT") ? 1 : 0;
    if (device == "FILE")
        h.UseFile(h.page.work.File("out.prn"));
    if (logo)
        h.List(logo == 1 ? "a.bmp" : "tall.bmp", 8, logo == 1 ? 8 : 2312, 1);
    const int holder = ::open(h.printer.Path().c_str(), O_RDWR | O_NOCTTY);
    QVERIFY(holder >= 0);
    if (held)
        QCOMPARE(::flock(holder, LOCK_EX | LOCK_NB), 0);
    h.Show();
    if (message.isEmpty())
        h.page.fake.boxes.Answer(platform::IDNO);
    // A disk that takes no more: not a byte of the output file can be written.
    rlimit unlimited{};
    ::getrlimit(RLIMIT_FSIZE, &unlimited);
    const rlimit full{0, unlimited.rlim_max};
    ::signal(SIGXFSZ, SIG_IGN);
    if (device == "FILE")
        ::setrlimit(RLIMIT_FSIZE, &full);
    h.Download();
    ::setrlimit(RLIMIT_FSIZE, &unlimited);
    ::close(holder);
    if (device == "FILE")
        QCOMPARE(h.upload->findChild<QLineEdit*>(QStringLiteral("edit1077"))->text(),
                 QStringLiteral("To File"));

    const Texts texts = h.page.fake.boxes.Texts();
    QCOMPARE(texts.size(), size_t{message.isEmpty() ? 1u : 2u});
    if (!message.isEmpty()) {
        QVERIFY2(QString::fromStdString(texts[1]).contains(message), texts[1].c_str());
        QCOMPARE(h.page.fake.boxes.shown[1].flags, 0x30u);
    }
    QCOMPARE(h.page.fake.clock.sleeps, (device == "FILE" ? std::vector<int>{3500} : std::vector<int>{}));
    QCOMPARE(h.printer.Requests(), 0);
    QVERIFY(h.printer.Bytes().empty());
    QVERIFY(!h.upload->m_port.IsOpen());
}

void TestDownloadRun::anEmptyListDeletesAllImages()
{
    DownloadHarness h;
    h.Show();
    // The page shows the empty list's counters, and its button still works.
    QCOMPARE(h.upload->findChild<QLineEdit*>(QStringLiteral("edit1075"))->text(),
             QStringLiteral("  0 / 255"));
    QCOMPARE(h.upload->findChild<QLineEdit*>(QStringLiteral("edit1074"))->text(),
             QStringLiteral("  0 / 384 KByte"));
    h.page.fake.boxes.Answer(platform::IDNO);
    h.Download();
    h.Download();

    const auto& shown = h.page.fake.boxes.shown;
    QCOMPARE(shown.size(), size_t{2}); // the question twice, nothing after it
    QCOMPARE(shown[0].text,
             std::string("No file selected. \r\nThis work delete all bitmap image in your printer."));
    QCOMPARE(shown[0].flags, 0x04u);
    h.printer.WaitForBytes(12);
    QCOMPARE(h.printer.Bytes(), (Bytes{0x1D, 0x49, 0x01, 0x1B, 0x40, 0x1C, 0x71, 0x01, 0, 0, 0, 0}));
    QVERIFY(h.page.fake.clock.sleeps.empty());
    QVERIFY(!h.upload->m_port.IsOpen());
}

// A file gone while the run is on keeps its place as an empty definition, so the images
// after it keep their numbers; it is named with its NV number once the run is over.
void TestDownloadRun::aFileUnreadableAtDownloadTimeIsSentEmptyAndNamedAfterwards()
{
    DownloadHarness h;
    h.List("a.bmp", 8, 8, 2);
    const std::string b = h.List("b.bmp", 8, 8, 3);
    const std::string c = h.List("c.bmp", 16, 8, 1);
    h.Show();
    std::vector<std::pair<int, int>> bars; // maximum, value
    h.clock.onSleep = [&](int ms, CPrograss* dialog) {
        auto* progress = dialog->findChild<QProgressBar*>(QStringLiteral("progress1069"));
        bars.emplace_back(progress->maximum(), progress->value());
        if (ms == 10)
            std::remove(b.c_str());
    };
    h.Download();
    // 32 bytes in all: the range 0 ... 0 shows an empty bar, not a busy one.
    QCOMPARE(bars, (std::vector<std::pair<int, int>>(4, {1, 0})));

    h.printer.WaitForBytes(5 + 3 + 20 + 12 + 4);
    const DecodedStream stream = DecodeStream(h.printer.Bytes());
    QCOMPARE(stream.definitions.size(), size_t{3});
    QCOMPARE(stream.definitions[0].WidthDots(), 16); // c, logo 1
    QCOMPARE(stream.definitions[2].xUnits, 0);
    const Texts texts = h.page.fake.boxes.Texts();
    QCOMPARE(texts.size(), size_t{3});
    QCOMPARE(texts[1], std::string(kComplete));
    QVERIFY(texts[2].find("NV image 3: " + b) != std::string::npos);
    QCOMPARE((Texts{h.Key(1), h.Key(3)}), (Texts{c, b}));
}

// The download protocol exists once: the window's run and nivora-cli's run of the same
// logos (one centred, one that needs two pieces, one a full and an empty piece) put the
// same bytes on the same port with the same pauses.
void TestDownloadRun::theWindowAndTheCommandLineSendTheSameBytesAndPauses()
{
    DownloadHarness h;
    const std::string a = h.List("a.bmp", 200, 24, 1);
    const std::string b = h.List("b.bmp", 20, 10, 2);
    const std::string c = h.List("c.bmp", 64, 64, 3);
    h.Show();
    h.page.CurrentSession().m_list.SetCentre(1, true);
    h.Settings().m_nMaxPrintWidth = 512;
    h.Download();
    QCOMPARE(h.page.fake.boxes.Texts(), (Texts{kConfirm, kComplete}));
    const Bytes total = {0x1D, 0x49, 0x01, 0x1B, 0x40};
    // Check and reset, FS q 3, three headers, 600 + (248 + 24) * 2 + 512 raster bytes.
    QVERIFY(h.printer.WaitForBytes(5 + 3 + 3 * 4 + 600 + 544 + 512));
    const Bytes window = h.printer.Bytes();
    const std::vector<int> windowPauses = h.page.fake.clock.sleeps;

    h.printer.Clear();
    ManualClock cliClock;
    platform::Context cliContext = h.page.CurrentSession().m_context;
    cliContext.clock = &cliClock;
    const int status = cli::Registry::Find("download")
                           ->Run(cliContext, {"-p", "COM1", "-t", "128", "-w", "512", "-c", "2", a, b, c});
    QCOMPARE(status, 0);
    QVERIFY(h.printer.WaitForBytes(window.size()));
    QCOMPARE(h.printer.Bytes(), window);
    QCOMPARE(cliClock.Sleeps(), windowPauses);
    QVERIFY(std::equal(total.begin(), total.end(), window.begin()));
    QCOMPARE(DecodeStream(window).definitions[1].WidthDots(), 272); // b behind 248 blank columns
}

QTEST_MAIN(TestDownloadRun)
#include "test_downloadrun.moc"
