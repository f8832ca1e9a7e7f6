#include "tests/support/VirtualClock.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>

namespace testing_support {

void ManualClock::SleepFor(std::chrono::milliseconds d)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_sleeps.push_back(static_cast<int>(d.count()));
    }
    if (d.count() > 0)
        m_ms += d.count();
}

int ManualClock::Poll(int fd, short events, std::chrono::milliseconds d)
{
    pollfd entry{fd, events, 0};
    const int realMs = static_cast<int>(std::min<long long>(d.count(), m_realWaitMs.load()));
    int result = 0;
    do
        result = ::poll(&entry, 1, realMs);
    while (result < 0 && errno == EINTR);
    if (result < 0)
        return -1;
    if (result > 0)
        return entry.revents;
    if (d.count() > 0)
        m_ms += d.count();
    return 0;
}

std::vector<int> ManualClock::Sleeps() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_sleeps;
}

void ManualClock::ClearSleeps()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_sleeps.clear();
}

} // namespace testing_support
