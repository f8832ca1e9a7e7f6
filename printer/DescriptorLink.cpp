#include "printer/DescriptorLink.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include "printer/PortAccess.h"

namespace printer {
namespace {

using std::chrono::milliseconds;

// For devices whose poll says "ready" when they are not.
constexpr milliseconds kBackOff{5};
constexpr short kHungUp = POLLERR | POLLHUP | POLLNVAL;

// Closes a descriptor that failed to become a link; errno stays that of the failure.
void CloseKeepingErrno(int fd)
{
    const int error = errno;
    ::close(fd);
    errno = error;
}

LinkStatus OpenFailure(const std::string& device, int error)
{
    LinkStatus status = LinkStatus::FromErrno(error, device);
    if (status.code == LinkStatus::Code::Permission)
        status.detail = PermissionAdvice(device);
    return status;
}

// Another program holds the port; a lock file that names no process is named.
LinkStatus Locked(const std::string& device, const std::string& unreadableLock)
{
    LinkStatus status = LinkStatus::FromErrno(EBUSY, device);
    if (!unreadableLock.empty())
        status.detail = "its lock file " + unreadableLock + " names no process";
    return status;
}

} // namespace

bool OpenExclusive(const platform::Context& context, const std::string& device, bool readAccess,
                   ExclusiveDevice& opened, LinkStatus& status)
{
    // Looked at before the open: opening a terminal raises DTR under another program.
    if (bool unreadable = false; UucpLock::HeldByOther(context, device, &unreadable)) {
        status = Locked(device, unreadable ? UucpLock::LockFileFor(context, device) : std::string());
        return false;
    }
    const int flags = O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    int fd = ::open(device.c_str(), (readAccess ? O_RDWR : O_WRONLY) | flags);
    opened.canRead = readAccess;
    if (fd < 0 && errno == EACCES && readAccess) {
        // A device the user may only write to still serves as a printer: it just
        // never answers.
        fd = ::open(device.c_str(), O_WRONLY | flags);
        opened.canRead = false;
    }
    if (fd < 0) {
        status = OpenFailure(device, errno);
        return false;
    }
    // Only a lock held elsewhere refuses the port; a device that cannot be locked
    // at all loses the guard, not the printer.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        CloseKeepingErrno(fd);
        status = LinkStatus::FromErrno(EWOULDBLOCK, device);
        return false;
    }
    switch (const UucpLock::Result result = opened.lock.Acquire(context, device)) {
    case UucpLock::Result::Ours:
    case UucpLock::Result::NoLockDir:
        break;
    case UucpLock::Result::Held:
    case UucpLock::Result::Unreadable:
        CloseKeepingErrno(fd);
        status =
            Locked(device, result == UucpLock::Result::Unreadable ? opened.lock.HeldBy() : std::string());
        return false;
    case UucpLock::Result::Failed:
        CloseKeepingErrno(fd);
        status = LinkStatus::FromErrno(errno, device);
        return false;
    }
    opened.fd = fd;
    status = LinkStatus::Success();
    return true;
}

DescriptorLink::DescriptorLink(Kind kind, const std::string& device, const platform::Context& context,
                               WaitSupervision supervision, ExclusiveDevice opened, bool terminal)
    : Link(kind, device, context, supervision), m_fd(opened.fd), m_canRead(opened.canRead),
      m_lock(std::move(opened.lock))
{
    m_release.Port(m_fd, terminal, m_lock.Path());
}

DescriptorLink::~DescriptorLink()
{
    // A derived link has closed already; this only catches one that never opened.
    if (m_fd >= 0)
        Release();
}

std::chrono::milliseconds DescriptorLink::SliceBefore(TimePoint deadline) const
{
    if (deadline == TimePoint::max())
        return kSlice;
    return std::min(m_policy.Clock().Until(deadline), kSlice);
}

DescriptorLink::TimePoint DescriptorLink::WriteDeadline(size_t) const
{
    return TimePoint::max();
}

LinkStatus DescriptorLink::BeforePiece(size_t&, TimePoint, Written&)
{
    return LinkStatus::Success();
}

LinkStatus DescriptorLink::Undelivered(LinkStatus status)
{
    m_undelivered = status;
    return Note(std::move(status));
}

