#pragma once
// A receipt printer on a pseudo-terminal, for every test that talks to a port. The
// program opens Path(), directly or as "COM1" through a FakeDeviceRoot link. A reader
// thread records what arrives and answers GS I 1 (or stays silent); on request the
// printer stalls, sends XOFF and XON, or hangs up.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <numeric>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Wait.h"
#include "printer/PortTestHooks.h"
#include "tests/support/TempDir.h"

namespace testing_support {

// Bytes 0, 1, 2, ... (wrapping): a stream whose every byte says where it stands, so that
// a lost, doubled or reordered piece shows.
inline std::vector<uint8_t> Sequence(size_t length)
{
    std::vector<uint8_t> bytes(length);
    std::iota(bytes.begin(), bytes.end(), uint8_t{0});
    return bytes;
}

class FakePrinter {
public:
    FakePrinter(); // throws std::runtime_error when no pseudo-terminal can be had
    ~FakePrinter();

    const std::string& Path() const { return m_path; }
    // The printer's own descriptor of the port side, for reading the line settings back.
    int PortSideFd() const { return m_portSide; }

    // The byte sent back for every GS I 1 (0x20 at first); nullopt keeps it silent.
    void AnswerWith(std::optional<uint8_t> answer);
    // Takes nothing more and fills the line, so the program's next write blocks.
    void Stall();
    // Stops taking data once count bytes have arrived, in the middle of whatever the
    // program is sending; the program's own writes then fill the line.
    void StallAfter(size_t count);
    void Resume();
    // Sends XOFF (0x13) or XON (0x11) and returns once the port side has stopped or
    // restarted its output; false when it did not within two seconds (no IXON).
    bool SendXonXoff(uint8_t flowByte);
    // The port side sees a hang-up from now on.
    void HangUp();
    void Send(const std::vector<uint8_t>& bytes);

    std::vector<uint8_t> Bytes() const;
    void Clear();
    bool WaitForBytes(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    // Returns once everything the program wrote before the call has been recorded, so
    // that Bytes() can show that nothing came; false when that did not happen in time
    // (a stalled printer takes nothing). Call it while the program is not writing.
    bool Drain(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Returns once what Send() sent is waiting on the program's side of the line.
    bool WaitUntilSent(std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    int Requests() const; // GS I 1 seen so far

private:
    void Run();
    void Received(const uint8_t* data, size_t length);

    int m_master = -1; // -1 once hung up; the thread then ends
    int m_portSide = -1;
    std::string m_path;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_stalled = false;
    bool m_outputStopped = false;
    size_t m_fillerLeft = 0; // bytes of Stall's filling still to throw away
    bool m_draining = false; // Drain's marker is on its way
    size_t m_stallAt = 0;    // StallAfter's count, 0 for none
    std::optional<uint8_t> m_answer = 0x20;
    std::vector<uint8_t> m_bytes;
    uint32_t m_window = 0; // the last three bytes, for spotting GS I 1
    int m_requests = 0;
    std::thread m_thread;
};

// A device tree under a temporary folder (<root>/dev, <root>/sys/class/tty,
// <root>/run/lock),
// installed as the port layer's device root for the lifetime of the object.
class FakeDeviceRoot {
public:
    FakeDeviceRoot();
    ~FakeDeviceRoot();

    const std::string& Path() const { return m_dir.Path(); }
    // <root>/dev/<device> ("ttyS0", "usb/lp0") as a link to target.
    std::string Link(const std::string& device, const std::string& target) const;
    // <root>/dev/<device> as a plain file: it opens, takes bytes and never answers.
    std::string AddFile(const std::string& device) const;
    // <root>/sys/class/tty/<tty>/type.
    void SetTtyType(const std::string& tty, const std::string& type) const;
    std::string Device(const std::string& device) const { return Path() + "/dev/" + device; }

private:
    TempDir m_dir;
};

// Replaces M, the download variant's write time-out per byte, for a scope.
class ScopedWriteTimeout {
public:
    explicit ScopedWriteTimeout(std::chrono::milliseconds perByte)
    {
        printer::SetWriteTimeoutPerByteForTesting(perByte);
    }
    ~ScopedWriteTimeout() { printer::SetWriteTimeoutPerByteForTesting(std::nullopt); }
    ScopedWriteTimeout(const ScopedWriteTimeout&) = delete;
    ScopedWriteTimeout& operator=(const ScopedWriteTimeout&) = delete;
};

// Runs action at the n-th platform::KeepAlive of the scope, that is while a port
// operation is waiting, and passes everything on to next.
class OnKeepAlive final : public platform::Waiter {
public:
    OnKeepAlive(platform::Waiter& next, int n, std::function<void()> action)
        : m_next(next), m_left(n), m_action(std::move(action))
    {
        platform::SetWaiter(this);
    }
    ~OnKeepAlive() override { platform::SetWaiter(&m_next); }
    void Sleep(int ms) override { m_next.Sleep(ms); }
    void KeepAlive() override;

private:
    platform::Waiter& m_next;
    int m_left;
    std::function<void()> m_action;
};

// Number of open file descriptors of this process.
int OpenDescriptorCount();

} // namespace testing_support
