#include "printer/TcpLink.h"

#include <algorithm>
#include <cerrno>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "printer/NameLookup.h"

namespace printer {
namespace {

using std::chrono::milliseconds;

constexpr short kBroken = POLLERR | POLLHUP | POLLNVAL;
// Keep-alive probes find a printer that vanished (power, cable) while the run pauses.
constexpr int kKeepIdleS = 10, kKeepIntervalS = 5, kKeepCount = 3;

// The socket's own error; fallback when it has none to tell.
int SocketError(int fd, int fallback)
{
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error == 0)
        return fallback;
    return error;
}

// Bytes written but not yet acknowledged by the printer; -1 when it cannot be told.
int Unacknowledged(const platform::Context& context, int fd)
{
    if (context.outputQueue)
        return context.outputQueue(fd);
    int queued = 0;
    return ::ioctl(fd, SIOCOUTQ, &queued) == 0 ? queued : -1;
}

void SetOption(int fd, int level, int name, int value)
{
    ::setsockopt(fd, level, name, &value, sizeof value);
}

void ResetAndClose(int fd)
{
    const linger reset{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    ::close(fd);
}

LinkStatus LookupFailure(const LookupResult& lookup, const std::string& name)
{
    LinkStatus status;
    status.device = name;
    if (lookup.code == EAI_SYSTEM) {
        status = LinkStatus::FromErrno(lookup.error, name);
    } else if (lookup.code == EAI_NONAME || lookup.code == EAI_NODATA || lookup.code == EAI_FAIL) {
        status.code = LinkStatus::Code::UnknownHost;
        status.error = kUnknownHostError;
    } else {
        status.code = LinkStatus::Code::Failed;
        status.error = kUnknownHostError;
        status.detail = ::gai_strerror(lookup.code);
    }
    return status;
}

} // namespace

std::unique_ptr<TcpLink> TcpLink::Connect(const platform::Context& context, const NetAddress& address,
                                          WaitSupervision supervision, LinkStatus& status)
{
    std::unique_ptr<TcpLink> link(new TcpLink(context, NetName(address), supervision));
    const LookupResult lookup = LookUpName(link->m_policy, address.host, std::to_string(address.port));
    if (lookup.end == LookupResult::End::Cancelled) {
        status = LinkStatus::FromErrno(ECANCELED, link->Name());
        return nullptr;
    }
    if (lookup.code != 0) {
        status = LookupFailure(lookup, link->Name());
        return nullptr;
    }
    status = LinkStatus::FromErrno(kUnknownHostError, link->Name());
    for (const addrinfo* candidate = lookup.found; candidate && link->m_fd < 0;
         candidate = candidate->ai_next) {
        link->m_fd = link->ConnectOne(*candidate, status);
        if (status.code == LinkStatus::Code::Cancelled)
            break;
    }
    ::freeaddrinfo(lookup.found);
    if (link->m_fd < 0)
        return nullptr;
    status = LinkStatus::Success();
    return link;
}

TcpLink::TcpLink(const platform::Context& context, const std::string& name, WaitSupervision supervision)
    : Link(Kind::Network, name, context, supervision)
{
}

TcpLink::~TcpLink()
{
    Close();
}

int TcpLink::ConnectOne(const addrinfo& candidate, LinkStatus& status)
{
    const int fd = ::socket(candidate.ai_family, candidate.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            candidate.ai_protocol);
    if (fd < 0) {
        status = LinkStatus::FromErrno(errno, Name());
        return -1;
    }
    if (::connect(fd, candidate.ai_addr, candidate.ai_addrlen) != 0 && errno != EINPROGRESS) {
        status = LinkStatus::FromErrno(errno, Name());
        ::close(fd);
        return -1;
    }
    platform::Clock& clock = m_policy.Clock();
    const platform::Clock::TimePoint deadline = clock.Now() + Context().connectTimeout;
    m_policy.Begin(WaitKind::Connect);
    for (;;) {
        const int revents = clock.Poll(fd, POLLOUT, std::min(clock.Until(deadline), kSlice));
        const int failure = revents < 0 ? errno : revents != 0 ? SocketError(fd, 0) : 0;
        if (failure != 0) {
            status = LinkStatus::FromErrno(failure, Name());
            break;
        }
        if (revents != 0) {
            SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
            SetOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
            SetOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, kKeepIdleS);
            SetOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, kKeepIntervalS);
            SetOption(fd, IPPROTO_TCP, TCP_KEEPCNT, kKeepCount);
            return fd;
        }
        if (m_policy.CancelledNow()) {
            status = LinkStatus::FromErrno(ECANCELED, Name());
            break;
        }
        if (clock.Now() >= deadline) {
            status = LinkStatus::FromErrno(ETIMEDOUT, Name());
            status.code = LinkStatus::Code::NoAnswer;
            status.detail = SecondsText(Context().connectTimeout.count());
            break;
        }
    }
    ::close(fd);
    return -1;
}

LinkStatus TcpLink::Broken(LinkStatus status)
{
    status = Note(std::move(status));
    m_broken = status;
    return status;
}

