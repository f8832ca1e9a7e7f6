#include "tests/support/NetVirtualPrinter.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/AtomicFile.h"
#include "tests/support/FakeNetPrinter.h"

namespace testing_support {

using namespace std::chrono_literals;

NetVirtualPrinter::NetVirtualPrinter(VirtualPrinterOptions options, platform::Clock& clock)
    : m_clock(clock), m_printer(std::move(options), clock, {})
{
    m_listener = BindLoopback(8, m_port);
    m_thread = std::thread([this] { Run(); });
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

void NetVirtualPrinter::Run()
{
    while (!m_stop) {
        pollfd entry{m_listener, POLLIN, 0};
        if (::poll(&entry, 1, 20) <= 0)
            continue;
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_printer.Connect();
        }
        Serve(fd);
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_printer.Disconnect();
        ::close(fd);
    }
}

void NetVirtualPrinter::Serve(int fd)
{
    uint8_t buffer[65536];
    bool wasBusy = false;
    while (!m_stop) {
        std::vector<uint8_t> out;
        bool busy = false;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_printer.Process();
            out = m_printer.TakeOutput();
            busy = m_clock.Until(m_printer.BusyUntil()) > 0ms;
            if (busy && !wasBusy && m_onBusy)
                m_onBusy();
        }
        wasBusy = busy;
        if (!out.empty() && !platform::WriteAll(fd, out))
            return;
        if (busy) {
            m_clock.SleepFor(100ms);
            continue;
        }
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 20) <= 0)
            continue;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return;
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_received.insert(m_received.end(), buffer, buffer + n);
        m_printer.Receive(buffer, static_cast<size_t>(n));
    }
}

} // namespace testing_support
