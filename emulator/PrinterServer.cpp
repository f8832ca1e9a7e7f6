#include "emulator/PrinterServer.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/AtomicFile.h"

namespace {

using namespace std::chrono_literals;

std::unique_lock<std::mutex> Hold(const ServeHooks& hooks)
{
    return hooks.guard ? std::unique_lock<std::mutex>(*hooks.guard) : std::unique_lock<std::mutex>();
}

bool Readable(int fd, std::chrono::milliseconds within)
{
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, static_cast<int>(within.count())) > 0;
}

void Log(const ServeHooks& hooks, const std::string& line)
{
    if (hooks.log)
        hooks.log(line);
}

} // namespace

void ServeConnection(int fd, VirtualPrinter& printer, platform::Clock& clock, const ServeHooks& hooks)
{
    uint8_t buffer[65536];
    bool wasBusy = false;
    while (!hooks.stop()) {
        std::vector<uint8_t> out;
        std::chrono::milliseconds busy{0};
        {
            const auto held = Hold(hooks);
            printer.Process();
            out = printer.TakeOutput();
            busy = clock.Until(printer.BusyUntil());
            if (busy > 0ms && !wasBusy && hooks.busyStarts)
                hooks.busyStarts();
        }
        wasBusy = busy > 0ms;
        if (!out.empty() && !platform::WriteAll(fd, out))
            return;
        if (wasBusy) {
            clock.SleepFor(std::min<std::chrono::milliseconds>(busy, 100ms));
            continue;
        }
        if (!Readable(fd, hooks.poll))
            continue;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return;
        const auto held = Hold(hooks);
        if (hooks.received)
            hooks.received(buffer, static_cast<size_t>(n));
        printer.Receive(buffer, static_cast<size_t>(n));
    }
}

void ServeListener(int listener, VirtualPrinter& printer, platform::Clock& clock, const ServeHooks& hooks)
{
    while (!hooks.stop()) {
        if (!Readable(listener, hooks.poll))
            continue;
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        Log(hooks, "connection opened");
        {
            const auto held = Hold(hooks);
            printer.Connect();
        }
        ServeConnection(fd, printer, clock, hooks);
        {
            const auto held = Hold(hooks);
            printer.Disconnect();
        }
        ::close(fd);
        Log(hooks, "connection closed");
    }
}
