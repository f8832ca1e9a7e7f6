// The Download button's run: the confirmation, the port, the progress dialog with its
// steps, pauses and stops, what the printer (or the output file) receives, and the
// stored list of logo files afterwards.
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

#include "app/SharedRecord.h"
#include "download/Prograss.h"
#include "platform/MessageBox.h"
#include "tests/ui/support/DownloadHarness.h"
#include "ui/Page3Upload.h"

using namespace testing_support;
using Bytes = std::vector<uint8_t>;

namespace {

const char* const kConfirm = "All bit image files are written in the NV Graphics memory of the printer.";
const char* const kComplete = "Complete the NV bit image definition.\r\nPlease wait some paper feed.";
const char* const kNotTransmitted = "Communication error. Can not transimitted.";

using Pattern = std::function<bool(int, int)>;
const Pattern kDiagonal = [](int x, int y) { return (x + y) % 5 == 0; };
const Pattern kChecker = [](int x, int y) { return (x / 3 + y / 3) % 2 == 0; };
const Pattern kFrame = [](int x, int y) { return x == 0 || y == 0 || x == 63 || y == 63 || x == y; };

std::vector<StreamEventKind> Kinds(const DecodedStream& stream)
{
    std::vector<StreamEventKind> kinds;
    for (const StreamEvent& event : stream.events)
        kinds.push_back(event.kind);
    return kinds;
}

// Queues a click on the dialog's Cancel button, as a user's click waits in the queue
// while a step runs.
void QueueCancel(CPrograss* dialog)
{
    QPushButton* cancel = dialog->findChild<QPushButton*>(QStringLiteral("button2"));
    QMetaObject::invokeMethod(cancel, &QPushButton::click, Qt::QueuedConnection);
}

// Five logos, numbered 5 down to 1, and an older stored list of two files (which
// start-up counted as stored in the printer).
void ListFive(DownloadHarness& h, int size = 8)
{
    h.page.StoreProfile({"/old/one.bmp", "/old/two.bmp"});
    g_Shared.m_nProfileCount = 2;
    g_Shared.m_nStoredCount = 2;
    for (int i = 0; i < 5; ++i)
        h.List(h.Logo("l" + std::to_string(i) + ".bmp", size, size, kDiagonal), 5 - i);
}

void ExpectOldKeys(DownloadHarness& h)
{
    QCOMPARE(h.Key(1), std::string("/old/one.bmp"));
    QCOMPARE(h.Key(2), std::string("/old/two.bmp"));
    QCOMPARE(h.Key(3), std::string());
    QCOMPARE(g_Shared.m_nProfileCount, 2);
}

// The bytes after the last image record that went out whole.
Bytes Tail(const Bytes& bytes, size_t from)
{
    return Bytes(bytes.begin() + static_cast<long>(from), bytes.end());
}

} // namespace

class TestDownloadRun : public QObject {
    Q_OBJECT
private slots:
    void threeLogosGoInLogoNumberOrderAndTheProfileFollows();
    void oneLogoDeletesTheStaleKeys();
    void cancelBetweenImages_data();
    void cancelBetweenImages();
    void aBoxOverTheDialogStopsTheRun();
    void aPrinterThatStopsTakingDataEndsTheRun();
    void aFailedDefineEndsTheRunAfterTheEraseWait();
    void portsThatCannotBeOpened_data();
    void portsThatCannotBeOpened();
    void anEmptyListDeletesAllImages();
    void printToFile_data();
    void printToFile();
    void aFileUnreadableAtDownloadTimeIsSentEmptyAndNamedAfterwards();
    void nothingIsOpenedWhenTheUserOrAFileSaysNo();
    void aProfileThatCannotBeWrittenIsReported();
};

