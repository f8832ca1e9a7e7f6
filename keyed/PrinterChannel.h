#pragma once
// What a key-coded run needs of its printer: bytes out, bytes in under a deadline. The
// printer link implements it for real printers; the tests use a scripted printer and
// the virtual printer in the same process.
//
// Thread-safety: used from the run's thread only.
#include <chrono>
#include <cstdint>
#include <span>

namespace keyed {

class PrinterChannel {
public:
    virtual ~PrinterChannel() = default;
    // All bytes handed to the printer; false when it cannot be written any more.
    virtual bool Send(std::span<const uint8_t> bytes) = 0;
    // Waits up to `wait` for bytes; returns how many came (0: none), -1 when the
    // printer cannot be read any more.
    virtual long Receive(std::span<uint8_t> into, std::chrono::milliseconds wait) = 0;
};

} // namespace keyed
