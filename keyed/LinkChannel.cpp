#include "keyed/LinkChannel.h"

namespace keyed {

LinkChannel::LinkChannel(printer::Link& link, printer::WaitSupervision supervision)
    : m_link(link), m_supervision(supervision), m_before(link.Policy().Supervision())
{
    m_link.Supervise(m_supervision);
}

LinkChannel::~LinkChannel()
{
    m_link.Supervise(m_before);
}

bool LinkChannel::Send(std::span<const uint8_t> bytes)
{
    return m_link.Write(bytes).Complete(bytes.size());
}

long LinkChannel::Receive(std::span<uint8_t> into, std::chrono::milliseconds wait)
{
    return m_link.Read(into, wait);
}

void LinkChannel::SetWaits(const Waits& waits)
{
    printer::WaitSupervision supervision = m_supervision;
    if (!waits.stoppable)
        supervision.cancel = nullptr;
    if (waits.patience.count() > 0) {
        // Minutes of taking nothing are the printer's work here, not news to report.
        supervision.observer = nullptr;
        supervision.patience = waits.patience;
    }
    m_link.Supervise(supervision);
}

} // namespace keyed
