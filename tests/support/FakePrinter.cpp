#include "tests/support/FakePrinter.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/Version.h"
#include "printer/PortTestHooks.h"

namespace testing_support {
namespace {

constexpr uint32_t kRequest = 0x1D4901; // GS I 1
constexpr auto kFlowWait = std::chrono::seconds(2);

void SetNonBlocking(int fd)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

} // namespace

FakePrinter::FakePrinter()
{
    char name[128] = {};
    if (::openpty(&m_master, &m_portSide, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    m_path = name;
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_portSide, F_SETFD, FD_CLOEXEC);
    SetNonBlocking(m_master);
    SetNonBlocking(m_portSide); // only this descriptor: Stall fills the line through it
    int on = 1;
    ::ioctl(m_master, TIOCPKT, &on); // reports when the port side stops and restarts
    termios raw{};
    ::tcgetattr(m_portSide, &raw);
    ::cfmakeraw(&raw); // no echo of the answers before the program sets its mode
    ::tcsetattr(m_portSide, TCSANOW, &raw);
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_thread = std::thread([this] { Run(); });
}

FakePrinter::~FakePrinter()
{
    StopThread();
    CloseMaster();
    ::close(m_portSide);
    ::close(m_wake);
}

void FakePrinter::StopThread()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    Wake();
    if (m_thread.joinable())
        m_thread.join();
}

void FakePrinter::Wake()
{
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wake, &one, sizeof one);
}

void FakePrinter::CloseMaster()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

void FakePrinter::Run()
{
    for (;;) {
        int timeoutMs = 50;
        short events = POLLIN;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_stop || m_master < 0)
                return;
            if (m_stalled) {
                events = 0;
                m_stallSeen = true;
                m_changed.notify_all();
            }
            for (const Scheduled& item : m_scheduled) {
                const auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(item.at - Clock::now()).count();
                timeoutMs = std::clamp<int>(static_cast<int>(left), 0, timeoutMs);
            }
        }
        pollfd fds[2] = {{m_master, events, 0}, {m_wake, POLLIN, 0}};
        ::poll(fds, 2, timeoutMs);
        if (fds[1].revents & POLLIN) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = ::read(m_wake, &count, sizeof count);
        }
        if (fds[0].revents & (POLLIN | POLLPRI))
            ReadAvailable();
        RunDue();
    }
}

void FakePrinter::ReadAvailable()
{
    uint8_t buffer[4097];
    for (;;) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_master < 0 || m_stalled)
            return;
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            return;
        // Packet mode: a leading 0 means data follows; anything else is a status byte.
        if (buffer[0] == TIOCPKT_DATA) {
            Received(buffer + 1, static_cast<size_t>(n - 1));
        } else {
            if (buffer[0] & TIOCPKT_STOP)
                m_outputStopped = true;
            if (buffer[0] & TIOCPKT_START)
                m_outputStopped = false;
            m_changed.notify_all();
        }
    }
}

void FakePrinter::Received(const uint8_t* data, size_t length)
{
    const size_t skip = std::min(length, m_fillerLeft);
    m_fillerLeft -= skip;
    data += skip;
    length -= skip;
    if (length == 0)
        return;
    m_arrivals.push_back({Clock::now(), std::vector<uint8_t>(data, data + length)});
    m_bytes.insert(m_bytes.end(), data, data + length);
    for (size_t i = 0; i < length; ++i) {
        m_window = ((m_window << 8) | data[i]) & 0xFFFFFF;
        if (m_window != kRequest)
            continue;
        ++m_requests;
        if (m_answer) [[maybe_unused]]
            const ssize_t n = ::write(m_master, &*m_answer, 1);
    }
    m_changed.notify_all();
}

