// A print from the Print page's button to the printer: the port, the check, the
// progress dialog's walk, its ends (finished, cancelled, failed, covered by a box) and
// the port closed in every case. The printer is a pseudo-terminal behind COM1 or LPT1.
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/SharedRecord.h"
#include "print/PrintProgress.h"
#include "printer/PrinterPort.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/PrintBytes.h"
#include "tests/ui/support/UiTestSupport.h"
#include "ui/Page4Print.h"

using namespace testing_support;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr unsigned kExclamation = platform::MB_ICONEXCLAMATION;

// What the progress dialog of a run showed and how it ended.
struct RunRecord {
    bool seen = false;
    QString statusAtStart;
    int maximum = -1;
    QString lastStatus;
    int lastValue = -1;
    int result = -1;
    bool stopped = false;
    bool failed = false;
};

// Watches the next progress dialog, runs first on it, then lets it tick every 1 ms.
void WatchProgress(RunRecord& record, std::function<void(CPrintProgress*)> first = {})
{
    OnNextModal([&record, first](QWidget* modal) {
        auto* dialog = qobject_cast<CPrintProgress*>(modal);
        QVERIFY(dialog);
        record.seen = true;
        record.statusAtStart = dialog->m_status->text();
        record.maximum = dialog->m_progress->maximum();
        QObject::connect(dialog, &QDialog::finished, [&record, dialog](int result) {
            record.lastStatus = dialog->m_status->text();
            record.lastValue = dialog->m_progress->value();
            record.result = result;
            record.stopped = dialog->m_bStop;
            record.failed = dialog->m_bError;
        });
        if (first)
            first(dialog);
        dialog->SetTickInterval(1);
    });
}

// The Print page with a printer on COM1 (or LPT1), shown as the sheet shows it.
struct Rig {
    FakePlatform fake;
    FakePrinter printer;
    FakeDeviceRoot root;
    std::unique_ptr<CPage4Print> page;

    explicit Rig(bool parallel = false, const std::string& lpt = "LPT1")
    {
        if (parallel) {
            root.Link("usb/lp" + std::to_string(lpt.back() - '1'), printer.Path());
            g_Shared.m_nPortType = 1;
            g_Shared.m_strPortDevice = lpt;
        } else {
            root.Link("ttyS0", printer.Path());
            g_Shared.m_nPortType = 0;
            g_Shared.m_strPortDevice = "COM1";
        }
        g_Shared.m_dwBaudRate = 9600;
        g_Shared.m_byByteSize = 8;
        page = std::make_unique<CPage4Print>();
        page->OnInitDialog();
        page->OnSetActive();
    }
    void Choose(int range, const std::string& selection, int quality, int header)
    {
        page->m_nRange = range;
        page->m_strSelection = selection;
        page->m_nQuality = quality;
        page->m_nHeader = header;
        page->UpdateData(false);
    }
    // Everything the printer got, once it got at least count bytes (or after a grace
    // time, to show that nothing more came).
    Bytes Received(size_t count)
    {
        printer.WaitForBytes(count, std::chrono::milliseconds(3000));
        printer.WaitForBytes(count + 1, std::chrono::milliseconds(100));
        return printer.Bytes();
    }
};

// Calls the dialog's timer handler from inside every wait, as the event loop of a
// real wait may deliver a tick; pauses cost no time.
class ReenteringWaiter final : public platform::Waiter {
public:
    CPrintProgress* dialog = nullptr;
    std::vector<int> sleeps;
    int reentries = 0;

    void Sleep(int ms) override
    {
        sleeps.push_back(ms);
        KeepAlive(); // the pause keeps the loop turning too
    }
    void KeepAlive() override
    {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (dialog && !m_inside) { // one level deep: a missing guard fails, never recurses
            m_inside = true;
            ++reentries;
            dialog->OnTimer();
            m_inside = false;
        }
    }

private:
    bool m_inside = false;
};

} // namespace

class TestPrintRun : public QObject {
    Q_OBJECT
private slots:
    void aSelectionPrintsItsNumbersInOrderWithItsProgress();
    void allPrints255ImagesInOrderWithTheirHeadersAndIgnoresTheText();
    void cancelBeforeTheFirstTickSendsNothingAfterThePreamble();
    void theParallelPortGoesFromTheCheckStraightToTheImages();
    void aRunLongerThanTheBarCanCountGetsTheWholeBar();
    void anInvalidSelectionIsFoundOnlyAfterTheCheck();
    void aPortThatCannotBeOpenedSendsNothing();
    void aFailedWriteMidRunIsReportedOnceAndEndsEverything();
    void escCancelsAndAnyOtherBoxEndsTheRunAsAStop();
    void ticksArrivingDuringAWriteOrThePauseAreLetPass();
};

