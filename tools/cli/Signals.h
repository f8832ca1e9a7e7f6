#pragma once
// How nivora-cli ends on a signal. A printer port must never be left exclusive, locked
// or with output queued behind a printer that holds its line: SIGTERM, SIGHUP and
// Ctrl-C release the open ports (printer/OpenPortRegistry.h) and then end the program
// as the signal would.
//
// While a download runs, the first Ctrl-C only asks it to stop: it is acknowledged on
// standard error at once, the run stops at the next image boundary, or at once when
// the printer is taking nothing; a second Ctrl-C ends the program.
#include <atomic>
#include <csignal>

#include "printer/WaitWatch.h"

namespace cli {

// For the whole process, from main().
void InstallSignalHandlers();

// The first Ctrl-C asks the run to stop, for the lifetime of the object.
class StopOnInterrupt final : public printer::WaitWatcher {
public:
    StopOnInterrupt();
    ~StopOnInterrupt() override;
    StopOnInterrupt(const StopOnInterrupt&) = delete;
    StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;

    static bool Requested();
    // Ends a wait on a printer that has taken nothing for a moment once a stop was
    // asked for; tells the user once when the printer stops taking data.
    bool Continue(const printer::WaitProgress& progress) override;

private:
    printer::ScopedWaitWatcher m_watching{this};
    struct sigaction m_previousAction {};
    std::atomic<bool> m_toldSlow{false}; // the printers of a many-printer run share it
};

} // namespace cli
