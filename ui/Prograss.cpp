#include "ui/Prograss.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cerrno>

#include "app/Session.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/Text.h"
#include "platform/Wait.h"
#include "printer/PrinterPort.h"
#include "ui/DataExchange.h"
#include "ui/DialogUnits.h"

namespace {

constexpr int kStepIntervalMs = 10;

} // namespace

CPrograss::CPrograss(Session& session, QWidget* parent)
    : QDialog(parent), CDownloadWalk(DownloadJobs(session.m_list), session.m_settings.m_nThreshold,
                                     session.m_settings.m_nMaxPrintWidth,
                                     static_cast<HalftoneMode>(session.m_settings.m_nHalftone)),
      CPrinterWaitCancel(msg::kCancelEndsDownload), m_session(session), m_timer1(new QTimer(this)),
      m_timer2(new QTimer(this))
{
    setObjectName(QStringLiteral("CPrograss"));
    setWindowTitle(QStringLiteral("Nivora"));
    setModal(true);
    const DialogUnits dlu(QApplication::font());
    setFixedSize(dlu.X(187), dlu.Y(71));
    m_status = new QLabel(QStringLiteral("Uploading..."), this);
    m_status->setObjectName(QStringLiteral("static1057"));
    m_status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_status->setWordWrap(true);
    m_status->setGeometry(dlu.Rect(7, 7, 173, 29));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress1069"));
    m_progress->setTextVisible(false);
    m_progress->setGeometry(dlu.Rect(7, 38, 173, 11));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("button2"));
    m_cancel->setGeometry(dlu.Rect(59, 50, 69, 14));
    connect(m_cancel, &QPushButton::clicked, this, &CPrograss::OnCancel);

    // Both timers are used one-shot: each step starts the next one when it has ended,
    // so two steps never overlap however long one takes.
    for (QTimer* timer : {m_timer1, m_timer2}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(kStepIntervalMs);
    }
    m_timer1->setObjectName(QStringLiteral("timer1"));
    m_timer2->setObjectName(QStringLiteral("timer2"));
    connect(m_timer1, &QTimer::timeout, this, [this] { OnTimer(1); });
    connect(m_timer2, &QTimer::timeout, this, [this] { OnTimer(2); });
}

CPrograss::~CPrograss() = default;

int CPrograss::DoModal()
{
    // Qt knows no WM_CANCELMODE. Every message box calls platform::SendCancelMode
    // before it appears, and this scope makes the dialog the one it reaches for the
    // length of the run: a box over the dialog ends the run through OnCancelMode, with
    // OK after an error and as a stop otherwise.
    platform::CancelModeScope cancelMode(this);
    // OnInitDialog runs from the event loop once the window is up, so that "Erasing..."
    // shows during the erase wait instead of a window that has not appeared yet.
    QTimer::singleShot(0, this, [this] {
        if (!m_bEnded)
            OnInitDialog();
    });
    const CPrinterPort::Watching watching(m_hPort, this, WaitCancelToken());
    return exec() == QDialog::Accepted ? platform::IDOK : platform::IDCANCEL;
}

void CPrograss::DoDataExchange(CDataExchange& dx)
{
    DDX_Text(dx, m_status, m_strStatus);
}

