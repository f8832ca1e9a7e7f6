#pragma once
// A platform::Clock for tests: its time starts at an arbitrary point and moves only
// when something sleeps or polls on it, so a run that would wait 30 s for a stalled
// printer finishes at once. Poll looks at the descriptor without waiting and, when it
// is not ready, moves the time on by the whole slice asked for. Safe to share between
// the runs of many printers.
#include <atomic>
#include <chrono>

#include "platform/Clock.h"

namespace testing_support {

class ManualClock final : public platform::Clock {
public:
    TimePoint Now() const override { return TimePoint(std::chrono::milliseconds(m_ms.load())); }
    void SleepFor(std::chrono::milliseconds d) override;
    int Poll(int fd, short events, std::chrono::milliseconds d) override;

    // Moves the time on as if d had passed.
    void Advance(std::chrono::milliseconds d) { m_ms += d.count(); }
    // Everything slept so far, polls included.
    std::chrono::milliseconds Elapsed() const { return std::chrono::milliseconds(m_ms.load() - kStart); }

private:
    static constexpr long long kStart = 1'000'000;
    std::atomic<long long> m_ms{kStart};
};

} // namespace testing_support
