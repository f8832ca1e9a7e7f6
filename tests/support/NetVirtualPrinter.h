#pragma once
// The virtual printer (emulator/VirtualPrinter.h) on a loopback TCP port, served by a
// thread of the test, for runs that reach it through a real link: its busy time goes
// by the given clock (a ManualClock lets a 35 s busy time pass at once). It records
// what it received, and can call the test when it starts writing its memory.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "emulator/VirtualPrinter.h"

namespace testing_support {

class NetVirtualPrinter {
public:
    NetVirtualPrinter(VirtualPrinterOptions options, platform::Clock& clock); // throws without a socket
    ~NetVirtualPrinter();
    NetVirtualPrinter(const NetVirtualPrinter&) = delete;
    NetVirtualPrinter& operator=(const NetVirtualPrinter&) = delete;

    std::string Port() const { return "tcp://127.0.0.1:" + std::to_string(m_port); }
    std::vector<uint8_t> Received() const;
    // A copy of the memory, taken between two commands.
    NvMemory Memory() const;
    // Called on the printer's thread each time it starts writing its memory.
    void OnBusy(std::function<void()> call);

private:
    VirtualPrinter m_printer;
    mutable std::mutex m_mutex; // m_printer, m_received, m_onBusy
    std::vector<uint8_t> m_received;
    std::function<void()> m_onBusy;
    int m_listener = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace testing_support
