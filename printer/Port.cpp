#include "printer/Port.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>

#include "platform/Wait.h"
#include "printer/LineSettings.h"
#include "printer/OpenPortRegistry.h"
#include "printer/PortTestHooks.h"
#include "printer/PrinterStatus.h"
#include "printer/StallRule.h"

namespace printer {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kSliceMs = 20;               // longest stretch without KeepAlive
constexpr int kBackOffMs = 5;              // for devices whose poll says "ready" but are not
constexpr size_t kDsrChunk = 64;           // bytes handed over per DSR check
constexpr milliseconds kStatusEvery{2000}; // how often a stalled device is asked its state
constexpr Clock::time_point kNoDeadline = Clock::time_point::max();

// Milliseconds to wait in the next slice: at most a slice, never past the deadline.
int SliceBefore(Clock::time_point deadline)
{
    if (deadline == kNoDeadline)
        return kSliceMs;
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, kSliceMs));
}

// poll on one descriptor; returns revents, 0 after the time, -1 with errno on error.
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

constexpr short kHungUp = POLLERR | POLLHUP | POLLNVAL;

// A USB printer that reports a hang-up has gone: unplugged, or detached from its driver
// by a print spooler that wants it. A terminal that hangs up just fails.
int HangUpError(int revents, bool printerDevice)
{
    if (revents < 0)
        return errno;
    return printerDevice ? ENODEV : EIO;
}

// How long a serial line needs for pending bytes at baud (start, 8 data, parity, 2 stop).
milliseconds TimeToSend(int pending, uint32_t baud)
{
    if (pending <= 0 || baud == 0)
        return milliseconds(0);
    return milliseconds(static_cast<long long>(pending) * 12 * 1000 / baud + 1);
}

// Closes a descriptor that failed to become a port; errno stays that of the failure.
bool FailClosing(int fd)
{
    const int error = errno;
    ::close(fd);
    errno = error;
    return false;
}

// A pseudo-terminal hands the bytes to the program at its other end, which reads them
// when it likes. The kernel counts none of them as queued, so a flush would throw away
// what that program has not read yet (the end of a download to a virtual printer);
// closing one never waits for it either, so there is nothing to discard.
bool IsPseudoTerminal(int fd)
{
    constexpr unsigned kFirstPtsMajor = 136, kLastPtsMajor = 143;
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= kFirstPtsMajor &&
           major(st.st_rdev) <= kLastPtsMajor;
}

void Pause(int ms)
{
    ::poll(nullptr, 0, ms);
    platform::KeepAlive();
}

} // namespace

// The bookkeeping of one wait on the printer: when a byte last moved.
struct Port::Stall {
    explicit Stall(WaitKind k) : kind(k) {}
    WaitKind kind;
    Clock::time_point lastProgress = Clock::now();
    Clock::time_point nextStatus = Clock::now();
    int pending = -1;          // serial queue at the last look
    milliseconds allowance{0}; // on top of the stall limit
    void Moved() { lastProgress = Clock::now(); }
    milliseconds Idle() const
    {
        return std::chrono::duration_cast<milliseconds>(Clock::now() - lastProgress);
    }
};

Port::~Port()
{
    Close();
}

Port::Port(Port&& other) noexcept
{
    *this = std::move(other);
}

Port& Port::operator=(Port&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        m_kind = other.m_kind;
        m_canRead = other.m_canRead;
        m_dsrGate = other.m_dsrGate;
        m_timeoutPerByte = other.m_timeoutPerByte;
        m_net = std::move(other.m_net);
        m_baud = other.m_baud;
        m_undelivered = other.m_undelivered;
        m_printerState = std::move(other.m_printerState);
        m_lock = std::move(other.m_lock);
    }
    return *this;
}

bool Port::OpenExclusive(const std::string& device, int access)
{
    Close();
    // Looked at before the open: opening a terminal raises DTR under another program.
    if (UucpLock::HeldByOther(device)) {
        errno = EBUSY;
        return false;
    }
    const int flags = O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    int fd = ::open(device.c_str(), access | flags);
    m_canRead = access == O_RDWR;
    if (fd < 0 && errno == EACCES && access == O_RDWR) {
        // A device the user may only write to still serves as a printer: it just
        // never answers.
        fd = ::open(device.c_str(), O_WRONLY | flags);
        m_canRead = false;
    }
    if (fd < 0)
        return false;
    // Only a lock held elsewhere refuses the port; a device that cannot be locked
    // at all loses the guard, not the printer.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        return FailClosing(fd);
    }
    if (!m_lock.Acquire(device))
        return FailClosing(fd);
    m_fd = fd;
    m_kind = Kind::Device;
    m_dsrGate = false;
    m_timeoutPerByte = milliseconds(0);
    m_baud = 0;
    m_undelivered = false;
    m_lastError = 0;
    RegisterOpenPort(fd, printer::IsTerminal(fd), m_lock.Path());
    return true;
}

