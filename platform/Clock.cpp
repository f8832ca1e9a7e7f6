#include "platform/Clock.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <thread>

namespace platform {
namespace {

class RealClock final : public Clock {
public:
    TimePoint Now() const override { return std::chrono::steady_clock::now(); }

    void SleepFor(std::chrono::milliseconds d) override
    {
        if (d.count() > 0)
            std::this_thread::sleep_for(d);
    }

    int Poll(int fd, short events, std::chrono::milliseconds d) override
    {
        const TimePoint deadline = Now() + d;
        pollfd entry{fd, events, 0};
        for (;;) {
            const int result = ::poll(&entry, 1, static_cast<int>(Until(deadline).count()));
            if (result >= 0)
                return result == 0 ? 0 : entry.revents;
            if (errno != EINTR)
                return -1;
        }
    }
};

} // namespace

std::chrono::milliseconds Clock::Until(TimePoint deadline) const
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Now());
    return std::max(left, std::chrono::milliseconds(0));
}

Clock& SteadyClock()
{
    static RealClock clock;
    return clock;
}

} // namespace platform
