#pragma once
// A USB printer device as the Linux driver presents it, without the hardware: a write
// is taken at once, but the device reports itself writable again (POLLOUT) only when
// the transfer has gone through, and a close while it is in flight would cut it off.
//
// Built on a FIFO of one page: the program's write fills it, so POLLOUT stays off until
// the "transfer" (reading the FIFO) is done; a printer that takes nothing simply never
// completes one. A printer that takes data completes its transfers on a thread of its
// own; one made with takesData false completes them only when CompleteTransfer says so,
// which also tells whether the program still had the device open then (what the real
// driver needs to deliver the tail). It never answers.
#include <string>
#include <thread>

#include "tests/support/RecordingPrinter.h"
#include "tests/support/TempDir.h"

namespace testing_support {

class FakeUsbPrinter final : public RecordingPrinter {
public:
    explicit FakeUsbPrinter(bool takesData = true); // throws std::runtime_error without a FIFO
    ~FakeUsbPrinter() override;

    std::string Port() const override { return m_path; }
    const std::string& Path() const { return m_path; }
    // Takes everything written so far; false when the program had already closed the
    // device, that is when the real driver would have killed the transfer.
    bool CompleteTransfer();
    // The printer is unplugged (or a spooler took the device): the program sees an error.
    void Unplug();

private:
    void Run();
    void SendAnswer(uint8_t) override {}

    TempDir m_dir;
    std::string m_path;
    int m_reader = -1;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
};

} // namespace testing_support