bool Port::OpenSerial(const std::string& device, const SerialSettings& settings, const PortVariant& variant)
{
    if (!OpenExclusive(device, O_RDWR))
        return false;
    if (!printer::IsTerminal(m_fd))
        return true;
    m_kind = Kind::Terminal;
    if (!ConfigureTerminal(settings, variant)) {
        Close(); // keeps errno
        return false;
    }
    return true;
}

bool Port::ConfigureTerminal(const SerialSettings& settings, const PortVariant& variant)
{
    SetExclusive(m_fd, true);
    if (!FlushLine(m_fd, true, true))
        return false;
    LineSettings line;
    line.baud = settings.baud;
    line.byteSize = settings.byteSize;
    line.parity = settings.parity;
    line.stopBits = settings.stopBits;
    line.ctsFlow = variant.outputFlow == OutputFlow::Cts;
    line.xonXoff = settings.handshake == 1;
    if (!ApplyLineSettings(m_fd, line))
        return false;
    // Terminals without modem lines (pseudo-terminals) refuse these; that is fine.
    SetModemLines(m_fd, TIOCM_DTR, true);
    if (variant.outputFlow == OutputFlow::Dsr)
        SetModemLines(m_fd, TIOCM_RTS, false);
    m_dsrGate = variant.outputFlow == OutputFlow::Dsr;
    m_baud = settings.baud;
    if (variant.writeTimeout)
        m_timeoutPerByte =
            WriteTimeoutPerByteOverride().value_or(milliseconds(WriteTimeoutPerByteMs(settings.baud)));
    return true;
}

bool Port::OpenPrinterDevice(const std::string& device, bool readAccess)
{
    return OpenExclusive(device, readAccess ? O_RDWR : O_WRONLY);
}

bool Port::OpenOutputFile(const std::string& path)
{
    Close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    struct stat st {};
    // Locked before it is emptied, so a file another run is writing stays whole.
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
    if (!locked || (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0)) {
        return FailClosing(fd);
    }
    m_fd = fd;
    m_kind = Kind::File;
    m_canRead = false;
    m_dsrGate = false;
    m_timeoutPerByte = milliseconds(0);
    m_undelivered = false;
    return true;
}

bool Port::CanOpenExclusively(const std::string& device)
{
    Port probe;
    return probe.OpenPrinterDevice(device, true);
}

Port::WriteOutcome Port::WriteFile(const uint8_t* data, size_t length)
{
    WriteOutcome outcome;
    while (outcome.written < length) {
        const ssize_t n = ::write(m_fd, data + outcome.written, length - outcome.written);
        if (n > 0)
            outcome.written += static_cast<size_t>(n);
        else if (n < 0 && errno != EINTR && errno != EAGAIN) {
            outcome.error = errno;
            break;
        } else if (n == 0) {
            outcome.error = EIO;
            break;
        }
    }
    return outcome;
}

Port::WriteOutcome Port::Write(const uint8_t* data, size_t length)
{
    const WriteOutcome outcome = WriteToPrinter(data, length);
    if (outcome.error != 0)
        m_lastError = outcome.error;
    return outcome;
}

Port::WriteOutcome Port::WriteToPrinter(const uint8_t* data, size_t length)
{
    if (m_net.IsOpen())
        return NetworkWrite(m_net, data, length);
    WriteOutcome outcome;
    if (m_fd < 0) {
        outcome.error = EBADF;
        return outcome;
    }
    if (m_kind == Kind::File)
        return WriteFile(data, length);
    if (m_undelivered) {
        // The printer took nothing, or the user gave up on it: nothing more goes to it
        // (a piece of an image after a stalled one would stall again, one by one).
        outcome.error = m_lastError != 0 ? m_lastError : ECANCELED;
        return outcome;
    }
    Clock::time_point deadline = kNoDeadline;
    if (m_timeoutPerByte.count() > 0)
        deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(m_timeoutPerByte * length);
    Stall stall(WaitKind::Write);
    int refusals = 0; // EAGAIN in a row
    while (outcome.written < length) {
        size_t chunk = length - outcome.written;
        if (m_dsrGate) {
            if (!WaitForDsr(deadline, outcome, stall))
                return outcome;
            chunk = std::min(chunk, kDsrChunk);
        }
        const ssize_t n = ::write(m_fd, data + outcome.written, chunk);
        if (n > 0) {
            outcome.written += static_cast<size_t>(n);
            stall.Moved();
            refusals = 0;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            outcome.error = errno;
            return outcome;
        }
        outcome.waited = true;
        if (!WaitWritable(deadline, ++refusals > 1, outcome, stall))
            return outcome;
    }
    return outcome;
}