Link::Written DescriptorLink::Write(std::span<const uint8_t> bytes)
{
    Written written;
    if (m_fd < 0) {
        written.status = Note(LinkStatus::FromErrno(EBADF));
        return written;
    }
    if (!m_undelivered.Ok()) {
        // The printer took nothing, or the run gave up on it: nothing more goes to it (a
        // piece of an image after a stalled one would stall again, one by one).
        written.status = m_undelivered;
        return written;
    }
    const TimePoint deadline = WriteDeadline(bytes.size());
    m_policy.Begin(WaitKind::Write);
    int refusals = 0; // EAGAIN in a row
    while (written.bytes < bytes.size()) {
        size_t piece = bytes.size() - written.bytes;
        if (LinkStatus ready = BeforePiece(piece, deadline, written); !ready.Ok()) {
            written.status = ready;
            return written;
        }
        const ssize_t n = ::write(m_fd, bytes.data() + written.bytes, piece);
        if (n > 0) {
            written.bytes += static_cast<size_t>(n);
            m_written += static_cast<uint64_t>(n);
            m_policy.Moved();
            refusals = 0;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            written.status = Undelivered(LinkStatus::FromErrno(errno));
            return written;
        }
        written.waited = true;
        if (LinkStatus room = WaitWritable(deadline, ++refusals > 1); !room.Ok()) {
            written.status = room;
            return written;
        }
    }
    return written;
}

LinkStatus DescriptorLink::WaitWritable(TimePoint deadline, bool backOff)
{
    platform::Clock& clock = m_policy.Clock();
    if (backOff) {
        clock.Poll(m_fd, 0, kBackOff);
        if (const StallPolicy::Verdict verdict = StillWaiting(); verdict != StallPolicy::Verdict::Wait)
            return Undelivered(Ended(verdict, PrinterState()));
    }
    for (;;) {
        if (clock.Now() >= deadline) {
            LinkStatus status = LinkStatus::FromErrno(ETIMEDOUT);
            status.code = LinkStatus::Code::TimedOut;
            return Undelivered(status);
        }
        const int revents = clock.Poll(m_fd, POLLOUT, SliceBefore(deadline));
        if (revents < 0 || (revents & kHungUp))
            return Undelivered(LinkStatus::FromErrno(revents < 0 ? errno : HangUpError()));
        if (revents & POLLOUT)
            return LinkStatus::Success();
        if (const StallPolicy::Verdict verdict = StillWaiting(); verdict != StallPolicy::Verdict::Wait)
            return Undelivered(Ended(verdict, PrinterState()));
    }
}

bool DescriptorLink::WriteAtOnce(std::span<const uint8_t> bytes)
{
    if (m_fd < 0 || !m_undelivered.Ok())
        return false;
    return HandOverAtOnce(bytes,
                          [this](const uint8_t* data, size_t size) { return ::write(m_fd, data, size); });
}

long DescriptorLink::Read(std::span<uint8_t> into, std::chrono::milliseconds wait)
{
    if (m_fd < 0 || !m_canRead) {
        Note(LinkStatus::FromErrno(EBADF));
        return -1;
    }
    // A printer device answers only once the request's transfer is through.
    if (EmptyReadIsNothingYet() && !Drain().Ok())
        return -1;
    platform::Clock& clock = m_policy.Clock();
    const TimePoint deadline = clock.Now() + wait;
    int refusals = 0;
    for (;;) {
        const ssize_t n = ::read(m_fd, into.data(), into.size());
        if (n > 0)
            return static_cast<long>(n);
        if (n < 0 && errno == EINTR)
            continue;
        const bool nothingYet = (n == 0 && EmptyReadIsNothingYet()) || (n < 0 && errno == EAGAIN);
        if (n == 0 && !nothingYet)
            return 0; // the end: nothing will ever come
        if (!nothingYet) {
            Note(LinkStatus::FromErrno(errno));
            return -1;
        }
        if (clock.Now() >= deadline || m_policy.CancelledNow())
            return 0;
        if (++refusals > 1 || n == 0)
            clock.Poll(m_fd, 0, kBackOff);
        const int revents = clock.Poll(m_fd, POLLIN, SliceBefore(deadline));
        if (revents < 0 || (revents & kHungUp)) {
            Note(LinkStatus::FromErrno(revents < 0 ? errno : HangUpError()));
            return -1;
        }
        if (revents == 0)
            refusals = 0;
    }
}

LinkStatus DescriptorLink::Close()
{
    if (m_fd < 0)
        return LinkStatus::Success();
    const LinkStatus delivered = Drain();
    if (!delivered.Ok())
        DiscardPending();
    Release();
    return delivered;
}

void DescriptorLink::Abandon()
{
    if (m_fd < 0)
        return;
    DiscardPending();
    Release();
}

void DescriptorLink::Release()
{
    BeforeRelease();
    m_release.Forget();
    ::close(m_fd);
    m_fd = -1;
    m_lock.Release();
    m_undelivered = LinkStatus::Success();
}

} // namespace printer
