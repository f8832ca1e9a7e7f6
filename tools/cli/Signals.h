#pragma once
// How nivora-cli ends on a signal. A printer port must never be left exclusive, locked
// or with output queued behind a printer that holds its line, and an output file never
// half-written under a temporary name: SIGTERM, SIGHUP and Ctrl-C hand back what the
// process holds (platform/ReleaseOnExit.h) and then end the program as the signal would.
//
// While a run on printers is under way, the first Ctrl-C only asks it to stop: it is
// acknowledged on standard error at once, the run stops at the next image boundary, or
// at once when the printer is taking nothing (or is still being connected to); a
// second Ctrl-C ends the program.
//
// The handlers do only what a signal handler may: set a lock-free flag, write, and
// release (tcflush, close, unlink), then end the process through the signal's own
// default action.
#include <atomic>
#include <csignal>

#include "printer/StallPolicy.h"

namespace cli {

// For the whole process, from main().
void InstallSignalHandlers();

// The first Ctrl-C asks the run to stop, for the lifetime of the object. Also the runs'
// observer: it says once when a printer stops taking data.
class StopOnInterrupt final : public printer::WaitObserver {
public:
    StopOnInterrupt();
    ~StopOnInterrupt() override;
    StopOnInterrupt(const StopOnInterrupt&) = delete;
    StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;

    static bool Requested();
    // Set by the first Ctrl-C: the runs' cancel token.
    static const printer::CancelToken* Token();
    void OnNotTakingData(const printer::WaitReport& report) override;

private:
    struct sigaction m_previousAction {};
    std::atomic<bool> m_toldSlow{false}; // the printers of a many-printer run share it
};

} // namespace cli
