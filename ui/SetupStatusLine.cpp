#include "ui/SetupStatusLine.h"

#include "platform/Messages.h"

CSetupStatusLine::CSetupStatusLine(QWidget* page, const QRect& geometry) : m_label(new QLabel(page))
{
    m_label->setObjectName(QStringLiteral("labelSetupStatus"));
    m_label->setGeometry(geometry);
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label->hide();
}

void CSetupStatusLine::Show(const std::string& text)
{
    m_label->setText(QString::fromStdString(text));
    m_label->setToolTip(m_label->text());
    m_label->show();
}

void CSetupStatusLine::Hide()
{
    m_label->clear();
    m_label->hide();
}

void CSetupStatusLine::ShowSummary(const std::string& summary)
{
    if (summary.empty())
        Hide();
    else
        Show(summary);
}

void CSetupStatusLine::ShowOpenFailure(const std::string& device, int error)
{
    const std::string text = printer::PermissionMessage(device, error);
    if (text.empty())
        Hide();
    else
        Show(text);
}

void CSetupStatusLine::ShowNetFailure(const std::string& entry, const std::string& reason)
{
    Show(entry + ": " + reason);
}

void CSetupStatusLine::ShowForbidden(const std::vector<printer::PortRefusal>& refused)
{
    if (refused.empty()) {
        Hide();
        return;
    }
    // One device is enough to act on: the advice is the same for its siblings.
    const printer::PortRefusal& first = refused.front();
    std::string text = "You may not open " + first.device + " (" + first.name + ")";
    if (refused.size() > 1)
        text += " and " + std::to_string(refused.size() - 1) + " more";
    Show(text + ": " + printer::PermissionAdvice(first.device) + ".");
}