Link::Written TcpLink::Write(std::span<const uint8_t> bytes)
{
    Written written;
    if (m_fd < 0 || !m_broken.Ok()) {
        written.status = m_fd < 0 ? Note(LinkStatus::FromErrno(EBADF)) : m_broken;
        return written;
    }
    m_policy.Begin(WaitKind::Write);
    int queued = Unacknowledged(Context(), m_fd);
    while (written.bytes < bytes.size()) {
        const ssize_t n = ::send(m_fd, bytes.data() + written.bytes, bytes.size() - written.bytes,
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            written.bytes += static_cast<size_t>(n);
            m_written += static_cast<uint64_t>(n);
            m_policy.Moved();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            written.status = Broken(LinkStatus::FromErrno(errno));
            return written;
        }
        written.waited = true;
        if (LinkStatus room = WaitWritable(queued); !room.Ok()) {
            written.status = Broken(room);
            return written;
        }
    }
    return written;
}

// Progress is a byte taken into the send buffer or acknowledged by the printer: a
// printer that reads slowly keeps the buffer full but keeps the write alive.
LinkStatus TcpLink::WaitWritable(int& queued)
{
    for (;;) {
        const int revents = m_policy.Clock().Poll(m_fd, POLLOUT, kSlice);
        if (revents < 0 || (revents & kBroken))
            return LinkStatus::FromErrno(revents < 0 ? errno : SocketError(m_fd, EPIPE));
        if (revents & POLLOUT)
            return LinkStatus::Success();
        const int now = Unacknowledged(Context(), m_fd);
        if (now >= 0 && now < queued)
            m_policy.Moved();
        queued = now;
        if (const StallPolicy::Verdict verdict = m_policy.Check(); verdict != StallPolicy::Verdict::Wait)
            return Ended(verdict);
    }
}

bool TcpLink::WriteAtOnce(std::span<const uint8_t> bytes)
{
    if (m_fd < 0 || !m_broken.Ok())
        return false;
    return HandOverAtOnce(bytes, [this](const uint8_t* data, size_t size) {
        return ::send(m_fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    });
}

long TcpLink::Read(std::span<uint8_t> into, std::chrono::milliseconds wait)
{
    if (m_fd < 0 || !m_broken.Ok()) {
        Note(m_fd < 0 ? LinkStatus::FromErrno(EBADF) : m_broken);
        return -1;
    }
    platform::Clock& clock = m_policy.Clock();
    const platform::Clock::TimePoint deadline = clock.Now() + wait;
    for (;;) {
        const ssize_t n = ::recv(m_fd, into.data(), into.size(), MSG_DONTWAIT);
        if (n > 0)
            return static_cast<long>(n);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
            Broken(LinkStatus::FromErrno(n == 0 ? EPIPE : errno));
            return -1;
        }
        if (clock.Now() >= deadline || m_policy.CancelledNow())
            return 0;
        if (clock.Poll(m_fd, POLLIN, std::min(clock.Until(deadline), kSlice)) < 0) {
            Broken(LinkStatus::FromErrno(errno));
            return -1;
        }
    }
}

LinkStatus TcpLink::Drain()
{
    if (m_fd < 0)
        return LinkStatus::Success();
    if (!m_broken.Ok())
        return m_broken;
    m_policy.Begin(WaitKind::Delivery);
    int queued = Unacknowledged(Context(), m_fd);
    // Acknowledgements come within a round trip: look often at first, then every slice.
    for (milliseconds pause{1}; queued != 0; pause = std::min(pause * 2, kSlice)) {
        if (queued < 0)
            return Broken(LinkStatus::FromErrno(errno));
        const int revents = m_policy.Clock().Poll(m_fd, 0, pause);
        if (revents < 0 || (revents & kBroken))
            return Broken(LinkStatus::FromErrno(revents < 0 ? errno : SocketError(m_fd, ECONNRESET)));
        const int now = Unacknowledged(Context(), m_fd);
        if (now >= 0 && now < queued)
            m_policy.Moved();
        queued = now;
        if (queued == 0)
            break;
        if (const StallPolicy::Verdict verdict = m_policy.Check(); verdict != StallPolicy::Verdict::Wait)
            return Broken(Ended(verdict));
    }
    return LinkStatus::Success();
}

uint64_t TcpLink::DeliveredBytes() const
{
    const int queued = m_fd >= 0 ? Unacknowledged(Context(), m_fd) : 0;
    return m_written - std::min<uint64_t>(m_written, static_cast<uint64_t>(std::max(queued, 0)));
}

LinkStatus TcpLink::Close()
{
    if (m_fd < 0)
        return LinkStatus::Success();
    const LinkStatus delivered = Drain();
    if (!delivered.Ok()) {
        // What the printer has not taken will never be delivered: drop it now.
        ResetAndClose(m_fd);
    } else {
        ::shutdown(m_fd, SHUT_WR);
        uint8_t unread[256];
        while (::recv(m_fd, unread, sizeof unread, MSG_DONTWAIT) > 0) {
        }
        ::close(m_fd);
    }
    m_fd = -1;
    m_broken = LinkStatus::Success();
    return delivered;
}

void TcpLink::Abandon()
{
    if (m_fd < 0)
        return;
    ResetAndClose(m_fd);
    m_fd = -1;
    m_broken = LinkStatus::Success();
}

} // namespace printer
