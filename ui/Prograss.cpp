#include "ui/Prograss.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "platform/Messages.h"
#include "ui/DialogUnits.h"
#include "ui/RunHost.h"

CPrograss::CPrograss(RunHost& host, QWidget* parent) : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("CPrograss"));
    setWindowTitle(QStringLiteral("Nivora"));
    setWindowModality(Qt::WindowModal);
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
    // An empty range keeps the bar empty (Qt would animate a busy bar).
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("button2"));
    m_cancel->setGeometry(dlu.Rect(59, 50, 69, 14));
    connect(m_cancel, &QPushButton::clicked, this, &CPrograss::OnCancel);

    connect(&host, &RunHost::Status, this, &CPrograss::ShowStatus);
    connect(&host, &RunHost::Progress, this, &CPrograss::ShowProgress);
    // "Paper near end." follows every status line of the run.
    connect(&host, &RunHost::Warning, this, [this](const QString& text) { m_warning = text; });
    connect(&host, &RunHost::NotTakingData, this, [this](const QString& why) {
        ShowStatus(why + QLatin1Char(' ') + QString::fromLatin1(msg::kCancelEndsDownload));
    });
}

void CPrograss::ShowStatus(const QString& text)
{
    m_status->setText(m_warning.isEmpty() ? text : text + QLatin1Char(' ') + m_warning);
}

void CPrograss::ShowProgress(int value, int upper)
{
    // Centring columns can take the count past the range: the bar then stays at its end.
    m_progress->setRange(0, std::max(upper, 1));
    m_progress->setValue(std::clamp(value, 0, std::max(upper, 0)));
}

void CPrograss::OnCancel()
{
    m_host.Cancel();
    m_cancel->setEnabled(false);
}

void CPrograss::reject()
{
    OnCancel();
}
