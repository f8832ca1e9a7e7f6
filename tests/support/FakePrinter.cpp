#include "tests/support/FakePrinter.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace testing_support {
namespace {

// Drain's marker: no GS I 1 in it, no line end that output processing could change.
constexpr uint8_t kMarker[] = {0xF5, 0x3C, 0x7A, 0xE1, 0x02, 0x99, 0x5B, 0xC4};
// What the reading side of a pseudo-terminal holds at most; once it does, the kernel
// moves nothing more on and the line stays full.
constexpr int kReaderSideLimit = 4095;

bool Writable(int fd, int timeoutMs)
{
    pollfd port{fd, POLLOUT, 0};
    return ::poll(&port, 1, timeoutMs) > 0 && (port.revents & POLLOUT);
}

bool ReaderSideFull(int master)
{
    int queued = 0;
    return ::ioctl(master, FIONREAD, &queued) == 0 && queued >= kReaderSideLimit;
}

// After a write found no room: true when the port side has room again, false once the
// reading side is full (or, on a kernel that counts otherwise, no room came for 2 s).
bool RoomAgain(int portSide, int master)
{
    for (int ms = 0; ms < 2000; ++ms) {
        if (Writable(portSide, 1))
            return true;
        if (ReaderSideFull(master))
            return false;
    }
    return false;
}

void Ignore(ssize_t)
{
}

} // namespace

FakePrinter::FakePrinter()
{
    char name[128] = {};
    if (::openpty(&m_master, &m_portSide, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    m_path = name;
    for (const int fd : {m_master, m_portSide}) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    int on = 1;
    ::ioctl(m_master, TIOCPKT, &on); // reports when the port side stops and restarts
    termios raw{};
    ::tcgetattr(m_portSide, &raw);
    ::cfmakeraw(&raw); // no echo of the answers before the program sets its mode
    ::tcsetattr(m_portSide, TCSANOW, &raw);
    m_thread = std::thread([this] { Run(); });
}

FakePrinter::~FakePrinter()
{
    HangUp();
    ::close(m_portSide);
}

void FakePrinter::Run()
{
    uint8_t buffer[4097];
    for (;;) {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_master < 0)
            return;
        // Packet mode: a leading 0 means data follows; anything else is a status byte.
        const size_t room = std::min(Room(), sizeof buffer - 1);
        const ssize_t n = room == 0 ? 0 : ::read(m_master, buffer, room + 1);
        if (n > 0 && buffer[0] == TIOCPKT_DATA) {
            const size_t skip = std::min(static_cast<size_t>(n - 1), m_fillerLeft);
            m_fillerLeft -= skip;
            Received(buffer + 1 + skip, static_cast<size_t>(n - 1) - skip);
        } else if (n > 0 && (buffer[0] & (TIOCPKT_STOP | TIOCPKT_START))) {
            m_outputStopped = !(buffer[0] & TIOCPKT_START);
        }
        m_changed.notify_all();
        if (n > 0)
            continue;
        pollfd fd{m_master, static_cast<short>(room == 0 ? 0 : POLLIN | POLLPRI), 0};
        lock.unlock();
        ::poll(&fd, 1, 10);
    }
}

void FakePrinter::SendAnswer(uint8_t byte)
{
    Ignore(::write(m_master, &byte, 1));
}

void FakePrinter::Stall()
{
    StallAfter(Bytes().size());
    std::lock_guard<std::mutex> lock(m_mutex);
    // The kernel moves data on to the reading side in the background and gives the
    // port side room again as it does; fill until it gives none.
    const std::vector<uint8_t> filler(4096, 0);
    for (int round = 0; round < 1000; ++round) {
        for (ssize_t n; (n = ::write(m_portSide, filler.data(), filler.size())) > 0;)
            m_fillerLeft += static_cast<size_t>(n);
        if (!RoomAgain(m_portSide, m_master))
            return;
    }
}

bool FakePrinter::SendXonXoff(uint8_t flowByte)
{
    Send({flowByte});
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::seconds(2),
                              [&] { return m_outputStopped == (flowByte == 0x13); });
}

void FakePrinter::HangUp()
{
    // The thread's poll holds the master open: it must be gone before the close, or
    // the port side would see the hang-up only later.
    std::unique_lock<std::mutex> lock(m_mutex);
    const int master = std::exchange(m_master, -1);
    lock.unlock();
    if (m_thread.joinable())
        m_thread.join();
    if (master >= 0)
        ::close(master);
}

void FakePrinter::Send(const std::vector<uint8_t>& bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_master >= 0 && !bytes.empty())
        Ignore(::write(m_master, bytes.data(), bytes.size()));
}

bool FakePrinter::Drain(std::chrono::milliseconds timeout)
{
    // The marker goes the program's way onto the line: whatever the program wrote
    // before is ahead of it.
    Ignore(::write(m_portSide, kMarker, sizeof kMarker));
    std::unique_lock<std::mutex> lock(m_mutex);
    const bool arrived = m_changed.wait_for(lock, timeout, [&] {
        const std::vector<uint8_t>& bytes = Recorded();
        return bytes.size() >= sizeof kMarker &&
               std::equal(std::begin(kMarker), std::end(kMarker), bytes.end() - sizeof kMarker);
    });
    if (arrived)
        DropLast(sizeof kMarker);
    return arrived;
}

FakeDeviceRoot::FakeDeviceRoot(platform::Context& context) : m_context(context)
{
    std::filesystem::create_directories(Path() + "/dev");
    std::filesystem::create_directories(Path() + "/sys/class/tty");
    std::filesystem::create_directories(LockDir());
    m_context.deviceRoot = Path();
}

FakeDeviceRoot::~FakeDeviceRoot()
{
    m_context.deviceRoot.clear();
}

std::string FakeDeviceRoot::Link(const std::string& device, const std::string& target) const
{
    const std::string path = Device(device);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::filesystem::create_symlink(target, path);
    return path;
}

std::string FakeDeviceRoot::AddFile(const std::string& device) const
{
    const std::string path = Device(device);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary);
    return path;
}

void FakeDeviceRoot::SetTtyType(const std::string& tty, const std::string& type) const
{
    const std::string folder = Path() + "/sys/class/tty/" + tty;
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/type") << type << "\n";
}

int OpenDescriptorCount()
{
    // The iterator's own descriptor is open while it counts.
    return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {})) - 1;
}

} // namespace testing_support
