#include "ui/RunHost.h"

#include <future>
#include <memory>

#include "platform/MessageBox.h"

RunHost::RunHost(QObject* parent) : QObject(parent)
{
}

RunHost::~RunHost()
{
    // What the job would still post is dropped with this object.
    m_cancel.store(true);
    Join();
}

void RunHost::Finished()
{
    Join(); // the thread has only its return left
    m_running = false;
    emit RunningChanged(false);
}

void RunHost::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void RunHost::Relay::OnTransfer()
{
    QMetaObject::invokeMethod(
        &m_host, [host = &m_host] { emit host->Transfer(); }, Qt::QueuedConnection);
}

void RunHost::Relay::OnStatus(const std::string& text)
{
    QMetaObject::invokeMethod(
        &m_host, [host = &m_host, text = QString::fromStdString(text)] { emit host->Status(text); },
        Qt::QueuedConnection);
}

void RunHost::Relay::OnProgress(const jobs::RunProgress& progress)
{
    QMetaObject::invokeMethod(
        &m_host,
        [host = &m_host, value = progress.bar, upper = progress.barUpper] {
            emit host->Progress(value, upper);
        },
        Qt::QueuedConnection);
}

void RunHost::Relay::OnWarning(const std::string& text)
{
    QMetaObject::invokeMethod(
        &m_host, [host = &m_host, text = QString::fromStdString(text)] { emit host->Warning(text); },
        Qt::QueuedConnection);
}

void RunHost::Relay::OnNotTakingData(const printer::WaitReport& report)
{
    QMetaObject::invokeMethod(
        &m_host,
        [host = &m_host, text = QString::fromStdString(printer::NotTakingDataText(report))] {
            emit host->NotTakingData(text);
        },
        Qt::QueuedConnection);
}

bool RunHost::Relay::OnQuestion(const std::string& text)
{
    // Shared with the window's call, which may come after this wait has given up.
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> answered = answer->get_future();
    QMetaObject::invokeMethod(
        &m_host,
        [answer, text] {
            answer->set_value(platform::AfxMessageBox(text, platform::MB_ICONQUESTION | platform::MB_YESNO) ==
                              platform::IDYES);
        },
        Qt::QueuedConnection);
    while (answered.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
        if (m_host.m_cancel.load())
            return false;
    return answered.get();
}

void ShowRunMessages(const std::vector<jobs::RunMessage>& messages)
{
    for (const jobs::RunMessage& message : messages)
        platform::AfxMessageBox(message.text, message.flags);
}
