#include "printer/PrinterDeviceLink.h"

#include <cerrno>
#include <poll.h>

#include "printer/PrinterStatus.h"

namespace printer {
namespace {

constexpr std::chrono::milliseconds kStatusEvery{2000};
constexpr short kHungUp = POLLERR | POLLHUP | POLLNVAL;

} // namespace

PrinterDeviceLink::PrinterDeviceLink(const platform::Context& context, const std::string& device,
                                     ExclusiveDevice opened, WaitSupervision supervision)
    : DescriptorLink(Kind::PrinterDevice, device, context, supervision, std::move(opened), false)
{
}

PrinterDeviceLink::~PrinterDeviceLink()
{
    Close();
}

std::string PrinterDeviceLink::PrinterState()
{
    const platform::Clock::TimePoint now = m_policy.Clock().Now();
    if (m_policy.Idle() >= Context().slowPrinterAfter && now >= m_nextStatus) {
        if (const std::optional<int> status = ReadLpStatus(m_fd))
            m_state = DescribeLpStatus(*status);
        m_nextStatus = now + kStatusEvery;
    }
    return m_state;
}

int PrinterDeviceLink::HangUpError() const
{
    return ENODEV;
}

LinkStatus PrinterDeviceLink::Drain()
{
    if (m_fd < 0)
        return LinkStatus::Success();
    if (!UndeliveredReason().Ok())
        return UndeliveredReason();
    m_policy.Begin(WaitKind::Delivery);
    for (;;) {
        const int revents = m_policy.Clock().Poll(m_fd, POLLOUT, kSlice);
        if (revents < 0 || (revents & kHungUp))
            return Undelivered(LinkStatus::FromErrno(revents < 0 ? errno : ENODEV, Name()));
        if (revents & POLLOUT)
            return LinkStatus::Success();
        if (const StallPolicy::Verdict verdict = StillWaiting(); verdict != StallPolicy::Verdict::Wait)
            return Undelivered(Ended(verdict, m_state));
    }
}

uint64_t PrinterDeviceLink::DeliveredBytes() const
{
    // The driver runs one transfer at a time and says nothing of how far it got: while
    // one is under way, its last byte at least is not the printer's yet.
    pollfd entry{m_fd, POLLOUT, 0};
    if (m_fd < 0 || (::poll(&entry, 1, 0) == 1 && (entry.revents & POLLOUT)))
        return m_written;
    return m_written > 0 ? m_written - 1 : 0;
}

} // namespace printer
