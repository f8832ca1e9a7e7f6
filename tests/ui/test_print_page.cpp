// The Print page: how its radios and Selection edit move the members, when Print may
// be pressed, and a print from the button to the printer: the job off the window's
// thread, the progress dialog showing what it reports, what the printer receives, and
// what the window says when a run cannot start. The printer is a pseudo-terminal behind
// COM1 or LPTn. Stops and failures in the middle of a run are tested on the job itself.
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <memory>
#include <tuple>

#include "app/Session.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/PrintBytes.h"
#include "tests/support/VirtualClock.h"
#include "tests/ui/support/UiTestSupport.h"
#include "ui/Page4Print.h"
#include "ui/PrintProgress.h"

using namespace testing_support;
using Bytes = std::vector<uint8_t>;

namespace {

// What the run showed last. Watches the progress dialog for being shown: a short run
// may have ended, and its dialog gone, before a check after the fact could look.
struct RunRecord : QObject {
    int maximum = -1, lastValue = -1;
    QString lastStatus;
    bool dialogShown = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        dialogShown = dialogShown || event->type() == QEvent::Show;
        return false;
    }
};

// The Print page with a printer on device (COM1, LPT1, LPT2), shown as the sheet shows it.
struct Rig {
    FakePlatform fake;
    PauseSkippingClock pauses;
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
        session.m_context.clock = &pauses;
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
    // Chooses and presses Print; returns once the run is over.
    void Print(int range, const std::string& selection, int quality, int header)
    {
        Choose(range, selection, quality, header);
        QObject::connect(&page->m_run, &RunHost::Status,
                         [this](const QString& text) { record.lastStatus = text; });
        QObject::connect(&page->m_run, &RunHost::Progress, [this](int value, int upper) {
            record.lastValue = value;
            record.maximum = upper;
        });
        // The page makes the dialog before the run starts and shows it on the first
        // transfer, after this watcher is in place.
        QObject::connect(&page->m_run, &RunHost::Transfer, [this] {
            if (auto* dialog = page->findChild<CPrintProgress*>())
                dialog->installEventFilter(&record);
        });
        page->OnPrint();
        QTRY_VERIFY_WITH_TIMEOUT(!page->m_run.Running(), 20000);
    }
    QRadioButton* Radio(int id) { return page->findChild<QRadioButton*>(QStringLiteral("radio%1").arg(id)); }
    QLineEdit* Selection() { return page->findChild<QLineEdit*>(QStringLiteral("edit1034")); }
    // "All", "&Normal" and "No Header" chosen.
    bool Defaults()
    {
        return Radio(1032)->isChecked() && Radio(1019)->isChecked() && Radio(1039)->isChecked();
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

// A click on the button's mark, where a user clicks (its middle may be past the text).
void ClickRadio(QRadioButton* radio)
{
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(4, radio->height() / 2));
}

} // namespace

class TestPrintPage : public QObject {
    Q_OBJECT
private slots:
    void theControlsMoveTheMembersAndPrintNeedsAPrinterPort();
    void aRunPrintsItsImagesInOrderWithItsProgress();
    void aRunThatCannotStartSaysWhyAndSendsNothingAfterTheCheck();
};

