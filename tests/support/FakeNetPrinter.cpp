#include "tests/support/FakeNetPrinter.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {
namespace {

void Ignore(ssize_t)
{
}

} // namespace

FakeNetPrinter::FakeNetPrinter(Options options)
{
    // A bound socket that does not listen keeps the port taken and refuses every connect.
    m_listener = BindLoopback(options.refusing ? -1 : 8, m_port, options.receiveBuffer);
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("no pipe for the network printer");
    if (!options.refusing)
        m_thread = std::thread([this] { Run(); });
}

FakeNetPrinter::~FakeNetPrinter()
{
    Ignore(::write(m_wake[1], "x", 1));
    if (m_thread.joinable())
        m_thread.join();
    DropClient(false);
    for (const int fd : {m_listener, m_wake[0], m_wake[1]})
        if (fd >= 0)
            ::close(fd);
}

void FakeNetPrinter::Run()
{
    for (;;) {
        bool connected = false, reading = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            connected = m_client >= 0;
            reading = connected && Room() > 0;
        }
        // A stalled printer reads nothing more but still sees the program hang up.
        pollfd fds[3] = {{m_wake[0], POLLIN, 0},
                         {m_listener, POLLIN, 0},
                         {m_client, static_cast<short>(reading ? POLLIN : POLLRDHUP), 0}};
        ::poll(fds, connected ? 3 : 2, 20);
        if (fds[0].revents)
            return;
        if (fds[1].revents & POLLIN) {
            // The events seen on the old connection do not apply to the new one.
            Accept();
            continue;
        }
        if (reading && fds[2].revents)
            ReadClient();
        else if (connected && !reading && fds[2].revents)
            DropClient(false);
    }
}

void FakeNetPrinter::Accept()
{
    const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (client < 0)
        return;
    DropClient(false); // the program opens one connection at a time
    std::lock_guard<std::mutex> lock(m_mutex);
    m_client = client;
    m_open = true;
    ++m_connections;
    m_changed.notify_all();
}

void FakeNetPrinter::ReadClient()
{
    uint8_t buffer[4096];
    std::unique_lock<std::mutex> lock(m_mutex);
    size_t room = std::min(sizeof buffer, Room());
    if (m_resetAt)
        room = std::min(room, *m_resetAt - std::min(*m_resetAt, Recorded().size()));
    const ssize_t n = room == 0 ? 0 : ::recv(m_client, buffer, room, 0);
    if (n <= 0 && room != 0) {
        if (n < 0 && errno == EAGAIN)
            return;
        lock.unlock();
        DropClient(false);
        return;
    }
    Received(buffer, static_cast<size_t>(n));
    const bool reset = m_resetAt && Recorded().size() >= *m_resetAt;
    lock.unlock();
    if (reset)
        DropClient(true);
}

void FakeNetPrinter::SendAnswer(uint8_t byte)
{
    Ignore(::send(m_client, &byte, 1, MSG_NOSIGNAL));
}

void FakeNetPrinter::DropClient(bool reset)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_client < 0)
        return;
    if (reset) {
        const linger now{1, 0};
        ::setsockopt(m_client, SOL_SOCKET, SO_LINGER, &now, sizeof now);
        m_resetAt.reset();
    }
    ::close(m_client);
    m_client = -1;
    m_open = false;
    m_changed.notify_all();
}

void FakeNetPrinter::ResetAfter(size_t count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_resetAt = count;
}

bool FakeNetPrinter::WaitUntilClosed(std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_connections > 0 && !m_open; });
}

int BindLoopback(int backlog, uint16_t& port, int receiveBuffer)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd >= 0 && receiveBuffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        (backlog >= 0 && ::listen(fd, backlog) != 0)) {
        if (fd >= 0)
            ::close(fd);
        throw std::runtime_error("no loopback socket for a test printer");
    }
    port = ntohs(address.sin_port);
    return fd;
}

UnansweringAddress::UnansweringAddress()
{
    uint16_t port = 0;
    m_sockets.push_back(BindLoopback(0, port));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    for (int i = 0; i < 2; ++i) { // fill the queue
        m_sockets.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        ::connect(m_sockets.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    m_address = "127.0.0.1:" + std::to_string(port);
}

UnansweringAddress::~UnansweringAddress()
{
    for (const int fd : m_sockets)
        ::close(fd);
}

int FakeNetPrinter::Connections() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_connections;
}

} // namespace testing_support
