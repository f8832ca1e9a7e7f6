#include "printer/TcpPort.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

#include "platform/Wait.h"
#include "printer/StallRule.h"

namespace printer {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kSliceMs = 20; // longest stretch without KeepAlive
constexpr short kBroken = POLLERR | POLLHUP | POLLNVAL;
// Keep-alive probes find a printer that vanished (power, cable) while the run pauses.
constexpr int kKeepIdleS = 10, kKeepIntervalS = 5, kKeepCount = 3;

int MsUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, kSliceMs));
}

int PollOnce(int fd, short events, int ms)
{
    pollfd entry{fd, events, 0};
    for (;;) {
        const int result = ::poll(&entry, 1, ms);
        if (result >= 0)
            return result == 0 ? 0 : entry.revents;
        if (errno != EINTR)
            return -1;
    }
}

// The socket's own error; fallback when it has none to tell.
int SocketError(int fd, int fallback)
{
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error == 0)
        return fallback;
    return error;
}

// Bytes written but not yet acknowledged by the printer.
int Unacknowledged(int fd)
{
    int queued = 0;
    return ::ioctl(fd, SIOCOUTQ, &queued) == 0 ? queued : -1;
}

void SetOption(int fd, int level, int name, int value)
{
    ::setsockopt(fd, level, name, &value, sizeof value);
}

std::string Seconds(milliseconds span)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g s", static_cast<double>(span.count()) / 1000.0);
    return text;
}

std::optional<milliseconds> g_connectTimeout;

milliseconds ConnectTimeout()
{
    return g_connectTimeout.value_or(kConnectTimeout);
}

} // namespace

void SetConnectTimeoutForTesting(std::optional<milliseconds> timeout)
{
    g_connectTimeout = timeout;
}

std::string DescribeNetError(int error)
{
    switch (error) {
    case kUnknownHostError:
        return "unknown host";
    case ECONNREFUSED:
        return "connection refused";
    case ETIMEDOUT:
        return "no answer within " + Seconds(ConnectTimeout()) + " (time-out)";
    case ECONNRESET:
        return "connection reset by the printer";
    case EPIPE:
        return "the printer closed the connection";
    default:
        return std::strerror(error);
    }
}

TcpPort::~TcpPort()
{
    Close();
}

TcpPort::TcpPort(TcpPort&& other) noexcept
{
    *this = std::move(other);
}

TcpPort& TcpPort::operator=(TcpPort&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        m_failed = other.m_failed;
        m_errorText = std::move(other.m_errorText);
    }
    return *this;
}

bool TcpPort::Connect(const NetAddress& address)
{
    Close();
    m_failed = false;
    m_errorText.clear();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int resolved =
        ::getaddrinfo(address.host.c_str(), std::to_string(address.port).c_str(), &hints, &found);
    if (resolved != 0) {
        const int error = resolved == EAI_SYSTEM ? errno : kUnknownHostError;
        m_errorText = resolved == EAI_NONAME || resolved == EAI_NODATA ? DescribeNetError(error)
                                                                       : ::gai_strerror(resolved);
        errno = error;
        return false;
    }
    int error = kUnknownHostError;
    for (const addrinfo* candidate = found; candidate && m_fd < 0; candidate = candidate->ai_next)
        m_fd = ConnectOne(candidate, error);
    ::freeaddrinfo(found);
    if (m_fd >= 0)
        return true;
    m_errorText = DescribeNetError(error);
    errno = error;
    return false;
}

int TcpPort::ConnectOne(const void* info, int& error)
{
    const addrinfo& candidate = *static_cast<const addrinfo*>(info);
    const int fd = ::socket(candidate.ai_family, candidate.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            candidate.ai_protocol);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    if (::connect(fd, candidate.ai_addr, candidate.ai_addrlen) != 0 && errno != EINPROGRESS) {
        error = errno;
        ::close(fd);
        return -1;
    }
    const Clock::time_point deadline = Clock::now() + ConnectTimeout();
    for (;;) {
        const int revents = PollOnce(fd, POLLOUT, MsUntil(deadline));
        if (revents != 0 || Clock::now() >= deadline) {
            error = revents < 0 ? errno : revents == 0 ? ETIMEDOUT : SocketError(fd, 0);
            break;
        }
        platform::KeepAlive();
    }
    if (error != 0) {
        ::close(fd);
        return -1;
    }
    SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
    SetOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
    SetOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, kKeepIdleS);
    SetOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, kKeepIntervalS);
    SetOption(fd, IPPROTO_TCP, TCP_KEEPCNT, kKeepCount);
    return fd;
}

