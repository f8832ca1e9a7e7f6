#pragma once
// A receipt printer on a pseudo-terminal, for every test that talks to a port. Open
// Path() as the port, directly or through a FakeDeviceRoot link so that a name such
// as "COM1" reaches it. A reader thread takes what the program sends and records it
// with the time of arrival; it answers GS I 1 (or stays silent), and on request
// stalls, sends XOFF and XON, or hangs up.
//
//   FakePrinter printer;                       // answers GS I 1 with 0x20
//   port.OpenPort(printer.Path(), 115200, 8, 0, 0, 0);
//   ...
//   printer.WaitForBytes(n);
//   EXPECT_EQ(printer.Bytes(), expected);
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TempDir.h"

namespace testing_support {

class FakePrinter {
public:
    using Clock = std::chrono::steady_clock;
    struct Arrival {
        Clock::time_point at;
        std::vector<uint8_t> bytes;
    };

    FakePrinter(); // throws std::runtime_error when no pseudo-terminal can be had
    ~FakePrinter();
    FakePrinter(const FakePrinter&) = delete;
    FakePrinter& operator=(const FakePrinter&) = delete;

    // The port side, "/dev/pts/N": what the program opens.
    const std::string& Path() const { return m_path; }
    // The printer's own descriptor of the port side, for reading the line settings
    // back with tcgetattr. Never read from it.
    int PortSideFd() const { return m_portSide; }

    // The byte sent back for every GS I 1; nullopt keeps the printer silent.
    void AnswerWith(std::optional<uint8_t> answer);
    // Takes nothing more, and fills the line so the program's next write blocks at once.
    void Stall();
    void Resume();
    // Send XOFF / XON and return once the port side has stopped / restarted its
    // output (false when it did not within two seconds, e.g. without IXON).
    bool SendXoff();
    bool SendXon();
    // The same from the printer's thread, later, while the test's thread is blocked.
    void SendXonAfter(std::chrono::milliseconds delay);
    // The printer goes away: the port side sees a hang-up from now on.
    void HangUp();
    void HangUpAfter(std::chrono::milliseconds delay);
    // Raw bytes towards the program.
    void Send(const std::vector<uint8_t>& bytes);

    std::vector<uint8_t> Bytes() const;
    std::vector<Arrival> Arrivals() const;
    void Clear();
    // Waits until at least count bytes arrived.
    bool WaitForBytes(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    int Requests() const; // GS I 1 seen so far
    std::optional<Clock::time_point> XonSentAt() const;

private:
    enum class Action { Xon, HangUp };
    struct Scheduled {
        Clock::time_point at;
        Action action;
    };

    void Run();
    void Wake();
    void ReadAvailable();
    void Received(const uint8_t* data, size_t length);
    void RunDue();
    void CloseMaster();
    void StopThread();
    bool WaitStopped(bool stopped);

    int m_master = -1;
    int m_portSide = -1;
    int m_wake = -1;
    std::string m_path;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_stop = false;
    bool m_stalled = false;
    bool m_stallSeen = false; // the thread no longer reads
    bool m_outputStopped = false;
    size_t m_fillerLeft = 0; // bytes of Stall's filling still to discard
    std::optional<uint8_t> m_answer = 0x20;
    std::vector<Arrival> m_arrivals;
    std::vector<uint8_t> m_bytes;
    uint32_t m_window = 0; // the last three bytes, for spotting GS I 1
    int m_requests = 0;
    std::vector<Scheduled> m_scheduled;
    std::optional<Clock::time_point> m_xonSentAt;
};

// A device tree under a temporary folder (<root>/dev, <root>/sys/class/tty),
// installed as the port layer's device root for the lifetime of the object.
class FakeDeviceRoot {
public:
    FakeDeviceRoot();
    ~FakeDeviceRoot();
    FakeDeviceRoot(const FakeDeviceRoot&) = delete;
    FakeDeviceRoot& operator=(const FakeDeviceRoot&) = delete;

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
    explicit ScopedWriteTimeout(std::chrono::milliseconds perByte);
    ~ScopedWriteTimeout();
    ScopedWriteTimeout(const ScopedWriteTimeout&) = delete;
    ScopedWriteTimeout& operator=(const ScopedWriteTimeout&) = delete;
};

// Makes platform::GetVersion report version for a scope (0xC0000004: the consumer
// line; 0x0000000A: not).
class ScopedPlatformVersion {
public:
    explicit ScopedPlatformVersion(uint32_t version);
    ~ScopedPlatformVersion();
    ScopedPlatformVersion(const ScopedPlatformVersion&) = delete;
    ScopedPlatformVersion& operator=(const ScopedPlatformVersion&) = delete;
};

// Number of open file descriptors of this process.
int OpenDescriptorCount();

} // namespace testing_support
