#include "tests/support/FakeUsbPrinter.h"

#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace testing_support {

FakeUsbPrinter::FakeUsbPrinter(bool takesData) : m_path(m_dir.File("lp0"))
{
    if (::mkfifo(m_path.c_str(), 0666) != 0)
        throw std::runtime_error("mkfifo failed");
    m_reader = ::open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_reader < 0 || ::fcntl(m_reader, F_SETPIPE_SZ, 4096) < 0 || ::pipe2(m_wake, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot set up the FIFO");
    if (takesData)
        m_thread = std::thread([this] { Run(); });
}

FakeUsbPrinter::~FakeUsbPrinter()
{
    Unplug();
    for (const int fd : m_wake)
        ::close(fd);
}

void FakeUsbPrinter::Run()
{
    for (;;) {
        pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {m_reader, POLLIN, 0}};
        bool room = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            room = Room() > 0;
        }
        ::poll(fds, room ? 2 : 1, 10);
        if (fds[0].revents)
            return;
        if (room && (fds[1].revents & POLLIN)) {
            uint8_t buffer[4096];
            std::lock_guard<std::mutex> lock(m_mutex);
            const ssize_t n = ::read(m_reader, buffer, std::min(sizeof buffer, Room()));
            if (n > 0)
                Received(buffer, static_cast<size_t>(n));
        } else if (fds[1].revents & POLLHUP) {
            ::poll(fds, 1, 10); // no writer: nothing to do but wait to be woken
        }
    }
}

bool FakeUsbPrinter::CompleteTransfer()
{
    pollfd fd{m_reader, POLLIN, 0};
    ::poll(&fd, 1, 0);
    const bool writerOpen = !(fd.revents & POLLHUP);
    uint8_t buffer[4096];
    std::lock_guard<std::mutex> lock(m_mutex);
    for (ssize_t n; (n = ::read(m_reader, buffer, sizeof buffer)) > 0;)
        Received(buffer, static_cast<size_t>(n));
    return writerOpen;
}

void FakeUsbPrinter::Unplug()
{
    if (m_thread.joinable()) {
        [[maybe_unused]] const ssize_t woken = ::write(m_wake[1], "x", 1);
        m_thread.join();
    }
    if (m_reader >= 0)
        ::close(m_reader);
    m_reader = -1;
}

} // namespace testing_support
