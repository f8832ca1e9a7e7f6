#include "tests/support/VirtualClock.h"

#include <cerrno>
#include <poll.h>

namespace testing_support {

void ManualClock::SleepFor(std::chrono::milliseconds d)
{
    if (d.count() > 0)
        m_ms += d.count();
}

int ManualClock::Poll(int fd, short events, std::chrono::milliseconds d)
{
    pollfd entry{fd, events, 0};
    int result = 0;
    do
        result = ::poll(&entry, 1, 0);
    while (result < 0 && errno == EINTR);
    if (result < 0)
        return -1;
    if (result > 0)
        return entry.revents;
    SleepFor(d);
    return 0;
}

} // namespace testing_support
