#include "printer/SerialLink.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "printer/LineSettings.h"

namespace printer {
namespace {

using std::chrono::milliseconds;

constexpr size_t kDsrPiece = 64; // bytes handed over per look at DSR
constexpr milliseconds kDsrLook{5};
constexpr milliseconds kQueueLook{10};
constexpr short kHungUp = POLLERR | POLLHUP | POLLNVAL;

// How long a serial line needs for pending bytes at baud (start, 8 data, parity, 2 stop).
milliseconds TimeToSend(int pending, uint32_t baud)
{
    if (pending <= 0 || baud == 0)
        return milliseconds(0);
    return milliseconds(static_cast<long long>(pending) * 12 * 1000 / baud + 1);
}

// A pseudo-terminal hands the bytes to the program at its other end, which reads them
// when it likes. The kernel counts none of them as queued, so a flush would throw away
// what that program has not read yet (the end of a download to a virtual printer);
// closing one never waits for it either, so there is nothing to drain.
bool IsPseudoTerminal(int fd)
{
    constexpr unsigned kFirstPtsMajor = 136, kLastPtsMajor = 143;
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= kFirstPtsMajor &&
           major(st.st_rdev) <= kLastPtsMajor;
}

} // namespace

std::unique_ptr<SerialLink> SerialLink::Configure(const platform::Context& context, const std::string& device,
                                                  ExclusiveDevice opened, const SerialSettings& settings,
                                                  const LinkOptions& options, WaitSupervision supervision,
                                                  LinkStatus& status)
{
    std::unique_ptr<SerialLink> link(new SerialLink(context, device, std::move(opened), supervision));
    if (!link->SetUp(settings, options)) {
        status = LinkStatus::FromErrno(errno, device);
        link->Abandon();
        return nullptr;
    }
    status = LinkStatus::Success();
    return link;
}

SerialLink::SerialLink(const platform::Context& context, const std::string& device, ExclusiveDevice opened,
                       WaitSupervision supervision)
    : DescriptorLink(Kind::Serial, device, context, supervision, std::move(opened), true)
{
}

SerialLink::~SerialLink()
{
    Close();
}

bool SerialLink::SetUp(const SerialSettings& settings, const LinkOptions& options)
{
    SetExclusive(m_fd, true);
    ResumeOutput(m_fd);
    if (!FlushLine(m_fd, true, true))
        return false;
    LineSettings line;
    line.baud = settings.baud;
    line.byteSize = settings.byteSize;
    line.parity = settings.parity;
    line.stopBits = settings.stopBits;
    line.ctsFlow = options.outputFlow == OutputFlow::Cts;
    line.xonXoff = settings.handshake == 1;
    if (!ApplyLineSettings(m_fd, line))
        return false;
    // Terminals without modem lines (pseudo-terminals) refuse these; that is fine.
    SetModemLines(m_fd, TIOCM_DTR, true);
    if (options.outputFlow == OutputFlow::Dsr)
        SetModemLines(m_fd, TIOCM_RTS, false);
    m_dsrGate = options.outputFlow == OutputFlow::Dsr;
    m_baud = settings.baud;
    if (options.writeTimeout)
        m_perByte =
            Context().writeTimeoutPerByte.value_or(milliseconds(WriteTimeoutPerByteMs(settings.baud)));
    return true;
}

SerialLink::TimePoint SerialLink::WriteDeadline(size_t length) const
{
    if (m_perByte.count() <= 0)
        return TimePoint::max();
    return m_policy.Clock().Now() + m_perByte * static_cast<long long>(length);
}

void SerialLink::LookForProgress()
{
    const int pending = PendingOutput(Context(), m_fd);
    if (pending >= 0 && m_lastPending >= 0 && pending < m_lastPending)
        m_policy.Moved();
    m_lastPending = pending;
}

LinkStatus SerialLink::BeforePiece(size_t& piece, TimePoint deadline, Written& written)
{
    if (!m_dsrGate)
        return LinkStatus::Success();
    platform::Clock& clock = m_policy.Clock();
    for (;;) {
        int lines = 0;
        if (QueryModemLines(Context(), m_fd, lines) != 0) {
            if (errno == ENOTTY || errno == EINVAL) {
                m_dsrGate = false; // no modem lines at all: always ready
                return LinkStatus::Success();
            }
            return Undelivered(LinkStatus::FromErrno(errno));
        }
        // The next piece goes only when DSR is up and little is still queued, so a
        // printer that drops DSR stops the data within about a piece.
        const int pending = PendingOutput(Context(), m_fd);
        if ((lines & TIOCM_DSR) && pending <= static_cast<int>(kDsrPiece)) {
            piece = std::min(piece, kDsrPiece);
            return LinkStatus::Success();
        }
        m_policy.SetKind((lines & TIOCM_DSR) ? WaitKind::Write : WaitKind::Dsr);
        if (!(lines & TIOCM_DSR))
            written.waited = true;
        if (clock.Now() >= deadline) {
            LinkStatus status = LinkStatus::FromErrno(ETIMEDOUT);
            status.code = LinkStatus::Code::TimedOut;
            return Undelivered(status);
        }
        const int revents = clock.Poll(m_fd, 0, std::min(SliceBefore(deadline), kDsrLook));
        if (revents < 0 || (revents & kHungUp))
            return Undelivered(LinkStatus::FromErrno(revents < 0 ? errno : HangUpError()));
        if (const StallPolicy::Verdict verdict = StillWaiting(); verdict != StallPolicy::Verdict::Wait)
            return Undelivered(Ended(verdict));
    }
}

int SerialLink::HangUpError() const
{
    return EIO;
}

LinkStatus SerialLink::Drain()
{
    if (m_fd < 0)
        return LinkStatus::Success();
    if (!UndeliveredReason().Ok())
        return UndeliveredReason();
    if (IsPseudoTerminal(m_fd) && !Context().outputQueue)
        return LinkStatus::Success();
    m_policy.Begin(WaitKind::Delivery);
    m_lastPending = -1;
    for (;;) {
        const int pending = PendingOutput(Context(), m_fd);
        if (pending <= 0)
            return LinkStatus::Success(); // empty, or a line that cannot tell
        m_policy.Allow(TimeToSend(pending, m_baud));
        const int revents = m_policy.Clock().Poll(m_fd, 0, kQueueLook);
        if (revents < 0 || (revents & kHungUp))
            return Undelivered(LinkStatus::FromErrno(revents < 0 ? errno : HangUpError(), Name()));
        if (const StallPolicy::Verdict verdict = StillWaiting(); verdict != StallPolicy::Verdict::Wait)
            return Undelivered(Ended(verdict));
    }
}

uint64_t SerialLink::DeliveredBytes() const
{
    // A pseudo-terminal delivers at once, as its drain does.
    if (m_fd < 0 || (IsPseudoTerminal(m_fd) && !Context().outputQueue))
        return m_written;
    const int pending = PendingOutput(Context(), m_fd);
    return m_written - std::min<uint64_t>(m_written, static_cast<uint64_t>(std::max(pending, 0)));
}

void SerialLink::DiscardPending()
{
    // Stopped first, so that nothing more leaves while the queue is thrown away and
    // the kernel's closing wait finds nothing to wait for; BeforeRelease restarts it.
    SuspendOutput(m_fd);
    FlushLine(m_fd, false, true);
}

void SerialLink::BeforeRelease()
{
    // With flow control off and output running, nothing (and no later user of the
    // port) finds the line held.
    ReleaseFlowControl(m_fd);
    SetExclusive(m_fd, false);
}

} // namespace printer