void TestPrintPage::theControlsMoveTheMembersAndPrintNeedsAPrinterPort()
{
    Rig p;
    p.page->show(); // the active window, for clicks and keys
    p.page->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(p.page.get()));
    QVERIFY(p.Defaults());
    // The sizes in the order of the printer's mode values.
    const std::tuple<int, const char*, int> quality[] = {{1022, "&Quadraple", 3},
                                                         {1020, "Double &Width", 1},
                                                         {1021, "Double &Height", 2},
                                                         {1019, "&Normal", 0}};
    for (const auto& [id, text, value] : quality) {
        QCOMPARE(p.Radio(id)->text(), QString::fromLatin1(text));
        ClickRadio(p.Radio(id));
        QCOMPARE(p.page->m_nQuality, value);
        QCOMPARE(p.page->m_nRange, 0); // the groups stay apart
    }
    ClickRadio(p.Radio(1040));
    QCOMPARE(p.page->m_nHeader, 1);
    ClickRadio(p.Radio(1039));
    QCOMPARE(p.page->m_nHeader, 0);

    QTest::mouseClick(p.Selection(), Qt::LeftButton);
    QCOMPARE(p.page->m_nRange, 1);
    QTest::keyClicks(p.Selection(), "1,3-5");
    QCOMPARE(p.page->m_strSelection, std::string("1,3-5")); // every keystroke reaches the member
    ClickRadio(p.Radio(1032));
    QCOMPARE(p.page->m_nRange, 0);
    // The arrow key moves to "Selection", chooses it and puts the caret into the edit.
    p.Radio(1032)->setFocus();
    QTest::keyClick(p.Radio(1032), Qt::Key_Down);
    QVERIFY(p.Radio(1033)->isChecked());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p.Selection()));
    ClickRadio(p.Radio(1032));
    // Leaving the page and coming back shows the choices unchanged, the text kept.
    p.page->OnSetActive();
    QVERIFY(p.Defaults());
    QCOMPARE(p.Selection()->text(), QStringLiteral("1,3-5"));

    // Print takes a COM or LPT port only; the names come from the Setup page each time.
    auto* print = p.page->findChild<QPushButton*>(QStringLiteral("button1029"));
    const std::pair<const char*, bool> cases[] = {
        {"FILE", false}, {"COM1", true}, {"LPT2", true}, {"com1", false}};
    for (const auto& [device, enabled] : cases) {
        printer::SetupRecord& settings = p.session.m_settings;
        settings.m_strPortDevice = device;
        settings.m_strPortName = device;
        settings.m_strPrinterName = std::string("Model at ") + device;
        p.page->OnSetActive();
        QCOMPARE(print->isEnabled(), enabled);
        QCOMPARE(p.page->findChild<QLineEdit*>(QStringLiteral("edit1072"))->text().toStdString(),
                 settings.m_strPrinterName);
        QCOMPARE(p.page->findChild<QLineEdit*>(QStringLiteral("edit1073"))->text(),
                 QString::fromLatin1(device));
    }
}

// "All" prints the stored list when there is one (and counts to it), else 1 to 255;
// a selection counts to 255 whatever it prints.
void TestPrintPage::aRunPrintsItsImagesInOrderWithItsProgress()
{
    struct Case {
        const char* device;
        int range;
        const char* text; // "All" ignores it, valid or not
        int quality, header;
        int stored; // logos of the stored list
        std::vector<int> numbers;
        int countTo;
    };
    const Case cases[] = {
        {"COM1", 1, "1,3-5,9", 2, 0, 3, {1, 3, 4, 5, 9}, 255},
        {"LPT2", 0, "1,,2", 3, 1, 0, NumberRange(1, 255), 255},
        {"COM1", 0, "", 0, 0, 3, {1, 2, 3}, 3},
    };
    for (const Case& c : cases) {
        Rig rig(c.device);
        std::vector<StoredLogo> stored;
        for (int i = 0; i < c.stored; ++i)
            stored.push_back({"/logos/" + std::to_string(i) + ".bmp"});
        rig.session.m_list.SetStored(stored);
        rig.page->m_printList = {{4, 4}}; // left from an earlier run
        rig.Print(c.range, c.text, c.quality, c.header);

        const Bytes& preamble = c.device[0] == 'L' ? kParallelPreamble : kSerialPreamble;
        const Bytes expected = PrintedImages(c.numbers, c.quality, c.header, preamble);
        QCOMPARE(rig.Received(expected.size()), expected);
        const int count = static_cast<int>(c.numbers.size());
        QVERIFY(rig.record.dialogShown);
        QCOMPARE(rig.record.maximum, count);
        QCOMPARE(rig.record.lastValue, count);
        QCOMPARE(rig.record.lastStatus, QStringLiteral("Printing... %1/%2").arg(count).arg(c.countTo));
        QCOMPARE(rig.pauses.Sleeps().back(), 1000); // the last count stays in view
        QVERIFY(rig.fake.boxes.shown.empty());
    }
}

void TestPrintPage::aRunThatCannotStartSaysWhyAndSendsNothingAfterTheCheck()
{
    struct Case {
        const char* device;
        const char* message;
        Bytes sent;
    };
    const Case cases[] = {
        {"COM1", "NV image number is incorrect.", kSerialPreamble}, // found only after the check
        {"COM2", "ERROR - Port open.", {}},                         // nothing behind it
    };
    for (const Case& c : cases) {
        Rig rig(c.device);
        rig.Choose(1, "1,,2", 0, 0);
        rig.page->OnPrint();
        QTRY_VERIFY(!rig.page->m_run.Running());
        QCOMPARE(rig.Received(c.sent.size()), c.sent);
        QCOMPARE(rig.fake.boxes.Texts(), std::vector<std::string>{c.message});
        QCOMPARE(rig.fake.boxes.shown[0].flags, platform::MB_ICONEXCLAMATION);
        QCOMPARE(rig.page->m_nSelectCount, 0);
    }
}

QTEST_MAIN(TestPrintPage)
#include "test_print_page.moc"
