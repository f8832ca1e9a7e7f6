#include "ui/PrintProgress.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/Wait.h"
#include "printer/PrinterPort.h"
#include "ui/DataExchange.h"
#include "ui/DialogUnits.h"

CPrintProgress::CPrintProgress(QWidget* parent)
    : QDialog(parent), CPrinterWaitCancel(msg::kCancelEndsPrint), m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("CPrintProgress"));
    setWindowTitle(QStringLiteral("Nivora"));
    const DialogUnits dlu(QApplication::font());
    // Two lines of status: one for the count, room for why a printer takes nothing.
    setFixedSize(dlu.X(187), dlu.Y(68));

    m_status = new QLabel(QStringLiteral("Printing..."), this);
    m_status->setObjectName(QStringLiteral("static1057"));
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_status->setWordWrap(true);
    m_status->setGeometry(dlu.Rect(7, 7, 173, 20));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress1058"));
    m_progress->setGeometry(dlu.Rect(7, 30, 173, 13));
    m_progress->setTextVisible(false);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setGeometry(dlu.Rect(59, 47, 69, 14));
    connect(m_cancel, &QPushButton::clicked, this, &CPrintProgress::reject);

    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &CPrintProgress::OnTimer);
    // A window's timers end with the window.
    connect(this, &QDialog::finished, m_timer, &QTimer::stop);
}

void CPrintProgress::SetPrintParam(CPrinterPort* port, int range, int quality, int header, PrintList list,
                                   int jobCount)
{
    m_hPort = port;
    m_nRange = range;
    m_nQuality = quality;
    m_nHeader = header;
    m_printList = std::move(list);
    m_nJobCount = jobCount;
}

int CPrintProgress::DoModal()
{
    // Windows sends WM_CANCELMODE to the dialog when a message box opens over it. Here
    // every message box calls the registered target's OnCancelMode before it is shown,
    // so the dialog is registered for exactly the length of its modal run.
    platform::CancelModeScope cancelMode(this);
    // The port layer tells this dialog about every long wait of the run.
    const CPrinterPort::Watching watching(m_hPort, this, WaitCancelToken());
    OnInitDialog();
    return exec() == QDialog::Accepted ? platform::IDOK : platform::IDCANCEL;
}

bool CPrintProgress::OnInitDialog()
{
    UpdateData(false); // the template's "Printing..." gives way at once
    m_bStop = false;
    m_strStatus.assign(1, ' '); // a single space until the first image is out
    m_progress->setRange(0, ProgressUpper(m_nJobCount));
    m_progress->setValue(0);
    UpdateData(false);
    StartWalk();
    m_timer->start(kPrintTickMs);
    return true;
}

void CPrintProgress::SetTickInterval(int ms)
{
    m_timer->setInterval(ms);
}

void CPrintProgress::OnTimer()
{
    if (m_bInTick)
        return;
    m_bInTick = true;
    if (NextTick(m_printList, m_nJobCount) == Tick::Finished)
        Finish();
    m_bInTick = false;
}

void CPrintProgress::Finish()
{
    m_timer->stop();
    platform::Sleep(kPrintFinishPauseMs); // the full bar and the last count stay in view
    OnOK();
}

void CPrintProgress::OnCancel()
{
    m_bStop = true;
    CancelWait();
    QDialog::reject();
}

void CPrintProgress::reject()
{
    OnCancel();
}

void CPrintProgress::OnOK()
{
    QDialog::accept();
}

void CPrintProgress::OnCancelMode()
{
    if (!m_bError)
        m_bStop = true;
    OnOK();
}

bool CPrintProgress::WriteBuffer(const uint8_t* buffer, uint32_t length)
{
    return m_hPort && m_hPort->WritePlain(buffer, length);
}

void CPrintProgress::OnImagePrinted()
{
    m_progress->setValue(ProgressPosition(m_nPrinted, m_nJobCount));
    m_strStatus = PrintStatusText(m_nPrinted);
    UpdateData(false);
}

void CPrintProgress::OnWriteFailed()
{
    m_timer->stop();
    // Cancel during a wait on the printer ended the write, and the dialog with it:
    // there is nothing to report.
    if (m_bCancelledInWait)
        return;
    CPrintWalk::OnWriteFailed(); // the message, and with it the cancel mode
    OnOK();
}

QAbstractButton* CPrintProgress::WaitCancelButton() const
{
    return m_cancel;
}

void CPrintProgress::ShowWaitStatus(const std::string& text)
{
    m_strStatus = text;
    UpdateData(false);
}

bool CPrintProgress::UpdateData(bool saveAndValidate)
{
    CDataExchange dx(saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

void CPrintProgress::DoDataExchange(CDataExchange& dx)
{
    // The progress bar (1058) is used as the control itself.
    DDX_Text(dx, m_status, m_strStatus);
}