bool CPrograss::UpdateData(bool saveAndValidate)
{
    CDataExchange dx(saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

bool CPrograss::OnInitDialog()
{
    // The range is a 16-bit value, as the bar's range always was. An empty range keeps
    // the bar empty (Qt would animate a busy bar).
    m_nRangeUpper = static_cast<int16_t>(m_session.m_list.TotalBytes() / 100);
    m_progress->setRange(0, std::max(m_nRangeUpper, 1));
    m_progress->setValue(0);
    m_strStatus = "Erasing...";

    m_nImage = 0;
    Start(); // a failure is reported; its box ends the dialog after the erase wait
    UpdateData(false);
    WaitForErase(); // also after a failure: the printer may have begun erasing
    SetTimer(1);
    return true;
}

void CPrograss::OnTimer(int id)
{
    m_session.m_context.Trace("[VARNEX] CPrograss::OnTimer(%d)\r\n", id);
    // Timers fire inside the pauses too (they run an event loop): a step never starts
    // inside another one; the timer comes back instead.
    if (m_bInTimer) {
        SetTimer(id);
        return;
    }
    m_bInTimer = true;
    KillTimer(id);
    if (id == 1 || m_nImage < Count())
        Step();
    else
        Finish();
    m_bInTimer = false;
}

void CPrograss::Step()
{
    if (++m_nImage > Count())
        return;
    switch (NextStep()) {
    case Step::Sent:
        SetTimer(2);
        break;
    case Step::Stopped:
        m_nWait = SizeOfImageAt(m_nSeq);
        platform::Sleep(2 * m_nWait);
        EndDialog(platform::IDOK);
        break;
    case Step::Finished:
        Finish();
        break;
    case Step::Failed: // reported; the box has ended the dialog
        break;
    }
}

void CPrograss::OnImagePrepared(const CNvImage&)
{
    m_nWait = 0;
    ShowSending();
}

void CPrograss::OnPieceSent(int)
{
    // Centring columns can take the count past the range: the bar then stays at its
    // end, as the Windows control did (Qt would ignore the value).
    m_progress->setValue(std::clamp(m_nBytesSent / 100, 0, std::max(m_nRangeUpper, 0)));
    ShowSending();
}

void CPrograss::OnWriteFailed()
{
    if (m_bCancelledInWait)
        return; // the user ended it; there is nothing to report

    m_session.m_context.Trace(m_nSeq < 0 ? "CProgress OnInitDialog[%d]" : "CPrograss writeInstruction[%d]",
                              errno);
    CDownloadWalk::OnWriteFailed(); // the box ends the dialog (OnCancelMode)
    if (m_nSeq < 0)
        EndDialog(platform::IDOK);
}

void CPrograss::ShowSending()
{
    // The total grows by the centring columns of each image as it is prepared.
    const NvLogoJob* job = Current();
    ShowStatus(Format("Updating(%d/%d)...%s", m_nBytesSent, static_cast<int>(m_nTotalBytes),
                      job ? job->name.c_str() : ""));
}

void CPrograss::ShowStatus(const std::string& text)
{
    m_strStatus = text;
    UpdateData(false);
}

void CPrograss::Finish()
{
    // The list is stored only once the printer has the whole stream: a tail still in
    // the port (or a USB transfer in flight) is not a download yet.
    if (!m_bStop && m_hPort && !m_hPort->Deliver()) {
        m_bError = true;
        if (!m_bCancelledInWait)
            platform::AfxMessageBox(msg::kNotTransmitted, platform::MB_ICONEXCLAMATION);
        EndDialog(platform::IDOK);
        return;
    }
    // All keys change in one replacement of the file, or none does.
    if (!m_bStop)
        m_bProfileFailed = !m_session.StoreDownload(SentLogos());
    EndDialog(platform::IDOK);
}

void CPrograss::OnCancel()
{
    m_bStop = true;
    CancelWait();
    EndDialog(platform::IDCANCEL);
}

QAbstractButton* CPrograss::WaitCancelButton() const
{
    return m_cancel;
}

void CPrograss::ShowWaitStatus(const std::string& text)
{
    ShowStatus(text);
}

void CPrograss::reject()
{
    OnCancel();
}

void CPrograss::OnCancelMode()
{
    if (m_bEnded)
        return;
    if (m_bError) {
        EndDialog(platform::IDOK);
        return;
    }
    m_bStop = true;
    // Before the first step no image is on its way: the erase wait always runs to its
    // end before the dialog can close, so nothing is left to settle.
    m_nWait = SizeOfImageAt(m_nSeq);
    platform::Sleep(2 * m_nWait);
    EndDialog(platform::IDOK);
}

bool CPrograss::WriteBuffer(const uint8_t* buffer, uint32_t length)
{
    return m_hPort && ProgressWriteBuffer(*m_hPort, m_session.m_settings.m_strPortDevice, buffer, length);
}

void CPrograss::Pause(int ms)
{
    platform::Sleep(ms);
}

void CPrograss::EndDialog(int result)
{
    if (m_bEnded) // the first end stands: an error box closes the dialog before its caller does
        return;
    m_bEnded = true;
    m_timer1->stop();
    m_timer2->stop();
    done(result == platform::IDOK ? QDialog::Accepted : QDialog::Rejected);
}

void CPrograss::SetTimer(int id)
{
    // A closed dialog starts no further step: its run is over.
    if (!m_bEnded)
        (id == 1 ? m_timer1 : m_timer2)->start();
}

void CPrograss::KillTimer(int id)
{
    (id == 1 ? m_timer1 : m_timer2)->stop();
}

int CPrograss::SizeOfImageAt(int seq) const
{
    if (seq < 0 || seq >= Count())
        return 0;
    return Jobs()[static_cast<size_t>(seq)].nvSize;
}
