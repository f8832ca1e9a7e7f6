#include "tests/support/NetVirtualPrinter.h"

#include <unistd.h>

#include "emulator/PrinterServer.h"
#include "tests/support/FakeNetPrinter.h"

namespace testing_support {

using namespace std::chrono_literals;

NetVirtualPrinter::NetVirtualPrinter(VirtualPrinterOptions options, platform::Clock& clock)
    : m_printer(std::move(options), clock, {})
{
    m_listener = BindLoopback(8, m_port);
    ServeHooks hooks;
    hooks.stop = [this] { return m_stop.load(); };
    hooks.poll = 20ms;
    hooks.guard = &m_mutex;
    hooks.received = [this](const uint8_t* data, size_t size) {
        m_received.insert(m_received.end(), data, data + size);
    };
    hooks.busyStarts = [this] {
        if (m_onBusy)
            m_onBusy();
    };
    m_thread = std::thread([this, hooks, &clock] { ServeListener(m_listener, m_printer, clock, hooks); });
}

NetVirtualPrinter::~NetVirtualPrinter()
{
    m_stop = true;
    m_thread.join();
    ::close(m_listener);
}

std::vector<uint8_t> NetVirtualPrinter::Received() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

NvMemory NetVirtualPrinter::Memory() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_printer.Memory();
}

void NetVirtualPrinter::OnBusy(std::function<void()> call)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_onBusy = std::move(call);
}

} // namespace testing_support
