#pragma once
// A USB printer device as the Linux driver presents it, without the hardware: a write
// is taken at once, but the device reports itself writable again (POLLOUT) only when
// the transfer has gone through, and a close while it is in flight would cut it off.
//
// Built on a FIFO of one page: the program's write fills it, so POLLOUT stays off until
// the "transfer" (this object reading the FIFO) completes. CompleteTransfer records
// whether the program still had the device open at that moment, which is what the
// real driver needs to deliver the tail.
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace testing_support {

class FakeUsbPrinter {
public:
    FakeUsbPrinter(); // throws std::runtime_error when the FIFO cannot be made
    ~FakeUsbPrinter();
    FakeUsbPrinter(const FakeUsbPrinter&) = delete;
    FakeUsbPrinter& operator=(const FakeUsbPrinter&) = delete;

    const std::string& Path() const { return m_path; }
    // Takes everything written so far; false when the program had already closed the
    // device, that is when the real driver would have killed the transfer.
    bool CompleteTransfer();
    // The printer is unplugged (or a spooler took the device): the program sees an error.
    void Unplug();
    // What arrived in completed transfers.
    const std::vector<unsigned char>& Bytes() const { return m_bytes; }

private:
    TempDir m_dir;
    std::string m_path;
    int m_reader = -1;
    std::vector<unsigned char> m_bytes;
};

} // namespace testing_support
