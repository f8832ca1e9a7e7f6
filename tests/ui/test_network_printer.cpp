// A network printer in the window, as a user sets one up: "Add network printer..."
// cancelled after an empty and a malformed address were refused, one kept from an
// earlier run that Apply cannot reach, then one added on the Setup page, tested with
// Apply, taken by the Download and Print pages, and kept chosen for the next run. What
// downloads and prints send over a network link is tested on the link and the command
// line.
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <string>
#include <vector>

#include "app/Session.h"
#include "printer/NetDiscovery.h"
#include "printer/NetPrinterList.h"
#include "tests/support/FakeNetPrinter.h"
#include "tests/support/FakePrinter.h"
#include "tests/ui/support/PageHarness.h"
#include "tests/ui/support/UiTestSupport.h"
#include "ui/NetPrinterDlg.h"
#include "ui/Page5Setup.h"

using namespace testing_support;
using Texts = std::vector<std::string>;

namespace {

enum Tab { kDownloadTab = 2, kPrintTab = 3, kSetupTab = 4 };

// Picks an entry of the Setup page's PortName box the way the user does.
void ChoosePort(PageHarness& h, const QString& entry)
{
    QVERIFY2(Choose(FindChild<QComboBox>(h.Sheet()->GetPage(kSetupTab), "combo1045"), entry),
             qPrintable(entry));
}

// Presses Apply, whose test runs off the window's thread: returns once it has ended.
void Apply(PageHarness& h)
{
    auto* setup = static_cast<CPage5Setup*>(h.Sheet()->GetPage(kSetupTab));
    h.Sheet()->GetButton(CPropertySheet::Button::Apply)->click();
    QTRY_VERIFY_WITH_TIMEOUT(!setup->m_run.Running(), 20000);
}

// The address dialog as the user meets it: with no address to give, OK on an empty box
// and OK on a malformed address (each refused with a message, the dialog staying open;
// the address rules are NetAddressTest's), then Cancel; else the printer's address. The
// dialog is closed whatever happens, so that a failure cannot hang.
void AddressDialog(QWidget* modal, FakePlatform& fake, const std::string& address)
{
    auto* dialog = qobject_cast<CNetPrinterDlg*>(modal);
    QVERIFY(dialog);
    auto* edit = FindChild<QLineEdit>(dialog, "editAddress");
    auto* ok = FindChild<QPushButton>(dialog, "okButton");
    if (!address.empty()) {
        QTest::keyClicks(edit, QString::fromStdString(address));
        ok->click();
        QVERIFY(!dialog->isVisible());
        return;
    }
    const struct {
        QString typed;
        ShownBox box;
    } refused[] = {
        {"  ", {"Input the printer address!", platform::MB_OK, ""}},
        {"till-7:65536",
         {"The port must be a number from 1 to 65535, not '65536'.", platform::MB_ICONEXCLAMATION, ""}},
    };
    for (const auto& [typed, box] : refused) {
        const size_t before = fake.boxes.shown.size();
        edit->setText(typed);
        ok->click();
        QVERIFY2(dialog->isVisible(), qPrintable(typed));
        QCOMPARE(fake.boxes.shown.size(), before + 1);
        QCOMPARE(fake.boxes.shown.back().text, box.text);
        QCOMPARE(fake.boxes.shown.back().flags, box.flags);
    }
    FindChild<QPushButton>(dialog, "cancelButton")->click();
}

} // namespace

class TestNetworkPrinter : public QObject {
    Q_OBJECT
private slots:
    void addedOnSetupTestedTakenByTheOtherPagesAndKeptChosen();
    void findOffersTheAnnouncedPrintersAndAddsTheChosenOne();
};

// Opens the address dialog from the PortName box and meets it as AddressDialog does.
void AddNetworkPrinter(PageHarness& h, const std::string& address)
{
    auto* port = FindChild<QComboBox>(h.Sheet()->GetPage(kSetupTab), "combo1045");
    const int add = port->findText("Add network printer...");
    OnNextModal([&h, address](QWidget* modal) {
        AddressDialog(modal, h.fake, address);
        if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->isVisible())
            dialog->reject();
    });
    port->setCurrentIndex(add);
    emit port->activated(add);
}