void TestDownloadRun::threeLogosGoInLogoNumberOrderAndTheProfileFollows()
{
    DownloadHarness h;
    const std::string a = h.Logo("a.bmp", 20, 10, kDiagonal);
    const std::string b = h.Logo("b.bmp", 200, 24, kChecker); // 600 bytes: two pieces
    const std::string c = h.Logo("c.bmp", 64, 64, kFrame);    // 512 bytes: a full and an empty piece
    h.List(a, 3);
    h.List(b, 1);
    h.List(c, 2);
    h.Show();

    QStringList statuses;
    std::vector<int> bar;
    bool dialogChecked = false;
    h.clock.onSleep = [&](int, CPrograss* dialog) {
        QVERIFY(dialog);
        statuses << dialog->findChild<QLabel*>(QStringLiteral("static1057"))->text();
        auto* progress = dialog->findChild<QProgressBar*>(QStringLiteral("progress1069"));
        bar.push_back(progress->value());
        if (dialogChecked)
            return;
        dialogChecked = true;
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Nivora"));
        QCOMPARE(progress->maximum(), 11); // 1160 bytes / 100
        for (const char* name : {"timer1", "timer2"}) {
            auto* timer = dialog->findChild<QTimer*>(QString::fromLatin1(name));
            QVERIFY(timer);
            QCOMPARE(timer->interval(), 10);
            QVERIFY(timer->isSingleShot());
        }
    };
    h.Download();

    QCOMPARE(h.page.fake.boxes.Texts(), (std::vector<std::string>{kConfirm, kComplete}));
    QCOMPARE(h.page.fake.boxes.shown[0].flags, 0x24u);
    QCOMPARE(h.page.fake.boxes.shown[1].flags, 0x30u);
    // The erase wait, then 10 ms after every piece: 512 + 88, 512 + 0, 48.
    QCOMPARE(h.page.fake.clock.sleeps, (std::vector<int>{3500, 10, 10, 10, 10, 10}));
    QCOMPARE(statuses, (QStringList{"Erasing...", "Updating(512/1160)...b.bmp", "Updating(600/1160)...b.bmp",
                                    "Updating(1112/1160)...c.bmp", "Updating(1112/1160)...c.bmp",
                                    "Updating(1160/1160)...a.bmp"}));
    QCOMPARE(bar, (std::vector<int>{0, 5, 6, 11, 11, 11}));

    const DecodedStream stream = h.Received(5 + 3 + 3 * 4 + 600 + 512 + 48);
    QVERIFY(stream.complete);
    QCOMPARE(Kinds(stream),
             (std::vector<StreamEventKind>{StreamEventKind::PrinterIdRequest, StreamEventKind::Initialize,
                                           StreamEventKind::DefineNvImages, StreamEventKind::NvImageRecord,
                                           StreamEventKind::NvImageRecord, StreamEventKind::NvImageRecord}));
    QCOMPARE(stream.events[2].value, 3);
    QCOMPARE(stream.definitions.size(), size_t{3});
    QVERIFY(stream.definitions[0].Dots() == DownloadHarness::Expected(200, 24, kChecker));
    QVERIFY(stream.definitions[1].Dots() == DownloadHarness::Expected(64, 64, kFrame));
    QVERIFY(stream.definitions[2].Dots() == DownloadHarness::Expected(20, 10, kDiagonal));

    QCOMPARE(h.Key(1), b);
    QCOMPARE(h.Key(2), c);
    QCOMPARE(h.Key(3), a);
    QCOMPARE(h.Key(4), std::string());
    QCOMPARE(g_Shared.m_nProfileCount, 3);
    QCOMPARE(g_Shared.m_nStoredCount, 3);
    QCOMPARE(g_Shared.m_nJobCount, 3);
    QCOMPARE(std::vector<int>(g_Shared.m_arrDownloadOrder.begin(), g_Shared.m_arrDownloadOrder.begin() + 4),
             (std::vector<int>{1, 2, 0, 0}));
    QVERIFY(!h.upload->m_hPort.IsOpen());

    // The next start-up lists exactly these files, numbered as the printer holds them.
    h.page.app.ShutDown();
    h.page.app.LoadStoredList();
    QCOMPARE(g_Shared.m_arrPath, (std::vector<std::string>{b, c, a}));
    QCOMPARE(g_Shared.m_arrNumber, (std::vector<std::string>{"  1", "  2", "  3"}));
}

void TestDownloadRun::oneLogoDeletesTheStaleKeys()
{
    DownloadHarness h;
    std::string profile = "[LOG]\r\n";
    for (int i = 1; i <= 6; ++i)
        profile += "Logofile" + std::to_string(i) + "=/old/" + std::to_string(i) + ".bmp\r\n";
    h.page.work.Write(h.page.app.m_strProfileBase, profile + "[Other]\r\nKeep=yes\r\n");
    g_Shared.m_nProfileCount = 6;
    const std::string logo = h.Logo("one.bmp", 8, 8, kDiagonal);
    h.List(logo, 4);
    h.Show();
    std::vector<std::pair<int, int>> bars; // maximum, value
    h.clock.onSleep = [&](int, CPrograss* dialog) {
        auto* progress = dialog->findChild<QProgressBar*>(QStringLiteral("progress1069"));
        bars.emplace_back(progress->maximum(), progress->value());
    };
    h.Download();
    // 8 bytes in all: the range 0 ... 0 shows an empty bar, not a busy one.
    QCOMPARE(bars, (std::vector<std::pair<int, int>>{{1, 0}, {1, 0}}));

    QCOMPARE(h.Received(5 + 3 + 4 + 8).events[2].value, 1);
    QCOMPARE(h.Key(1), logo);
    for (int i = 2; i <= 6; ++i)
        QCOMPARE(h.Key(i), std::string());
    QCOMPARE(h.page.app.Profile().GetProfileString("Other", "Keep"), std::string("yes"));
    QCOMPARE(g_Shared.m_nProfileCount, 1);
}

