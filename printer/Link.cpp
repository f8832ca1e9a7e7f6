#include "printer/Link.h"

#include <cerrno>

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

bool Link::HandOverAtOnce(std::span<const uint8_t> bytes,
                          const std::function<long(const uint8_t*, size_t)>& put)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const long n = put(bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            m_written += static_cast<uint64_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace printer
