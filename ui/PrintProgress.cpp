#include "ui/PrintProgress.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "platform/Messages.h"
#include "ui/DialogUnits.h"
#include "ui/RunHost.h"

CPrintProgress::CPrintProgress(RunHost& host, QWidget* parent) : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("CPrintProgress"));
    setWindowTitle(QStringLiteral("Nivora"));
    setWindowModality(Qt::WindowModal);
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
    connect(m_cancel, &QPushButton::clicked, this, &CPrintProgress::OnCancel);

    connect(&host, &RunHost::Status, this, [this](const QString& text) {
        m_status->setText(m_warning.isEmpty() ? text : text + QLatin1Char(' ') + m_warning);
    });
    connect(&host, &RunHost::Progress, this, [this](int value, int upper) {
        m_progress->setRange(0, upper);
        m_progress->setValue(value);
    });
    // "Paper near end." follows every status line of the run.
    connect(&host, &RunHost::Warning, this, [this](const QString& text) { m_warning = text; });
    connect(&host, &RunHost::NotTakingData, this, [this](const QString& why) {
        m_status->setText(why + QLatin1Char(' ') + QString::fromLatin1(msg::kCancelEndsPrint));
    });
}

void CPrintProgress::OnCancel()
{
    m_host.Cancel();
    m_cancel->setEnabled(false);
}

void CPrintProgress::reject()
{
    OnCancel();
}