void TestDownloadRun::cancelBetweenImages_data()
{
    QTest::addColumn<int>("after");
    QTest::addColumn<int>("groups");
    QTest::newRow("during the erase wait") << 0 << 6;
    QTest::newRow("after 2 of 5") << 2 << 4;
    QTest::newRow("after 4 of 5") << 4 << 2;
}

// Cancel takes effect between images: the images begun went out whole, then one group
// more than the definitions still owed, and the stored list stays as it was.
void TestDownloadRun::cancelBetweenImages()
{
    QFETCH(int, after);
    QFETCH(int, groups);
    DownloadHarness h;
    ListFive(h);
    h.Show();
    bool queued = false;
    h.clock.onSleep = [&](int, CPrograss* dialog) {
        if (!queued && dialog && dialog->m_nDefined == after) {
            queued = true;
            QueueCancel(dialog);
        }
    };
    h.Download();

    QCOMPARE(g_Shared.m_nStoredCount, after);
    const size_t sent = 5 + 3 + static_cast<size_t>(after) * 12;
    h.printer.WaitForBytes(sent + 4 * static_cast<size_t>(groups));
    const Bytes bytes = h.printer.Bytes();
    QCOMPARE(bytes.size(), sent + 4 * static_cast<size_t>(groups));
    QCOMPARE(Tail(bytes, sent), Bytes(4 * static_cast<size_t>(groups), 0));
    const DecodedStream stream = DecodeStream(bytes);
    QCOMPARE(stream.definitions.size(), size_t{5});
    for (int i = 0; i < 5; ++i)
        QCOMPARE(stream.definitions[static_cast<size_t>(i)].xUnits, i < after ? 1 : 0);
    QCOMPARE(h.page.fake.boxes.Texts(), std::vector<std::string>{kConfirm});
    QCOMPARE(h.page.fake.clock.sleeps.back(), 0); // the Cancel button leaves nothing to settle
    ExpectOldKeys(h);
    QVERIFY(!h.upload->m_hPort.IsOpen());
}

// Any box over the running dialog ends the run as a stop: the printer gets twice the
// image's size in milliseconds to settle, then the completion groups, then once more.
void TestDownloadRun::aBoxOverTheDialogStopsTheRun()
{
    DownloadHarness h;
    ListFive(h);
    h.Show();
    bool shown = false;
    h.clock.onSleep = [&](int ms, CPrograss* dialog) {
        if (!shown && ms == 10 && dialog && dialog->m_nDefined == 2) {
            shown = true;
            platform::AfxMessageBox("Another program wants attention.", platform::MB_ICONEXCLAMATION);
        }
    };
    h.Download();

    QCOMPARE(h.page.fake.boxes.Texts(),
             (std::vector<std::string>{kConfirm, "Another program wants attention."}));
    const std::vector<int>& sleeps = h.page.fake.clock.sleeps;
    // 3500, image 1's pause, the settle wait inside image 2's pause, that pause, and the
    // wait after the groups.
    QCOMPARE(sleeps, (std::vector<int>{3500, 10, 16, 10, 8}));
    const size_t sent = 5 + 3 + 2 * 12;
    h.printer.WaitForBytes(sent + 16);
    QCOMPARE(h.printer.Bytes().size(), sent + 16);
    QCOMPARE(Tail(h.printer.Bytes(), sent), Bytes(16, 0));
    ExpectOldKeys(h);
}

