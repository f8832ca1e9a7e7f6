#include "ui/PrinterWaitCancel.h"

#include <QCoreApplication>
#include <utility>

#include "ui/CancelButtonOnly.h"

CPrinterWaitCancel::CPrinterWaitCancel(std::string cancelEnds) : m_strCancelEnds(std::move(cancelEnds))
{
}

bool CPrinterWaitCancel::Continue(const printer::WaitProgress& progress)
{
    if (m_bCancelledInWait)
        return false;
    if (progress.idle < printer::SlowPrinterAfter())
        return true;
    // Every slice: the printer's own state may change while it waits.
    ShowWaitStatus(printer::NotTakingDataText(progress) + " " + m_strCancelEnds);
    m_bWaitingOnPrinter = true;
    {
        const CCancelButtonOnly onlyCancel(WaitCancelButton());
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    m_bWaitingOnPrinter = false;
    return !m_bCancelledInWait;
}

void CPrinterWaitCancel::CancelWait()
{
    if (m_bWaitingOnPrinter)
        m_bCancelledInWait = true;
}
