#pragma once
// What a run needs of the world around it, handed in instead of kept in globals: the
// clock its pauses and waits go by, the limits of a printer that takes nothing, where
// the devices are, where trace lines go, and the few questions about the
// machine that tests answer themselves. The program builds one from its defaults (the
// real machine); a test builds its own with a manual clock, a device tree in a
// temporary folder and whatever seams it needs, so nothing is swapped behind a run's
// back and two tests never share one.
//
// Thread-safety: a Context is read by many runs at once (a run on many printers gives
// every printer's thread the same one, or a copy). Nobody changes a Context while a
// run uses it; copy it and change the copy instead.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/Clock.h"

struct addrinfo;

namespace printer {
struct DiscoveryOutcome;
} // namespace printer

namespace platform {

struct Context {
    // The clock every pause, deadline and wait of a run goes by. Never null.
    Clock* clock = &SteadyClock();

    // A printer that takes nothing for this long fails the write, the wait for DSR or
    // the drain before a close (the command line's --stall-timeout).
    std::chrono::milliseconds stallLimit{30000};
    // A wait that has lasted this long is reported as "not taking data".
    std::chrono::milliseconds slowPrinterAfter{2000};
    // How long each address of a network printer is given to accept the connection.
    std::chrono::milliseconds connectTimeout{3000};

    // Put before every /dev, /sys and /run/lock path the printer layer makes up ("" =
    // the real ones). Device paths named directly are taken as they are.
    std::string deviceRoot;

    // Where the diagnostic trace lines go; empty discards them.
    std::function<void(const std::string& line)> trace;

    // Seams that only tests fill; empty means the machine's own answer.
    //
    // The modem lines of a terminal (TIOCMGET): 0 and the lines, or -1 with errno.
    std::function<int(int fd, int& lines)> modemLines;
    // Bytes still queued on a serial line (TIOCOUTQ) or not yet acknowledged by a
    // network printer (SIOCOUTQ), or -1. A pseudo-terminal always reports none, and a
    // loopback socket acknowledges at once, so a queue that shrinks slowly is seen at
    // work only through this.
    std::function<int(int fd)> outputQueue;
    // Replaces M, the download's write time-out per byte.
    std::optional<std::chrono::milliseconds> writeTimeoutPerByte;
    // Replaces the platform version word (see Version.h).
    std::optional<uint32_t> platformVersion;
    // Replaces the look for network printers that announce raw printing.
    std::function<printer::DiscoveryOutcome(std::chrono::milliseconds within)> discovery;
    // Replaces getaddrinfo for the name of a network printer: same arguments, same
    // result (freed with freeaddrinfo). It may take as long as it likes: the lookup
    // never holds the run.
    std::function<int(const std::string& host, const std::string& service, const addrinfo& hints,
                      addrinfo** found)>
        resolve;

    // deviceRoot + path.
    std::string DevicePath(const std::string& path) const { return deviceRoot + path; }
    // One trace line, printf-style; nothing when no trace is wanted.
    void Trace(const char* format, ...) const __attribute__((format(printf, 2, 3)));
};

} // namespace platform