// The printer stops taking data: the pieces still due time out unnoticed, the serial
// write time-out ends the next header write, the error box closes the dialog, and
// nothing more is sent or asked.
void TestDownloadRun::aPrinterThatStopsTakingDataEndsTheRun()
{
    DownloadHarness h;
    ScopedWriteTimeout timeout(std::chrono::milliseconds(1));
    ListFive(h, 64); // 512 bytes each: more than the line still takes once it is full
    h.Show();
    h.clock.onSleep = [&](int ms, CPrograss* dialog) {
        if (ms == 10 && dialog && dialog->m_nDefined == 1)
            h.printer.Stall();
    };
    QElapsedTimer clock;
    clock.start();
    h.Download();

    QVERIFY2(clock.elapsed() < 10000, "the run must end by the time-out");
    QCOMPARE(h.page.fake.boxes.Texts(), (std::vector<std::string>{kConfirm, kNotTransmitted}));
    QCOMPARE(h.page.fake.boxes.shown[1].flags, 0x30u);
    QVERIFY(g_Shared.m_nStoredCount >= 2 && g_Shared.m_nStoredCount < 5);
    ExpectOldKeys(h);
    QVERIFY(!h.upload->m_hPort.IsOpen());
}

// An output "file" that takes nothing (/dev/full): FS q n fails, the error box closes
// the dialog, the erase wait is still kept, and nothing follows.
void TestDownloadRun::aFailedDefineEndsTheRunAfterTheEraseWait()
{
    DownloadHarness h;
    h.UseFile();
    h.page.fake.files.outputChoices.push_back({true, {"/dev/full"}});
    ListFive(h);
    h.Show();
    h.Download();

    QCOMPARE(h.page.fake.boxes.Texts(), (std::vector<std::string>{kConfirm, kNotTransmitted}));
    QCOMPARE(h.page.fake.clock.sleeps, std::vector<int>{3500});
    QCOMPARE(g_Shared.m_nStoredCount, 2);
    ExpectOldKeys(h);
    QVERIFY(!h.upload->m_hPort.IsOpen());
}

void TestDownloadRun::portsThatCannotBeOpened_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("listed");
    QTest::addColumn<bool>("held");
    QTest::addColumn<QString>("message");
    QTest::newRow("no such port") << "COM7" << true << false << "ERROR[2] - Open port or file.";
    QTest::newRow("held by another program") << "COM1" << true << true << "ERROR[11] - Open port or file.";
    QTest::newRow("parallel port") << "LPT1" << true << false << "ERROR - Open port.";
    QTest::newRow("empty list") << "COM7" << false << false << "ERROR - Open port.";
}

void TestDownloadRun::portsThatCannotBeOpened()
{
    QFETCH(QString, device);
    QFETCH(bool, listed);
    QFETCH(bool, held);
    QFETCH(QString, message);
    DownloadHarness h;
    g_Shared.m_strPortDevice = device.toStdString();
    g_Shared.m_nPortType = device.startsWith("LPT") ? 1 : 0;
    if (listed)
        h.List(h.Logo("a.bmp", 8, 8, kDiagonal), 1);
    const int holder = ::open(h.printer.Path().c_str(), O_RDWR | O_NOCTTY);
    QVERIFY(holder >= 0);
    if (held)
        QCOMPARE(::flock(holder, LOCK_EX | LOCK_NB), 0);
    h.Show();
    h.Download();
    ::close(holder);

    const std::vector<std::string> texts = h.page.fake.boxes.Texts();
    QCOMPARE(texts.size(), size_t{2});
    QCOMPARE(QString::fromStdString(texts[1]), message);
    QCOMPARE(h.page.fake.boxes.shown[1].flags, 0x30u);
    QVERIFY(h.page.fake.clock.sleeps.empty());
    QVERIFY(h.printer.Bytes().empty());
}

void TestDownloadRun::anEmptyListDeletesAllImages()
{
    DownloadHarness h;
    h.Show();
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
    QVERIFY(!h.upload->m_hPort.IsOpen());
}

void TestDownloadRun::printToFile_data()
{
    QTest::addColumn<bool>("named");
    QTest::addColumn<QString>("file");
    QTest::newRow("a typed name") << true << "logos.prn";
    QTest::newRow("the name dialog cancelled") << false << "temp.prn";
}