void FakePrinter::RunDue()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const Clock::time_point now = Clock::now();
    bool hangUp = false;
    for (auto it = m_scheduled.begin(); it != m_scheduled.end();) {
        if (it->at > now) {
            ++it;
            continue;
        }
        if (it->action == Action::Xon && m_master >= 0) {
            const uint8_t xon = 0x11;
            [[maybe_unused]] const ssize_t n = ::write(m_master, &xon, 1);
            m_xonSentAt = Clock::now();
        }
        hangUp = hangUp || it->action == Action::HangUp;
        it = m_scheduled.erase(it);
    }
    if (hangUp && m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

void FakePrinter::AnswerWith(std::optional<uint8_t> answer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answer = answer;
}

void FakePrinter::Stall()
{
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_stalled = true;
        m_stallSeen = false;
        Wake();
        m_changed.wait(lock, [this] { return m_stallSeen || m_master < 0; });
    }
    // The kernel moves data on to the reading side in the background; fill until the
    // line stays full.
    const std::vector<uint8_t> filler(4096, 0);
    for (int round = 0; round < 200; ++round) {
        size_t taken = 0;
        for (;;) {
            const ssize_t n = ::write(m_portSide, filler.data(), filler.size());
            if (n <= 0)
                break;
            taken += static_cast<size_t>(n);
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_fillerLeft += taken;
        }
        if (taken == 0 && round > 0)
            return;
        ::usleep(10000);
    }
}

void FakePrinter::Resume()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stalled = false;
    }
    Wake();
}

bool FakePrinter::WaitStopped(bool stopped)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, kFlowWait, [&] { return m_outputStopped == stopped; });
}

bool FakePrinter::SendXoff()
{
    Send({0x13});
    return WaitStopped(true);
}

bool FakePrinter::SendXon()
{
    Send({0x11});
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_xonSentAt = Clock::now();
    }
    return WaitStopped(false);
}

void FakePrinter::SendXonAfter(std::chrono::milliseconds delay)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_scheduled.push_back({Clock::now() + delay, Action::Xon});
    }
    Wake();
}

void FakePrinter::HangUp()
{
    StopThread();
    CloseMaster();
}

void FakePrinter::HangUpAfter(std::chrono::milliseconds delay)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_scheduled.push_back({Clock::now() + delay, Action::HangUp});
    }
    Wake();
}

void FakePrinter::Send(const std::vector<uint8_t>& bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_master >= 0 && !bytes.empty()) [[maybe_unused]]
        const ssize_t n = ::write(m_master, bytes.data(), bytes.size());
}

std::vector<uint8_t> FakePrinter::Bytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytes;
}

std::vector<FakePrinter::Arrival> FakePrinter::Arrivals() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_arrivals;
}

void FakePrinter::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_arrivals.clear();
    m_bytes.clear();
    m_requests = 0;
}

bool FakePrinter::WaitForBytes(size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_bytes.size() >= count; });
}

int FakePrinter::Requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

std::optional<FakePrinter::Clock::time_point> FakePrinter::XonSentAt() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_xonSentAt;
}

FakeDeviceRoot::FakeDeviceRoot()
{
    std::filesystem::create_directories(Path() + "/dev");
    std::filesystem::create_directories(Path() + "/sys/class/tty");
    printer::SetDeviceRootForTesting(Path());
}

FakeDeviceRoot::~FakeDeviceRoot()
{
    printer::SetDeviceRootForTesting({});
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

ScopedWriteTimeout::ScopedWriteTimeout(std::chrono::milliseconds perByte)
{
    printer::SetWriteTimeoutPerByteForTesting(perByte);
}
ScopedWriteTimeout::~ScopedWriteTimeout()
{
    printer::SetWriteTimeoutPerByteForTesting(std::nullopt);
}

ScopedPlatformVersion::ScopedPlatformVersion(uint32_t version)
{
    platform::SetVersionForTesting(version);
}
ScopedPlatformVersion::~ScopedPlatformVersion()
{
    platform::SetVersionForTesting(std::nullopt);
}

int OpenDescriptorCount()
{
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(dir))
            if (entry->d_name[0] != '.')
                ++count;
        ::closedir(dir);
        --count; // the directory stream itself
    }
    return count;
}

} // namespace testing_support
