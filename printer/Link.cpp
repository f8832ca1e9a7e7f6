#include "printer/Link.h"

namespace printer {

LinkStatus Link::Note(LinkStatus status)
{
    if (!status.Ok()) {
        if (status.device.empty())
            status.device = m_name;
        m_lastFailure = status;
    }
    return status;
}

LinkStatus Link::Ended(StallPolicy::Verdict verdict, const std::string& printerState) const
{
    LinkStatus status;
    status.device = m_name;
    status.printerState = printerState;
    if (verdict == StallPolicy::Verdict::Cancelled) {
        status.code = LinkStatus::Code::Cancelled;
        status.error = ECANCELED;
    } else {
        status.code = LinkStatus::Code::Stalled;
        status.error = ETIMEDOUT;
        status.detail = SecondsText(m_policy.Limit().count());
    }
    return status;
}

} // namespace printer
