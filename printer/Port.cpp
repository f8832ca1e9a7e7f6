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
#include "printer/PortTestHooks.h"

namespace printer {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kSliceMs = 20;                // longest stretch without KeepAlive
constexpr int kBackOffMs = 5;               // for devices whose poll says "ready" but are not
constexpr size_t kDsrChunk = 64;            // bytes handed over per DSR check
constexpr milliseconds kDrainPatience{500}; // closing waits this long without progress
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
    }
    return *this;
}

bool Port::OpenExclusive(const std::string& device, int access)
{
    Close();
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
    m_fd = fd;
    m_kind = Kind::Device;
    m_dsrGate = false;
    m_timeoutPerByte = milliseconds(0);
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
    if (m_net.IsOpen())
        return NetworkWrite(m_net, data, length);
    WriteOutcome outcome;
    if (m_fd < 0) {
        outcome.error = EBADF;
        return outcome;
    }
    if (m_kind == Kind::File)
        return WriteFile(data, length);
    Clock::time_point deadline = kNoDeadline;
    if (m_timeoutPerByte.count() > 0)
        deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(m_timeoutPerByte * length);
    int refusals = 0; // EAGAIN in a row
    while (outcome.written < length) {
        size_t chunk = length - outcome.written;
        if (m_dsrGate) {
            if (!WaitForDsr(deadline, outcome))
                return outcome;
            chunk = std::min(chunk, kDsrChunk);
        }
        const ssize_t n = ::write(m_fd, data + outcome.written, chunk);
        if (n > 0) {
            outcome.written += static_cast<size_t>(n);
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
        if (!WaitWritable(deadline, ++refusals > 1, outcome.error))
            return outcome;
    }
    return outcome;
}

bool Port::WaitWritable(Clock::time_point deadline, bool backOff, int& error)
{
    if (backOff)
        Pause(kBackOffMs);
    for (;;) {
        if (Clock::now() >= deadline) {
            error = ETIMEDOUT;
            return false;
        }
        const int revents = PollOnce(m_fd, POLLOUT, SliceBefore(deadline));
        if (revents < 0 || (revents & kHungUp)) {
            error = revents < 0 ? errno : EIO;
            return false;
        }
        if (revents & POLLOUT)
            return true;
        platform::KeepAlive();
    }
}

bool Port::WaitForDsr(Clock::time_point deadline, WriteOutcome& outcome)
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
        if (!(lines & TIOCM_DSR))
            outcome.waited = true;
        if (Clock::now() >= deadline) {
            outcome.error = ETIMEDOUT;
            return false;
        }
        const int revents = PollOnce(m_fd, 0, std::min(SliceBefore(deadline), kBackOffMs));
        if (revents < 0 || (revents & kHungUp)) {
            outcome.error = revents < 0 ? errno : EIO;
            return false;
        }
        platform::KeepAlive();
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
    const Clock::time_point deadline = Clock::now() + milliseconds(waitMs);
    int refusals = 0;
    for (;;) {
        uint8_t received = 0;
        const ssize_t n = ::read(m_fd, &received, 1);
        if (n == 1) {
            byte = received;
            return Answer::Byte;
        }
        if (n == 0)
            return Answer::None;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            return Answer::Failed;
        if (Clock::now() >= deadline)
            return Answer::None;
        if (++refusals > 1)
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

void Port::DrainOrDiscard()
{
    int pending = PendingOutput(m_fd);
    Clock::time_point lastProgress = Clock::now();
    while (pending > 0 && Clock::now() - lastProgress < kDrainPatience) {
        Pause(kBackOffMs);
        const int now = PendingOutput(m_fd);
        if (now < pending)
            lastProgress = Clock::now();
        pending = now;
    }
    // Only what is still queued goes. A pseudo-terminal always reports an empty queue,
    // and flushing it would throw away the last bytes before its reader took them.
    if (pending != 0)
        FlushLine(m_fd, false, true);
}

void Port::Close()
{
    if (m_net.IsOpen()) {
        m_net.Close();
        m_fd = -1;
        return;
    }
    if (m_fd < 0)
        return;
    const int error = errno;
    if (m_kind == Kind::Terminal) {
        if (!IsPseudoTerminal(m_fd))
            DrainOrDiscard();
        // With flow control off nothing is left to hold the kernel's closing wait.
        ReleaseFlowControl(m_fd);
        SetExclusive(m_fd, false);
    }
    ::close(m_fd);
    m_fd = -1;
    errno = error;
}

} // namespace printer
