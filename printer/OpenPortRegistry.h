#pragma once
// The ports this process has open, kept where a signal handler can reach them. A
// program killed by SIGTERM or SIGHUP (or a second Ctrl-C) must still hand its ports
// back as it found them: exclusive mode off, its UUCP lock files gone, and nothing
// left queued that would hold the kernel's closing wait.
#include <string>

namespace printer {

// Registers an open descriptor; terminal tells whether it is a tty, lockPath is its
// UUCP lock file ("" for none). Up to a handful of ports; beyond that they are simply
// not released early (they close with the process).
void RegisterOpenPort(int fd, bool terminal, const std::string& lockPath);
void UnregisterOpenPort(int fd);

// True when a port of this process holds the lock file path.
bool LockHeldInThisProcess(const std::string& lockPath);

// Async-signal-safe: stops and discards the output of every registered terminal,
// clears its exclusive mode, and removes the lock files. The descriptors stay open
// for the process's end to close.
void ReleaseOpenPortsForExit();

} // namespace printer
