#include "ui/PrinterWaitCancel.h"

#include <QCoreApplication>
#include <utility>

#include "ui/CancelButtonOnly.h"

CPrinterWaitCancel::CPrinterWaitCancel(std::string cancelEnds) : m_strCancelEnds(std::move(cancelEnds))
{
}

void CPrinterWaitCancel::OnNotTakingData(const printer::WaitReport& report)
{
    if (m_bCancelledInWait)
        return;
    // Every slice: the printer's own state may change while it waits.
    ShowWaitStatus(printer::NotTakingDataText(report) + " " + m_strCancelEnds);
    m_bWaitingOnPrinter = true;
    {
        const CCancelButtonOnly onlyCancel(WaitCancelButton());
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    m_bWaitingOnPrinter = false;
    if (m_bCancelledInWait)
        m_cancelToken.store(true);
}

void CPrinterWaitCancel::CancelWait()
{
    if (m_bWaitingOnPrinter)
        m_bCancelledInWait = true;
}
