#include "ui/ClassicHintLine.h"

#include <QLabel>
#include <QTimer>

#include "download/ClassicHint.h"
#include "logo/Logo.h"

CClassicHintLine::CClassicHintLine(QLabel* label) : QObject(label), m_label(label), m_timer(new QTimer(this))
{
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label->hide();
    m_timer->setInterval(0);
    connect(m_timer, &QTimer::timeout, this, &CClassicHintLine::JudgeNext);
}

void CClassicHintLine::Judge(const std::vector<std::string>& paths, int threshold)
{
    m_threshold = threshold;
    m_hints.clear();
    m_names.clear();
    Show();
    for (const std::string& path : paths)
        if (m_judged.insert(path).second)
            m_waiting.push_back(path);
    if (!m_waiting.empty())
        m_timer->start();
}

void CClassicHintLine::JudgeNext()
{
    if (m_waiting.empty()) {
        m_timer->stop();
        return;
    }
    const std::string path = m_waiting.front();
    m_waiting.pop_front();
    const std::string name = FileNameOf(path);
    const std::string hint = ClassicHintText(name, JudgeClassicBmp(path, m_threshold));
    if (!hint.empty()) {
        m_hints.push_back(hint);
        m_names.push_back(name);
        Show();
    }
    if (m_waiting.empty())
        m_timer->stop();
}

void CClassicHintLine::Show()
{
    if (m_hints.empty()) {
        m_label->clear();
        m_label->hide();
        return;
    }
    // One hint in full; the others by name, as their advice is the same.
    std::string text = m_hints.front();
    for (size_t i = 1; i < m_names.size(); ++i)
        text += (i == 1 ? "\nAlso: " : ", ") + m_names[i];
    m_label->setText(QString::fromStdString(text));
    m_label->setToolTip(m_label->text());
    m_label->show();
}
