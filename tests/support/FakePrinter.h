#pragma once
// A receipt printer on a serial line, for every test that talks to a port: a
// pseudo-terminal whose other end a reader thread records (RecordingPrinter.h). The
// program opens Port() directly, or as "COM1" through a FakeDeviceRoot link. On
// request the printer stalls with the line full, sends XOFF and XON, or hangs up.
//
// Also the device tree the tests hand the printer layer through a context.
#include <string>
#include <thread>

#include "platform/Context.h"
#include "tests/support/RecordingPrinter.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"

namespace testing_support {

class FakePrinter final : public RecordingPrinter {
public:
    FakePrinter(); // throws std::runtime_error when no pseudo-terminal can be had
    ~FakePrinter() override;

    std::string Port() const override { return m_path; }
    const std::string& Path() const { return m_path; }
    // The printer's own descriptor of the port side, for reading the line settings back.
    int PortSideFd() const { return m_portSide; }

    // Takes nothing more and fills the line, so the program's next write waits.
    void Stall();
    // Sends XOFF (0x13) or XON (0x11) and returns once the port side has stopped or
    // restarted its output; false when it did not within two seconds (no IXON).
    bool SendXonXoff(uint8_t flowByte);
    // The port side sees a hang-up from now on.
    void HangUp();
    void Send(const std::vector<uint8_t>& bytes);
    // Returns once everything the program wrote before the call has been recorded, so
    // that Bytes() can show that nothing came; false when that did not happen in time
    // (a stalled printer takes nothing). Call it while the program is not writing.
    bool Drain(std::chrono::milliseconds timeout = std::chrono::seconds(5));

private:
    void Run();
    void SendAnswer(uint8_t byte) override;

    int m_master = -1; // -1 once hung up; the thread then ends
    int m_portSide = -1;
    std::string m_path;
    bool m_outputStopped = false;
    size_t m_fillerLeft = 0; // bytes of Stall's filling still to throw away
    std::thread m_thread;
};

// A device tree under a temporary folder (<root>/dev, <root>/sys/class/tty,
// <root>/run/lock), made the given context's device root for the object's lifetime.
class FakeDeviceRoot {
public:
    explicit FakeDeviceRoot(platform::Context& context);
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
    std::string LockDir() const { return Path() + "/run/lock"; }

private:
    TempDir m_dir;
    platform::Context& m_context;
};

// What a test hands the printer layer: a context on a manual clock, with its device
// tree under a temporary folder.
struct ManualContext {
    ManualContext() { context.clock = &clock; }

    ManualClock clock;
    platform::Context context;
    FakeDeviceRoot root{context};
};

// Number of open file descriptors of this process.
int OpenDescriptorCount();

} // namespace testing_support