void TcpPort::Fail(int error)
{
    m_failed = true;
    m_errorText = error == ETIMEDOUT ? "the printer took nothing for " + Seconds(StallTimeout())
                                     : DescribeNetError(error);
}

TcpPort::Outcome TcpPort::Write(const uint8_t* data, size_t length)
{
    Outcome outcome;
    if (m_fd < 0 || m_failed) {
        outcome.error = m_fd < 0 ? EBADF : EPIPE;
        return outcome;
    }
    Clock::time_point lastProgress = Clock::now();
    int queued = Unacknowledged(m_fd);
    while (outcome.written < length) {
        const ssize_t n =
            ::send(m_fd, data + outcome.written, length - outcome.written, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            outcome.written += static_cast<size_t>(n);
            lastProgress = Clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            outcome.error = errno;
        } else {
            outcome.waited = true;
            if (WaitWritable(lastProgress, queued, outcome.error))
                continue;
        }
        Fail(outcome.error);
        return outcome;
    }
    return outcome;
}

// Progress is a byte taken into the send buffer or acknowledged by the printer: a
// printer that reads slowly keeps the buffer full but keeps the write alive.
bool TcpPort::WaitWritable(Clock::time_point& lastProgress, int& queued, int& error)
{
    for (;;) {
        const Clock::time_point deadline = lastProgress + StallTimeout();
        if (Clock::now() >= deadline) {
            error = ETIMEDOUT;
            return false;
        }
        const int revents = PollOnce(m_fd, POLLOUT, MsUntil(deadline));
        if (revents < 0 || (revents & kBroken)) {
            error = revents < 0 ? errno : SocketError(m_fd, EPIPE);
            return false;
        }
        if (revents & POLLOUT)
            return true;
        const int now = Unacknowledged(m_fd);
        if (now < queued)
            lastProgress = Clock::now();
        queued = now;
        platform::KeepAlive();
    }
}

bool TcpPort::WriteAtOnce(const uint8_t* data, size_t length)
{
    if (m_fd < 0 || m_failed)
        return false;
    size_t written = 0;
    while (written < length) {
        const ssize_t n = ::send(m_fd, data + written, length - written, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0)
            written += static_cast<size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return false;
    }
    return true;
}

TcpPort::Answer TcpPort::ReadByte(uint8_t& byte, int waitMs)
{
    if (m_fd < 0 || m_failed)
        return Answer::Failed;
    const Clock::time_point deadline = Clock::now() + milliseconds(waitMs);
    for (;;) {
        uint8_t received = 0;
        const ssize_t n = ::recv(m_fd, &received, 1, MSG_DONTWAIT);
        if (n == 1) {
            byte = received;
            return Answer::Byte;
        }
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
            Fail(n == 0 ? EPIPE : errno);
            return Answer::Failed;
        }
        if (Clock::now() >= deadline)
            return Answer::None;
        const int revents = PollOnce(m_fd, POLLIN, MsUntil(deadline));
        if (revents < 0) {
            Fail(errno);
            return Answer::Failed;
        }
        if (revents == 0)
            platform::KeepAlive();
    }
}

bool TcpPort::Drain()
{
    if (m_fd < 0 || m_failed)
        return false;
    Clock::time_point lastProgress = Clock::now();
    int queued = Unacknowledged(m_fd);
    // Acknowledgements come within a round trip: look often at first, then every slice.
    for (int pauseMs = 1; queued != 0; pauseMs = std::min(pauseMs * 2, kSliceMs)) {
        if (queued < 0 || Clock::now() - lastProgress >= StallTimeout()) {
            Fail(queued < 0 ? errno : ETIMEDOUT);
            return false;
        }
        const int revents = PollOnce(m_fd, 0, pauseMs);
        if (revents < 0 || (revents & kBroken)) {
            Fail(revents < 0 ? errno : SocketError(m_fd, ECONNRESET));
            return false;
        }
        const int now = Unacknowledged(m_fd);
        if (now >= 0 && now < queued)
            lastProgress = Clock::now();
        queued = now;
        platform::KeepAlive();
    }
    return true;
}

void TcpPort::Close()
{
    if (m_fd < 0)
        return;
    const int saved = errno;
    if (!m_failed)
        Drain();
    if (m_failed) {
        // What the printer has not taken will never be delivered: drop it now.
        const linger reset{1, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    } else {
        ::shutdown(m_fd, SHUT_WR);
        uint8_t unread[256];
        while (::recv(m_fd, unread, sizeof unread, MSG_DONTWAIT) > 0) {
        }
    }
    ::close(m_fd);
    m_fd = -1;
    errno = saved;
}

} // namespace printer