// Exactly FS q n and the records: no check, no reset.
void TestDownloadRun::printToFile()
{
    QFETCH(bool, named);
    QFETCH(QString, file);
    DownloadHarness h;
    h.UseFile();
    h.page.work.Write("temp.prn", "left over from before");
    h.page.fake.files.outputChoices.push_back({named, {"logos.prn"}});
    const std::string a = h.Logo("a.bmp", 20, 10, kDiagonal), b = h.Logo("b.bmp", 16, 8, kChecker);
    h.List(a, 2);
    h.List(b, 1);
    h.Show();
    QVERIFY(h.upload->m_bToFile);
    h.Download();

    const std::string text = h.page.work.Read(file.toStdString());
    const Bytes bytes(text.begin(), text.end());
    QCOMPARE(Bytes(bytes.begin(), bytes.begin() + 3), (Bytes{0x1C, 0x71, 0x02}));
    QCOMPARE(bytes.size(), size_t{3 + 4 + 16 + 4 + 48});
    const DecodedStream stream = DecodeStream(bytes);
    QVERIFY(stream.complete);
    QCOMPARE(stream.definitions.size(), size_t{2});
    QVERIFY(stream.definitions[0].Dots() == DownloadHarness::Expected(16, 8, kChecker));
    QVERIFY(stream.definitions[1].Dots() == DownloadHarness::Expected(20, 10, kDiagonal));
    QVERIFY(h.printer.Bytes().empty());
    QCOMPARE(h.page.fake.boxes.Texts(), (std::vector<std::string>{kConfirm, kComplete}));
    QCOMPARE(h.Key(1), b);
}

// A file gone while the run is on keeps its place as an empty definition, so the images
// after it keep their numbers; it is named once the run is over.
void TestDownloadRun::aFileUnreadableAtDownloadTimeIsSentEmptyAndNamedAfterwards()
{
    DownloadHarness h;
    const std::string a = h.Logo("a.bmp", 8, 8, kDiagonal), b = h.Logo("b.bmp", 8, 8, kChecker),
                      c = h.Logo("c.bmp", 16, 8, kFrame);
    h.List(a, 1);
    h.List(b, 2);
    h.List(c, 3);
    h.Show();
    h.clock.onSleep = [&](int ms, CPrograss*) {
        if (ms == 10)
            std::remove(b.c_str());
    };
    h.Download();

    const DecodedStream stream = h.Received(5 + 3 + 12 + 4 + 20);
    QCOMPARE(stream.definitions.size(), size_t{3});
    QCOMPARE(stream.definitions[1].xUnits, 0);
    QVERIFY(stream.definitions[2].Dots() == DownloadHarness::Expected(16, 8, kFrame));
    const std::vector<std::string> texts = h.page.fake.boxes.Texts();
    QCOMPARE(texts.size(), size_t{3});
    QCOMPARE(texts[1], std::string(kComplete));
    QVERIFY(texts[2].find("NV image 2: " + b) != std::string::npos);
    QCOMPARE(h.Key(2), b);
    QCOMPARE(h.Key(3), c);
}

void TestDownloadRun::nothingIsOpenedWhenTheUserOrAFileSaysNo()
{
    DownloadHarness h;
    h.List(h.Logo("a.bmp", 8, 8, kDiagonal), 1);
    h.List(h.Logo("tall.bmp", 8, 2312, kDiagonal), 2); // 289 units down: FS q cannot take it
    h.Show();
    h.page.fake.boxes.Answer(platform::IDNO);
    h.Download();
    h.Download();

    const std::vector<std::string> texts = h.page.fake.boxes.Texts();
    QCOMPARE(texts.size(), size_t{3});
    QCOMPARE(texts[1], std::string(kConfirm));
    QVERIFY(texts[2].find(h.page.work.File("tall.bmp")) != std::string::npos);
    QCOMPARE(h.printer.Requests(), 0);
    QVERIFY(h.printer.Bytes().empty());
}

// A profile that cannot be replaced (here a folder stands in its place) costs nothing
// on the printer; the user learns that the next start-up lists the old files.
void TestDownloadRun::aProfileThatCannotBeWrittenIsReported()
{
    DownloadHarness h;
    std::filesystem::create_directory(h.page.work.File(h.page.app.m_strProfileBase));
    h.List(h.Logo("a.bmp", 8, 8, kDiagonal), 1);
    h.Show();
    h.Download();

    const std::vector<std::string> texts = h.page.fake.boxes.Texts();
    QCOMPARE(texts.size(), size_t{3});
    QCOMPARE(texts[1], std::string(kComplete));
    QVERIFY(texts[2].find(h.page.app.m_pszProfileName) != std::string::npos);
    QCOMPARE(h.Received(5 + 3 + 12).definitions.size(), size_t{1});
}

QTEST_MAIN(TestDownloadRun)
#include "test_downloadrun.moc"
