// A print from the Print page's button to the printer: the port, the check, the
// progress dialog's walk, its ends (finished, cancelled, failed, covered by a box) and
// the port closed in every case. The printer is a pseudo-terminal behind COM1 or LPTn.
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <functional>
#include <memory>
#include <utility>

#include "app/Session.h"
#include "ui/PrintProgress.h"
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

// How the progress dialog of a run ended.
struct RunRecord {
    int maximum = -1, lastValue = -1, result = -1;
    QString lastStatus;
    bool stopped = false;
};

// The Print page with a printer on device (COM1, LPT1, LPT2), shown as the sheet shows it.
struct Rig {
    FakePlatform fake;
    FakePrinter printer;
    Session session; // whose context the page opens its port with
    FakeDeviceRoot root{session.m_context};
    std::unique_ptr<CPage4Print> page;
    RunRecord record;

    explicit Rig(const std::string& device = "COM1")
    {
        const bool parallel = device.rfind("LPT", 0) == 0;
        root.Link(parallel ? "usb/lp" + std::to_string(device.back() - '1') : "ttyS0", printer.Path());
        session.m_settings.m_nPortType = parallel ? 1 : 0;
        session.m_settings.m_strPortDevice = device;
        session.m_settings.m_dwBaudRate = 9600;
        session.m_settings.m_byByteSize = 8;
        page = std::make_unique<CPage4Print>(session);
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
    // Chooses and presses Print; the progress dialog, once open, runs first and then
    // ticks every 1 ms.
    void Print(int range, const std::string& selection, int quality, int header,
               std::function<void(CPrintProgress*)> first = {})
    {
        Choose(range, selection, quality, header);
        OnNextModal([this, first](QWidget* modal) {
            auto* dialog = qobject_cast<CPrintProgress*>(modal);
            QVERIFY(dialog);
            QObject::connect(dialog, &QDialog::finished, [this, dialog](int result) {
                record = {dialog->m_progress->maximum(), dialog->m_progress->value(), result,
                          dialog->m_status->text(), dialog->m_bStop};
            });
            if (first)
                first(dialog);
            dialog->SetTickInterval(1);
        });
        page->OnPrint();
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
        KeepAlive();
    }
    void KeepAlive() override
    {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        // One level deep: a missing guard fails, never recurses.
        if (CPrintProgress* inner = std::exchange(dialog, nullptr)) {
            ++reentries;
            inner->OnTimer();
            dialog = inner;
        }
    }
};

} // namespace

class TestPrintRun : public QObject {
    Q_OBJECT
private slots:
    void aRunPrintsItsImagesInOrderWithItsProgress();
    void aStopOrAFailedWriteEndsTheRunAtOnce();
    void aRunThatCannotStartSaysWhyAndSendsNothingAfterTheCheck();
    void ticksArrivingDuringAWriteOrThePauseAreLetPass();
};

void TestPrintRun::aRunPrintsItsImagesInOrderWithItsProgress()
{
    struct Case {
        const char* device;
        int range;
        const char* text; // "All" ignores it, valid or not
        int quality, header;
        std::vector<int> numbers;
    };
    const Case cases[] = {
        {"COM1", 1, "1,3-5,9", 2, 0, {1, 3, 4, 5, 9}},
        {"LPT2", 0, "1,,2", 3, 1, NumberRange(1, 255)},
    };
    for (const Case& c : cases) {
        Rig rig(c.device);
        rig.page->m_printList = {{4, 4}}; // left from an earlier run
        rig.Print(c.range, c.text, c.quality, c.header);

        const Bytes& preamble = c.device[0] == 'L' ? kParallelPreamble : kSerialPreamble;
        const Bytes expected = PrintedImages(c.numbers, c.quality, c.header, preamble);
        QCOMPARE(rig.Received(expected.size()), expected);
        const int count = static_cast<int>(c.numbers.size());
        QCOMPARE(rig.record.maximum, count);
        QCOMPARE(rig.record.lastValue, count);
        QCOMPARE(rig.record.lastStatus, QStringLiteral("Printing... %1/255").arg(count));
        QCOMPARE(rig.record.result, int(QDialog::Accepted));
        QCOMPARE(rig.fake.clock.sleeps, std::vector<int>{1000}); // the last count stays in view
        QVERIFY(rig.fake.boxes.shown.empty());
        QVERIFY(!rig.page->m_port.IsOpen());
    }
}