void TestNetworkPrinter::addedOnSetupTestedTakenByTheOtherPagesAndKeptChosen()
{
    PageHarness h;
    FakeDeviceRoot root{h.CurrentSession().m_context};
    FakePrinter serial;
    root.Link("ttyS0", serial.Path()); // COM1
    FakeNetPrinter network, refusing({.refusing = true});
    const QString netName = QStringLiteral("NET:127.0.0.1:%1").arg(network.TcpPort());
    const QString refusingName = QString::fromStdString("NET:" + refusing.Address());
    // One the user added in an earlier run, not chosen.
    QVERIFY(h.CurrentSession().Profile().WriteProfileString(printer::kNetSection, "Printer1",
                                                            refusing.Address()));
    h.ShowProgram();
    auto* port = FindChild<QComboBox>(h.Sheet()->GetPage(kSetupTab), "combo1045");
    // Cancelled, the address dialog adds nothing and leaves the port chosen before.
    AddNetworkPrinter(h, "");
    QCOMPARE(Entries(port),
             QStringList({"COM1", refusingName, "Add network printer...", "Find network printers..."}));
    QCOMPARE(port->currentText(), QStringLiteral("COM1"));
    h.fake.boxes.shown.clear(); // the two refusals

    // That one cannot be reached: Apply says so, and why under the port settings.
    ChoosePort(h, refusingName);
    Apply(h);
    QCOMPARE(h.fake.boxes.Texts(), Texts{"ERROR - Port open."});
    auto* status = FindChild<QLabel>(h.Sheet()->GetPage(kSetupTab), "labelSetupStatus");
    QVERIFY(!status->isHidden());
    QCOMPARE(status->text(), refusingName + ": connection refused");

    AddNetworkPrinter(h, "tcp://" + network.Address()); // as nivora-cli names it
    QCOMPARE(Entries(port), QStringList({"COM1", refusingName, netName, "Add network printer...",
                                         "Find network printers..."}));
    QCOMPARE(port->currentText(), netName);
    QCOMPARE(h.CurrentSession().Profile().GetProfileString(printer::kNetSection, "Printer2"),
             network.Address()); // kept at once

    // Apply tests it (with what bytes: PrinterCheckTest), and it passes: no message.
    const size_t boxesBeforeApply = h.fake.boxes.shown.size();
    Apply(h);
    QCOMPARE(h.fake.boxes.shown.size(), boxesBeforeApply);
    QVERIFY(network.WaitUntilClosed());
    QCOMPARE(network.Connections(), 1);

    // The other pages take it as their printer.
    h.Activate(kDownloadTab);
    QCOMPARE(FindChild<QLineEdit>(h.Sheet()->GetPage(kDownloadTab), "edit1076")->text(), netName);
    h.Activate(kPrintTab);
    QCOMPARE(FindChild<QLineEdit>(h.Sheet()->GetPage(kPrintTab), "edit1073")->text(), netName);
    QVERIFY(FindChild<QPushButton>(h.Sheet()->GetPage(kPrintTab), "button1029")->isEnabled());

    h.Activate(kSetupTab);
    h.Sheet()->GetButton(CPropertySheet::Button::Ok)->click(); // "Close"
    QCOMPARE(h.work.Read("Device.INI"), std::string("0"));     // a network choice is a serial one there

    // The choice is kept for the next run (which reads it back: NetPrinterListTest).
    QCOMPARE(h.CurrentSession().Profile().GetProfileString(printer::kNetSection, "Selected"),
             network.Address());
}

// The browse is replaced: first no daemon runs, then nobody announces, then two
// printers do; the user picks the second.
void TestNetworkPrinter::findOffersTheAnnouncedPrintersAndAddsTheChosenOne()
{
    using printer::DiscoveryOutcome;
    PageHarness h;
    FakeDeviceRoot root{h.CurrentSession().m_context};
    FakePrinter serial;
    root.Link("ttyS0", serial.Path());
    DiscoveryOutcome outcome{DiscoveryOutcome::Status::NoDaemon, {}, "Daemon not running"};
    h.CurrentSession().m_context.discovery = [&outcome](std::chrono::milliseconds) { return outcome; };
    h.ShowProgram();
    auto* port = FindChild<QComboBox>(h.Sheet()->GetPage(kSetupTab), "combo1045");

    const std::pair<DiscoveryOutcome::Status, std::string> refusals[] = {
        {DiscoveryOutcome::Status::NoDaemon, "No Avahi daemon is running: network printers cannot be found."},
        {DiscoveryOutcome::Status::Done, "No network printer announced itself."},
    };
    for (const auto& [status, message] : refusals) {
        outcome.status = status;
        h.fake.boxes.shown.clear();
        ChoosePort(h, "Find network printers...");
        QCOMPARE(h.fake.boxes.Texts(), Texts{message});
        QCOMPARE(port->currentText(), QStringLiteral("COM1"));
    }

    outcome.services = {{"Till 2", "till2.local", "192.168.1.52", false, "eth0", 9100},
                        {"Kitchen", "kitchen.local", "192.168.1.60", false, "eth0", 9101}};
    QStringList offered;
    OnNextModal([&offered](QWidget* modal) {
        auto* dialog = qobject_cast<QInputDialog*>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        offered = dialog->comboBoxItems();
        dialog->setTextValue(offered.value(1));
        dialog->accept();
    });
    h.fake.boxes.shown.clear();
    ChoosePort(h, "Find network printers...");
    QCOMPARE(offered, QStringList({"Kitchen  NET:192.168.1.60:9101", "Till 2  NET:192.168.1.52:9100"}));
    QCOMPARE(port->currentText(), QStringLiteral("NET:192.168.1.52:9100"));
    QCOMPARE(h.CurrentSession().Profile().GetProfileString(printer::kNetSection, "Printer1"),
             std::string("192.168.1.52:9100"));
    QVERIFY(h.fake.boxes.shown.empty());
}

QTEST_MAIN(TestNetworkPrinter)
#include "test_network_printer.moc"