bool Port::StillWaiting(Stall& stall, WriteOutcome& outcome)
{
    if (m_kind == Kind::Terminal) {
        // A serial queue that shrinks is a printer taking bytes, even while the
        // device takes no new ones.
        const int pending = PendingOutput(m_fd);
        if (pending >= 0 && stall.pending >= 0 && pending < stall.pending)
            stall.Moved();
        stall.pending = pending;
    }
    const milliseconds idle = stall.Idle();
    if (m_kind == Kind::Device && idle >= SlowPrinterAfter() && Clock::now() >= stall.nextStatus) {
        if (const std::optional<int> status = ReadLpStatus(m_fd))
            m_printerState = DescribeLpStatus(*status);
        stall.nextStatus = Clock::now() + kStatusEvery;
    }
    if (idle >= StallTimeout() + stall.allowance) {
        outcome.error = ETIMEDOUT;
        outcome.stalled = true;
        m_undelivered = true;
        return false;
    }
    if (!WaitMayContinue({stall.kind, idle, m_printerState})) {
        outcome.error = ECANCELED;
        m_undelivered = true;
        return false;
    }
    platform::KeepAlive();
    return true;
}

bool Port::WaitWritable(Clock::time_point deadline, bool backOff, WriteOutcome& outcome, Stall& stall)
{
    stall.kind = WaitKind::Write;
    if (backOff) {
        ::poll(nullptr, 0, kBackOffMs);
        if (!StillWaiting(stall, outcome))
            return false;
    }
    for (;;) {
        if (Clock::now() >= deadline) {
            outcome.error = ETIMEDOUT;
            m_undelivered = true;
            return false;
        }
        const int revents = PollOnce(m_fd, POLLOUT, SliceBefore(deadline));
        if (revents < 0 || (revents & kHungUp)) {
            outcome.error = HangUpError(revents, m_kind == Kind::Device);
            return false;
        }
        if (revents & POLLOUT)
            return true;
        if (!StillWaiting(stall, outcome))
            return false;
    }
}

bool Port::WaitForDsr(Clock::time_point deadline, WriteOutcome& outcome, Stall& stall)
{
    for (;;) {
        int lines = 0;
        if (QueryModemLines(m_fd, lines) != 0) {
            if (errno == ENOTTY || errno == EINVAL) {
                m_dsrGate = false; // no modem lines at all: always ready
                return true;
            }
            outcome.error = errno;
            return false;
        }
        // Hand over the next chunk only when DSR is up and little is still queued, so
        // a printer that drops DSR stops the data within about a chunk.
        const int pending = PendingOutput(m_fd);
        if ((lines & TIOCM_DSR) && pending <= static_cast<int>(kDsrChunk))
            return true;
        stall.kind = (lines & TIOCM_DSR) ? WaitKind::Write : WaitKind::Dsr;
        if (!(lines & TIOCM_DSR))
            outcome.waited = true;
        if (Clock::now() >= deadline) {
            outcome.error = ETIMEDOUT;
            m_undelivered = true;
            return false;
        }
        const int revents = PollOnce(m_fd, 0, std::min(SliceBefore(deadline), kBackOffMs));
        if (revents < 0 || (revents & kHungUp)) {
            outcome.error = HangUpError(revents, false);
            return false;
        }
        if (!StillWaiting(stall, outcome))
            return false;
    }
}

bool Port::WriteAtOnce(const uint8_t* data, size_t length)
{
    if (m_net.IsOpen())
        return m_net.WriteAtOnce(data, length);
    if (m_fd < 0)
        return false;
    if (m_kind == Kind::File)
        return WriteFile(data, length).Complete(length);
    size_t written = 0;
    while (written < length) {
        const ssize_t n = ::write(m_fd, data + written, length - written);
        if (n > 0)
            written += static_cast<size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return false;
    }
    return true;
}