void TestPrintRun::aStopOrAFailedWriteEndsTheRunAtOnce()
{
    using End = std::function<void(CPrintProgress*, FakePrinter&)>; // runs as the dialog opens
    const End cancel = [](CPrintProgress* d, FakePrinter&) {
        d->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
    };
    const End esc = [](CPrintProgress* d, FakePrinter&) { QTest::keyClick(d, Qt::Key_Escape); };
    // Any other box over the dialog ends the run as a stop.
    const End box = [](CPrintProgress*, FakePrinter&) { platform::AfxMessageBox("Other", kExclamation); };
    // The printer goes away after the second image; the error's own box only closes the dialog.
    const End hangUp = [](CPrintProgress* d, FakePrinter& printer) {
        QObject::connect(d->m_progress, &QProgressBar::valueChanged, [&printer](int value) {
            if (value == 2 && printer.WaitForBytes(PrintedImages({1, 2}, 0, true, kSerialPreamble).size()))
                printer.HangUp();
        });
    };
    struct Case {
        End end;
        int result;
        bool stopped; // else failed
        std::vector<int> printed;
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        {cancel, QDialog::Rejected, true, {}, {}},
        {esc, QDialog::Rejected, true, {}, {}},
        {box, QDialog::Accepted, true, {}, {"Other"}},
        {hangUp, QDialog::Accepted, false, {1, 2}, {"Communication error. Can not transimitted."}},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.Print(0, "", 0, 1, [&](CPrintProgress* dialog) { c.end(dialog, rig.printer); });
        const Bytes expected = PrintedImages(c.printed, 0, true, kSerialPreamble);
        QCOMPARE(rig.Received(expected.size()), expected);
        QCOMPARE(rig.record.result, c.result);
        QCOMPARE(rig.record.stopped, c.stopped);
        QCOMPARE(rig.record.lastStatus,
                 c.printed.empty() ? QStringLiteral(" ") : QStringLiteral("Printing... 2/255"));
        QCOMPARE(rig.fake.boxes.Texts(), c.boxes);
        QVERIFY(rig.fake.clock.sleeps.empty()); // no finishing pause
        QVERIFY(!rig.page->m_port.IsOpen());
        platform::AfxMessageBox("Later", kExclamation); // the run is over: it reaches no dialog
    }
}

void TestPrintRun::aRunThatCannotStartSaysWhyAndSendsNothingAfterTheCheck()
{
    struct Case {
        const char* device;
        const char* message;
        Bytes sent;
    };
    const Case cases[] = {
        {"COM1", "NV image number is incorrect.", kSerialPreamble}, // found only after the check
        {"LPT1", "NV image number is incorrect.", kParallelPreamble},
        {"COM2", "ERROR - Port open.", {}}, // nothing behind it
    };
    for (const Case& c : cases) {
        Rig rig(c.device);
        rig.Choose(1, "1,,2", 0, 0);
        rig.page->OnPrint();
        QCOMPARE(rig.Received(c.sent.size()), c.sent);
        QCOMPARE(rig.fake.boxes.Texts(), std::vector<std::string>{c.message});
        QCOMPARE(rig.fake.boxes.shown[0].flags, kExclamation);
        QCOMPARE(rig.page->m_nSelectCount, 0);
        QVERIFY(!rig.page->m_port.IsOpen());
    }
}

void TestPrintRun::ticksArrivingDuringAWriteOrThePauseAreLetPass()
{
    Rig rig;
    ReenteringWaiter waiter;
    platform::SetWaiter(&waiter);
    rig.Print(1, "1,2-3", 0, 1, [&](CPrintProgress* dialog) {
        waiter.dialog = dialog;
        QObject::connect(dialog, &QDialog::finished, [&waiter] { waiter.dialog = nullptr; });
    });
    platform::SetWaiter(&rig.fake.clock);

    const Bytes expected = PrintedImages({1, 2, 3}, 0, true, kSerialPreamble);
    QCOMPARE(rig.Received(expected.size()), expected);
    QVERIFY(waiter.reentries > 0);
    QCOMPARE(waiter.sleeps, std::vector<int>{1000}); // one finish, however many ticks came
}

QTEST_MAIN(TestPrintRun)
#include "test_print_run.moc"
