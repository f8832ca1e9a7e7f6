#pragma once
// What a key-coded run needs of its printer: bytes out, bytes in under a deadline. The
// printer link implements it for real printers (LinkChannel.h); the tests use a
// scripted printer and the virtual printer in the same process.
//
// Thread-safety: used from the run's thread only.
#include <chrono>
#include <cstdint>
#include <span>

namespace keyed {

// How the waits on the printer go until told otherwise.
struct Waits {
    // How long the printer may take nothing before a send or a receive gives up; zero
    // keeps the channel's own stall limit. The run raises it while the printer writes
    // its memory, when taking nothing for minutes is what a printer does.
    std::chrono::milliseconds patience{0};
    // Whether the run's stop ends a wait on the printer. Off while the printer writes its
    // memory and while a stopped run reads back what the printer holds.
    bool stoppable = true;
};

class PrinterChannel {
public:
    virtual ~PrinterChannel() = default;
    // All bytes handed to the printer; false when it cannot be written any more.
    virtual bool Send(std::span<const uint8_t> bytes) = 0;
    // Waits up to `wait` for bytes; returns how many came (0: none), -1 when the
    // printer cannot be read any more.
    virtual long Receive(std::span<uint8_t> into, std::chrono::milliseconds wait) = 0;
    // From now on the waits go as waits says. A channel without waits of its own (a
    // script, a printer in the same process) has nothing to change.
    virtual void SetWaits(const Waits&) {}
};

} // namespace keyed
