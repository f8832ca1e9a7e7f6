#pragma once
// Time as a run sees it: the pauses of a download or a print, the deadlines of a
// printer's answers, the slices in which a link waits for its device, and the stall
// rule's idle time all come from one Clock. The program's clock is the steady clock and
// waits for real; tests hand in a virtual clock whose waits return at once and move its
// time on, so that a 30 s stall or a 150 s busy printer costs them nothing.
//
// Thread-safety: a Clock is used by every run of a process at once (many printers, each
// on its own thread), so every implementation must be safe to call concurrently.
#include <chrono>

namespace platform {

class Clock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    virtual TimePoint Now() const = 0;
    // Returns after d (at once for d <= 0).
    virtual void SleepFor(std::chrono::milliseconds d) = 0;
    // poll(2) on one descriptor for up to d: the revents seen, 0 when d passed without
    // any, -1 with errno on an error other than EINTR. A virtual clock looks without
    // waiting and, when nothing is ready, moves its time on by d.
    virtual int Poll(int fd, short events, std::chrono::milliseconds d) = 0;

    // Milliseconds from now until deadline, never below 0.
    std::chrono::milliseconds Until(TimePoint deadline) const;
};

// The steady clock, waiting for real. One instance for the process.
Clock& SteadyClock();

} // namespace platform