Port::Answer Port::ReadByte(uint8_t& byte, int waitMs)
{
    if (m_net.IsOpen())
        return NetworkReadByte(m_net, byte, waitMs);
    if (m_fd < 0 || !m_canRead)
        return Answer::Failed;
    // A USB printer answers only once the request's transfer is through.
    if (m_kind == Kind::Device && !Deliver())
        return Answer::Failed;
    const Clock::time_point deadline = Clock::now() + milliseconds(waitMs);
    int refusals = 0;
    for (;;) {
        uint8_t received = 0;
        const ssize_t n = ::read(m_fd, &received, 1);
        if (n == 1) {
            byte = received;
            return Answer::Byte;
        }
        const bool nothingYet = (n == 0 && m_kind == Kind::Device) || (n < 0 && errno == EAGAIN);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 && !nothingYet)
            return Answer::None;
        if (!nothingYet)
            return Answer::Failed;
        if (Clock::now() >= deadline)
            return Answer::None;
        if (++refusals > 1 || n == 0)
            Pause(kBackOffMs);
        const int revents = PollOnce(m_fd, POLLIN, SliceBefore(deadline));
        if (revents < 0 || (revents & kHungUp))
            return Answer::Failed;
        if (revents == 0) {
            refusals = 0;
            platform::KeepAlive();
        }
    }
}

bool Port::Deliver()
{
    if (m_net.IsOpen())
        return m_net.Drain();
    if (m_fd < 0 || m_kind == Kind::File)
        return true;
    if (m_undelivered)
        return false;
    const int error = errno;
    bool delivered = true;
    if (m_kind == Kind::Terminal)
        delivered = (IsPseudoTerminal(m_fd) && !OutputQueueQueryReplaced()) || DeliverSerial();
    else
        delivered = DeliverToDevice();
    if (delivered)
        errno = error;
    else
        m_lastError = errno;
    return delivered;
}

bool Port::DeliverSerial()
{
    Stall stall(WaitKind::Delivery);
    WriteOutcome outcome;
    for (;;) {
        const int pending = PendingOutput(m_fd);
        if (pending <= 0)
            return true; // empty, or a line that cannot tell
        stall.allowance = TimeToSend(pending, m_baud);
        const int revents = PollOnce(m_fd, 0, 2 * kBackOffMs);
        if (revents < 0 || (revents & kHungUp)) {
            errno = HangUpError(revents, false);
            m_undelivered = true;
            return false;
        }
        if (!StillWaiting(stall, outcome)) {
            errno = outcome.error;
            return false;
        }
    }
}

bool Port::DeliverToDevice()
{
    // The USB printer driver takes a write as soon as it has started the transfer and
    // kills a transfer still running at the close; POLLOUT says it has finished.
    Stall stall(WaitKind::Delivery);
    WriteOutcome outcome;
    for (;;) {
        const int revents = PollOnce(m_fd, POLLOUT, kSliceMs);
        if (revents < 0 || (revents & kHungUp)) {
            errno = HangUpError(revents, true);
            m_undelivered = true;
            return false;
        }
        if (revents & POLLOUT)
            return true;
        if (!StillWaiting(stall, outcome)) {
            errno = outcome.error;
            return false;
        }
    }
}

void Port::DiscardPending()
{
    if (m_kind != Kind::Terminal)
        return; // a printer device's transfer in flight dies with the close
    // Stopped first, so that nothing more leaves while the queue is thrown away and
    // the kernel's closing wait finds nothing to wait for.
    SuspendOutput(m_fd);
    FlushLine(m_fd, false, true);
}

void Port::Release()
{
    if (m_kind == Kind::Terminal) {
        // With flow control off and output running, nothing (and no later user of the
        // port) finds the line held.
        ReleaseFlowControl(m_fd);
        SetExclusive(m_fd, false);
    }
    UnregisterOpenPort(m_fd);
    ::close(m_fd);
    m_fd = -1;
    m_lock.Release();
    m_undelivered = false;
}

bool Port::Close()
{
    if (m_net.IsOpen()) {
        const bool delivered = m_net.Drain();
        m_net.Close(); // resets a connection that failed
        m_fd = -1;
        return delivered;
    }
    if (m_fd < 0)
        return true;
    const int error = errno;
    const bool delivered = Deliver();
    if (!delivered)
        DiscardPending();
    Release();
    errno = error;
    return delivered;
}

void Port::Abandon()
{
    if (m_net.IsOpen()) {
        m_net.Abort();
        m_fd = -1;
        return;
    }
    if (m_fd < 0)
        return;
    const int error = errno;
    m_undelivered = true;
    DiscardPending();
    Release();
    errno = error;
}

} // namespace printer
