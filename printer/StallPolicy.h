#pragma once
// The one rule for a printer that takes nothing, for every kind of link. A link that
// writes, waits for DSR, drains before a close or connects asks its policy between
// short slices (kSlice); the policy
//   - tells the observer of every slice (the window repaints there until runs leave
//     its thread),
//   - reports "not taking data" to the observer once the printer has taken nothing for
//     the context's slowPrinterAfter (2 s), with what the link knows of why, on every
//     slice from then on,
//   - gives up after the context's stallLimit (30 s) without a byte moving,
//   - and ends the wait at once when the run is cancelled while the printer takes
//     nothing (kCancelWhenIdle without a byte moving; a connect or a name lookup ends
//     at once). A printer that is taking data finishes the piece it was given.
//
// The cancel token is a lock-free atomic flag: any thread, and a signal handler, may
// set it. A policy belongs to one link and is used from that link's thread only.
#include <atomic>
#include <chrono>
#include <string>

#include "platform/Clock.h"
#include "platform/Context.h"

namespace printer {

using CancelToken = std::atomic<bool>;
static_assert(CancelToken::is_always_lock_free, "a signal handler sets the cancel token");

inline constexpr std::chrono::milliseconds kSlice{20};
inline constexpr std::chrono::milliseconds kCancelWhenIdle{100};

enum class WaitKind {
    Write,    // the device takes no more bytes
    Dsr,      // the printer holds DSR low
    Delivery, // bytes already written have not left yet (before a close or an answer)
    Connect,  // the network printer has not accepted the connection yet
    Lookup,   // the network printer's name is being looked up
};

struct WaitReport {
    WaitKind kind = WaitKind::Write;
    std::chrono::milliseconds idle{0}; // since the printer last took a byte
    std::string printerState;          // "out of paper", "off-line", "error", or "" when unknown
};

// "The printer is not taking data (out of paper)." and the like, for status lines.
std::string NotTakingDataText(const WaitReport& report);

// Someone to tell while a run waits on its printer. Called on the link's thread.
class WaitObserver {
public:
    virtual ~WaitObserver() = default;
    // Every slice of every wait.
    virtual void OnSlice() {}
    // The printer has taken nothing for slowPrinterAfter; on every slice until it does.
    virtual void OnNotTakingData(const WaitReport& report) = 0;
};

// Who watches a link's waits and what cancels them; either may be missing.
struct WaitSupervision {
    WaitObserver* observer = nullptr;
    const CancelToken* cancel = nullptr;
    // When set, how long the printer may take nothing in place of the context's stall
    // limit: longer while it is known to be writing its memory, shorter for a request
    // that is only worth its answer's deadline.
    std::chrono::milliseconds patience{0};
};

class StallPolicy {
public:
    enum class Verdict { Wait, Stalled, Cancelled };

    StallPolicy(const platform::Context& context, WaitSupervision supervision = {});

    void Supervise(WaitSupervision supervision) { m_supervision = supervision; }
    const WaitSupervision& Supervision() const { return m_supervision; }
    const platform::Context& Context() const { return m_context; }
    platform::Clock& Clock() const { return *m_context.clock; }

    // Starts watching a wait of this kind; its idle time starts now.
    void Begin(WaitKind kind);
    // The same wait goes on for another reason (DSR dropped during a write).
    void SetKind(WaitKind kind) { m_kind = kind; }
    // A byte moved: the printer is taking data.
    void Moved();
    // Time on top of the stall limit for this wait (a slow line's queued bytes).
    void Allow(std::chrono::milliseconds extra) { m_allowance = extra; }
    // Between two slices of a wait on the printer: tells the observer, then ends the
    // wait when it is cancelled (and the printer takes nothing) or has stalled.
    Verdict Check(const std::string& printerState = {});
    // Between two slices of a wait that knows no stall (a connect, a lookup, an answer):
    // tells the observer; true when the run is cancelled.
    bool CancelledNow();
    bool CancelRequested() const;

    std::chrono::milliseconds Idle() const;
    // The stall limit of these waits: the supervision's patience, else the context's.
    std::chrono::milliseconds Limit() const
    {
        return m_supervision.patience.count() > 0 ? m_supervision.patience : m_context.stallLimit;
    }
    WaitKind Kind() const { return m_kind; }

private:
    const platform::Context& m_context;
    WaitSupervision m_supervision;
    WaitKind m_kind = WaitKind::Write;
    platform::Clock::TimePoint m_lastMoved;
    std::chrono::milliseconds m_allowance{0};
};

} // namespace printer
