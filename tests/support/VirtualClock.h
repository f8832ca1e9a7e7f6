#pragma once
// A platform::Clock for tests: its time starts at an arbitrary point and moves only
// when something sleeps or polls on it, so a run that would wait 30 s for a stalled
// printer finishes at once. Poll looks at the descriptor for up to a millisecond of
// real time (so a fake printer's thread gets its turn; a test that waits for a fake
// printer's answer gives it the whole slice in real time) and, when it is not ready,
// moves the time on by the whole slice asked for. Sleeps are recorded, so that a test can
// compare a run's pauses. Safe to share between the runs of many printers.
#include <atomic>
#include <chrono>
#include <mutex>
#include <vector>

#include "platform/Clock.h"

namespace testing_support {

class ManualClock final : public platform::Clock {
public:
    TimePoint Now() const override { return TimePoint(std::chrono::milliseconds(m_ms.load())); }
    void SleepFor(std::chrono::milliseconds d) override;
    int Poll(int fd, short events, std::chrono::milliseconds d) override;

    // Moves the time on as if d had passed.
    void Advance(std::chrono::milliseconds d) { m_ms += d.count(); }
    // How much real time a poll may wait at most (1 ms at first).
    void SetRealWait(std::chrono::milliseconds most) { m_realWaitMs = static_cast<int>(most.count()); }
    // Everything slept and polled so far.
    std::chrono::milliseconds Elapsed() const { return std::chrono::milliseconds(m_ms.load() - kStart); }
    // Every sleep, in milliseconds, in the order taken; polls are not sleeps.
    std::vector<int> Sleeps() const;
    void ClearSleeps();

private:
    static constexpr long long kStart = 1'000'000;
    std::atomic<long long> m_ms{kStart};
    std::atomic<int> m_realWaitMs{1};
    mutable std::mutex m_mutex;
    std::vector<int> m_sleeps;
};

// Real time for the waits on a printer, none for a run's fixed pauses (which are
// recorded, as ManualClock does): for runs on many printers at once, whose printers'
// threads need real time to take their bytes while the limits count it.
class PauseSkippingClock final : public platform::Clock {
public:
    TimePoint Now() const override { return platform::SteadyClock().Now(); }
    void SleepFor(std::chrono::milliseconds d) override { m_pauses.SleepFor(d); }
    int Poll(int fd, short events, std::chrono::milliseconds d) override
    {
        return platform::SteadyClock().Poll(fd, events, d);
    }
    std::vector<int> Sleeps() const { return m_pauses.Sleeps(); }

private:
    ManualClock m_pauses;
};

} // namespace testing_support
