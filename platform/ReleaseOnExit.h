#pragma once
// What this process must hand back when a signal ends it: the printer ports it has
// open (queued output thrown away, closed, so the line is free and the kernel's closing
// wait finds nothing to wait for), their UUCP lock files, and the temporary files of
// outputs not yet in place. A program killed by SIGTERM or SIGHUP (or a second Ctrl-C)
// must leave no port exclusive, no stale lock and no half-written file behind.
//
// Registrations are made and dropped from any thread; there is no limit to how many
// are held at once. ReleaseAllForExit is the one call a signal handler makes.
#include <string>

namespace platform {

class ReleaseOnExit {
public:
    ReleaseOnExit() = default;
    ~ReleaseOnExit() { Forget(); }
    ReleaseOnExit(ReleaseOnExit&& other) noexcept;
    ReleaseOnExit& operator=(ReleaseOnExit&& other) noexcept;
    ReleaseOnExit(const ReleaseOnExit&) = delete;
    ReleaseOnExit& operator=(const ReleaseOnExit&) = delete;

    // An open port: terminal tells whether its output queue is to be thrown away,
    // lockPath is its lock file ("" for none). Replaces what this object held.
    void Port(int fd, bool terminal, const std::string& lockPath);
    // A temporary file to remove. Replaces what this object held.
    void TempFile(const std::string& path);
    // Drops the registration; call it before closing the descriptor or renaming the file.
    void Forget();
    bool Held() const { return m_slot != nullptr; }

    struct Slot; // where a signal handler finds the registration

private:
    Slot* m_slot = nullptr;
};

// Async-signal-safe: for every registration, throws away a terminal's queued output and
// ends its exclusive mode, closes the descriptor, and removes the lock and temporary
// files. Output is never stopped (TCOOFF): the line is left running as it was found.
// Entries released here stay released.
void ReleaseAllForExit();

// A signal handler that releases everything (ReleaseAllForExit) and then ends the
// process as the signal's default action would. Async-signal-safe.
extern "C" void ReleaseAndEndOnSignal(int signal);

// SIGTERM, SIGHUP and SIGINT end the process through ReleaseAndEndOnSignal, each with
// the three blocked while it runs. For the whole process, from main(); the window's
// program installs exactly this, the command line replaces the SIGINT part while a run
// may be stopped instead.
void EndOnSignalsReleasingPorts();

} // namespace platform
