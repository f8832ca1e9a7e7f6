#pragma once
// Someone to tell while the program waits on a printer that does not take data. The
// port layer reports each slice of a long write, DSR wait or delivery wait; the
// progress dialog shows the state and lets Cancel end the wait, the command-line tool
// ends it after Ctrl-C. Without a watcher the waits end only by the printer or by
// the stall limit.
#include <chrono>
#include <string>

namespace printer {

enum class WaitKind {
    Write,    // the device takes no more bytes
    Dsr,      // the printer holds DSR low
    Delivery, // bytes already written have not left yet (before a close or an answer)
};

// A wait that has lasted this long is worth telling the user about (and the progress
// dialog's Cancel button then works).
inline constexpr std::chrono::milliseconds kSlowPrinterAfter{2000};
// The value in force; tests shorten it.
std::chrono::milliseconds SlowPrinterAfter();
void SetSlowPrinterAfter(std::chrono::milliseconds after);

struct WaitProgress {
    WaitKind kind = WaitKind::Write;
    std::chrono::milliseconds idle{0}; // since the printer last took a byte
    std::string printerState;          // "out of paper", "off-line", "error", or "" when unknown
};

class WaitWatcher {
public:
    virtual ~WaitWatcher() = default;
    // Called between the slices of a wait; false ends the wait at once (ECANCELED).
    virtual bool Continue(const WaitProgress& progress) = 0;
};

// One watcher for the process, or none (nullptr).
void SetWaitWatcher(WaitWatcher* watcher);
WaitWatcher* CurrentWaitWatcher();

// Makes watcher the process's watcher for a scope, and the one before it again after.
class ScopedWaitWatcher {
public:
    explicit ScopedWaitWatcher(WaitWatcher* watcher) : m_previous(CurrentWaitWatcher())
    {
        SetWaitWatcher(watcher);
    }
    ~ScopedWaitWatcher() { SetWaitWatcher(m_previous); }
    ScopedWaitWatcher(const ScopedWaitWatcher&) = delete;
    ScopedWaitWatcher& operator=(const ScopedWaitWatcher&) = delete;

private:
    WaitWatcher* m_previous;
};

// What the port layer calls: true when the wait may go on.
bool WaitMayContinue(const WaitProgress& progress);

// "The printer is not taking data (out of paper)." and the like, for status lines.
std::string NotTakingDataText(const WaitProgress& progress);

} // namespace printer