void TestPrintRun::aSelectionPrintsItsNumbersInOrderWithItsProgress()
{
    Rig rig;
    rig.Choose(1, "1,3-5,9", 2, 0);
    RunRecord record;
    WatchProgress(record);
    rig.page->OnPrint();

    const Bytes expected = Joined(kSerialPreamble, PrintedImages({1, 3, 4, 5, 9}, 2, false));
    QCOMPARE(rig.Received(expected.size()), expected);
    QVERIFY(record.seen);
    QCOMPARE(record.statusAtStart, QStringLiteral(" "));
    QCOMPARE(record.maximum, 5);
    QCOMPARE(record.lastValue, 5);
    QCOMPARE(record.lastStatus, QStringLiteral("Printing... 5/255"));
    QCOMPARE(record.result, int(QDialog::Accepted));
    QCOMPARE(rig.fake.clock.sleeps, std::vector<int>{1000}); // the last count stays in view
    QCOMPARE(g_Shared.m_nJobCount, 5);
    QCOMPARE(g_Shared.m_arrPrintNumber, (std::vector<std::string>{"257", "3", "5", "265"}));
    QVERIFY(rig.fake.boxes.shown.empty());
    QVERIFY(!rig.page->m_hPort.IsOpen());
}

void TestPrintRun::allPrints255ImagesInOrderWithTheirHeadersAndIgnoresTheText()
{
    Rig rig;
    rig.Choose(0, "1,,2", 3, 1);
    RunRecord record;
    WatchProgress(record);
    rig.page->OnPrint();

    const Bytes expected = Joined(kSerialPreamble, PrintedImages(NumberRange(1, 255), 3, true));
    QCOMPARE(rig.Received(expected.size()), expected);
    QCOMPARE(record.maximum, 255);
    QCOMPARE(record.lastStatus, QStringLiteral("Printing... 255/255"));
    QCOMPARE(g_Shared.m_nJobCount, 255);
    QVERIFY(rig.fake.boxes.shown.empty());
    QVERIFY(!rig.page->m_hPort.IsOpen());
}

void TestPrintRun::cancelBeforeTheFirstTickSendsNothingAfterThePreamble()
{
    for (const bool parallel : {false, true}) {
        Rig rig(parallel);
        rig.Choose(0, "", 0, 1);
        RunRecord record;
        WatchProgress(record, [](CPrintProgress* dialog) {
            dialog->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
        });
        rig.page->OnPrint();

        const Bytes& preamble = parallel ? kParallelPreamble : kSerialPreamble;
        QCOMPARE(rig.Received(preamble.size()), preamble);
        QCOMPARE(record.result, int(QDialog::Rejected));
        QVERIFY(record.stopped);
        QCOMPARE(record.lastStatus, QStringLiteral(" "));
        QVERIFY(rig.fake.clock.sleeps.empty());
        QVERIFY(!rig.page->m_hPort.IsOpen());
    }
}

void TestPrintRun::theParallelPortGoesFromTheCheckStraightToTheImages()
{
    for (const char* lpt : {"LPT1", "LPT2"}) {
        Rig rig(true, lpt);
        rig.Choose(1, "7,9", 1, 0);
        RunRecord record;
        WatchProgress(record);
        rig.page->OnPrint();

        const Bytes expected = Joined(kParallelPreamble, PrintedImages({7, 9}, 1, false));
        QCOMPARE(rig.Received(expected.size()), expected);
        QCOMPARE(record.lastStatus, QStringLiteral("Printing... 2/255"));
        QVERIFY(rig.fake.boxes.shown.empty());
        QVERIFY(!rig.page->m_hPort.IsOpen());
    }
}

void TestPrintRun::aRunLongerThanTheBarCanCountGetsTheWholeBar()
{
    Rig rig;
    std::string text;
    for (int i = 0; i < 258; ++i)
        text += "1-255,";
    rig.Choose(1, text, 0, 0);
    RunRecord record;
    WatchProgress(record, [](CPrintProgress* dialog) {
        dialog->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
    });
    rig.page->OnPrint();
    QCOMPARE(g_Shared.m_nJobCount, 258 * 255);
    QCOMPARE(record.maximum, 65535);
}

void TestPrintRun::anInvalidSelectionIsFoundOnlyAfterTheCheck()
{
    for (const bool parallel : {false, true}) {
        Rig rig(parallel);
        rig.Choose(1, "1,,2", 0, 0);
        g_Shared.m_arrPrintNumber = {"999"};
        rig.page->OnPrint();

        const Bytes& preamble = parallel ? kParallelPreamble : kSerialPreamble;
        QCOMPARE(rig.Received(preamble.size()), preamble);
        QCOMPARE(rig.fake.boxes.Texts(), std::vector<std::string>{"NV image number is incorrect."});
        QCOMPARE(rig.fake.boxes.shown[0].flags, kExclamation);
        QVERIFY(g_Shared.m_arrPrintNumber.empty());
        QCOMPARE(g_Shared.m_nJobCount, 0);
        QCOMPARE(rig.page->m_nSelectCount, 0);
        QCOMPARE(rig.page->findChild<QLineEdit*>(QStringLiteral("edit1034"))->text(), QStringLiteral("1,,2"));
        QVERIFY(!rig.page->m_hPort.IsOpen());
    }
}

