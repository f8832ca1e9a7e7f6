// The Setup page's network printers: listed after the COM and LPT names, added through
// "Add network printer...", kept in the profile's [NET] section.
#include <QApplication>
#include <QComboBox>
#include <QInputDialog>

#include "app/Session.h"
#include "logo/PrivateProfile.h"
#include "platform/MessageBox.h"
#include "printer/NetDiscovery.h"
#include "printer/PortNames.h"
#include "ui/NetPortEntries.h"
#include "ui/NetPrinterDlg.h"
#include "ui/Page5Setup.h"

void CPage5Setup::RestoreNetPrinters()
{
    m_netPrinters = printer::ReadNetPrinters(m_session.Profile());
    AppendNetPrinters(true);
    // Device.INI said serial for a network choice; the saved printer is the port again.
    if (SelectedNetPrinter(m_boxes.portName, m_netPrinters) >= 0 && !m_bParallel)
        ChangePortName(*this, m_boxes);
}

void CPage5Setup::AppendNetPrinters(bool chooseSaved)
{
    AppendNetEntries(m_boxes.portName, m_netPrinters, chooseSaved && !m_bParallel);
}

// Before the PortName box's change is taken: the add entry asks for an address, the
// find entry offers the printers that announce themselves; either selects the new
// printer, or goes back to the entry chosen before. False when the change is over.
bool CPage5Setup::OnSelchangeNetPort(int previous)
{
    const std::string text = m_boxes.portName.Text();
    const bool adding = IsAddNetPrinterEntry(text);
    if (adding || IsFindNetPrintersEntry(text)) {
        printer::NetAddress address;
        if (!(adding ? AskNetAddress(address) : FindNetPrinter(address))) {
            m_boxes.portName.selected = previous;
            ShowBoxes();
            return false;
        }
        AddNetPrinter(m_boxes.portName, m_netPrinters, address);
        SaveNetPrinters(); // an added printer is kept even if the dialog is not closed normally
        ShowBoxes();
    }
    // A network printer is driven like a serial one (and Device.INI says serial).
    const std::string chosen = m_boxes.portName.Text();
    if (printer::IsNetName(chosen))
        m_bParallel = false;
    else if (printer::LptNumber(chosen) != 0)
        m_bParallel = true;
    return true;
}

bool CPage5Setup::AskNetAddress(printer::NetAddress& address)
{
    CNetPrinterDlg dialog(window());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    address = dialog.m_address;
    return true;
}

// Looks for a bounded time (the window keeps painting), then lets the user pick one of
// the printers found; false with a message when there is none to pick.
bool CPage5Setup::FindNetPrinter(printer::NetAddress& address)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const printer::DiscoveryOutcome outcome = printer::FindRawPrinters(m_session.m_context);
    QApplication::restoreOverrideCursor();
    if (outcome.status != printer::DiscoveryOutcome::Status::Done) {
        platform::AfxMessageBox(printer::DescribeDiscoveryFailure(outcome), platform::MB_ICONEXCLAMATION);
        return false;
    }
    const std::vector<printer::FoundPrinter> found = printer::ListFoundPrinters(outcome.services);
    if (found.empty()) {
        platform::AfxMessageBox("No network printer announced itself.", platform::MB_ICONEXCLAMATION);
        return false;
    }
    QStringList items;
    for (const printer::FoundPrinter& printer : found)
        items << QString::fromStdString(printer.name + "  " + printer::NetName(printer.address));
    QInputDialog dialog(window());
    dialog.setObjectName(QStringLiteral("findNetPrinters"));
    dialog.setWindowTitle(QStringLiteral("Nivora"));
    dialog.setLabelText(QStringLiteral("Network printers found:"));
    dialog.setComboBoxItems(items);
    dialog.setOption(QInputDialog::UseListViewForComboBoxItems);
    if (dialog.exec() != QDialog::Accepted || !items.contains(dialog.textValue()))
        return false;
    address = found[static_cast<size_t>(items.indexOf(dialog.textValue()))].address;
    return true;
}

void CPage5Setup::SaveNetPrinters()
{
    m_netPrinters.selected = SelectedNetPrinter(m_boxes.portName, m_netPrinters);
    PrivateProfile profile = m_session.Profile();
    if (!m_netPrinters.printers.empty() ||
        !profile.GetProfileString(printer::kNetSection, "Printer1").empty())
        printer::WriteNetPrinters(profile, m_netPrinters);
}