void TestPrintRun::aPortThatCannotBeOpenedSendsNothing()
{
    Rig rig;
    g_Shared.m_strPortDevice = "COM2"; // nothing behind it
    rig.Choose(0, "", 0, 0);
    rig.page->OnPrint();
    QCOMPARE(rig.fake.boxes.Texts(), std::vector<std::string>{"ERROR - Port open."});
    QCOMPARE(rig.fake.boxes.shown[0].flags, kExclamation);
    QVERIFY(rig.Received(0).empty());
    QCOMPARE(g_Shared.m_nJobCount, 0);
}

void TestPrintRun::aFailedWriteMidRunIsReportedOnceAndEndsEverything()
{
    Rig rig;
    rig.Choose(1, "1-5", 0, 1);
    const Bytes firstTwo = Joined(kSerialPreamble, PrintedImages({1, 2}, 0, true));
    RunRecord record;
    WatchProgress(record, [&](CPrintProgress* dialog) {
        QObject::connect(dialog->m_progress, &QProgressBar::valueChanged, [&](int value) {
            if (value == 2) { // the printer goes away after the second image
                rig.printer.WaitForBytes(firstTwo.size());
                rig.printer.HangUp();
            }
        });
    });
    rig.page->OnPrint();

    QCOMPARE(rig.printer.Bytes(), firstTwo);
    QCOMPARE(rig.fake.boxes.Texts(), std::vector<std::string>{"Communication error. Can not transimitted."});
    QCOMPARE(rig.fake.boxes.shown[0].flags, kExclamation);
    QCOMPARE(record.result, int(QDialog::Accepted));
    QVERIFY(record.failed);
    QVERIFY(!record.stopped); // the error's own box only closes the dialog
    QCOMPARE(record.lastStatus, QStringLiteral("Printing... 2/255"));
    QVERIFY(rig.fake.clock.sleeps.empty()); // no finishing pause after a failure
    QVERIFY(!rig.page->m_hPort.IsOpen());
}

void TestPrintRun::escCancelsAndAnyOtherBoxEndsTheRunAsAStop()
{
    FakePlatform fake;
    FakePrinter printer;
    CPrinterPort port(printer::kPrintVariant);
    QVERIFY(port.OpenPort(printer.Path(), 9600, 8, 0, 0, 0));
    g_Shared.m_nJobCount = kPrintAllCount;

    CPrintProgress esc;
    esc.SetPrintParam(&port.m_hPort, 0, 0, 0);
    OnNextModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    QCOMPARE(esc.DoModal(), platform::IDCANCEL);
    QVERIFY(esc.m_bStop);

    CPrintProgress covered;
    covered.SetPrintParam(&port.m_hPort, 0, 0, 0);
    OnNextModal([&covered](QWidget*) {
        platform::AfxMessageBox("Something else", kExclamation);
        covered.SetTickInterval(1); // should the box be missed, the run ends soon, wrongly
    });
    QCOMPARE(covered.DoModal(), platform::IDOK);
    QVERIFY(covered.m_bStop);
    QVERIFY(!covered.m_bError);

    // Once the run is over, boxes no longer reach the dialog.
    covered.m_bStop = false;
    platform::AfxMessageBox("Later", kExclamation);
    QVERIFY(!covered.m_bStop);
    QVERIFY(!printer.WaitForBytes(1, std::chrono::milliseconds(100)));
}

void TestPrintRun::ticksArrivingDuringAWriteOrThePauseAreLetPass()
{
    FakePlatform fake;
    ReenteringWaiter waiter;
    platform::SetWaiter(&waiter);
    FakePrinter printer;
    CPrinterPort port(printer::kPrintVariant);
    QVERIFY(port.OpenPort(printer.Path(), 9600, 8, 0, 0, 0));
    g_Shared.m_arrPrintNumber = {"1", "3"};
    g_Shared.m_nJobCount = 3;

    CPrintProgress dialog;
    dialog.SetPrintParam(&port.m_hPort, 1, 0, 1);
    OnNextModal([&](QWidget*) {
        printer.Stall(); // the first write has to wait, and the waits deliver ticks
        QTimer::singleShot(100, [&] { printer.Resume(); });
        waiter.dialog = &dialog;
        dialog.SetTickInterval(1);
    });
    QCOMPARE(dialog.DoModal(), platform::IDOK);
    waiter.dialog = nullptr;

    const Bytes expected = PrintedImages({1, 2, 3}, 0, true);
    printer.WaitForBytes(expected.size());
    QCOMPARE(printer.Bytes(), expected);
    QCOMPARE(dialog.m_nPrinted, 3);
    QVERIFY(waiter.reentries > 0);
    QCOMPARE(waiter.sleeps, std::vector<int>{1000}); // one finish, however many ticks came
    platform::SetWaiter(&fake.clock);
}

QTEST_MAIN(TestPrintRun)
#include "test_print_run.moc"
