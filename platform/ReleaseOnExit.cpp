#include "platform/ReleaseOnExit.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <mutex>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace platform {

// A slot is never freed: a handler may be walking the list at any moment. States move
// Free -> Filling -> Live under the mutex; Live -> Free when dropped; a handler alone
// moves Live -> Released, and nothing moves it back.
struct ReleaseOnExit::Slot {
    enum State : int { Free, Filling, Live, Released };
    std::atomic<int> state{Filling};
    int fd = -1;
    bool terminal = false;
    char lockPath[PATH_MAX] = {};
    char tempPath[PATH_MAX] = {};
    Slot* next = nullptr; // fixed once the slot is in the list
};

namespace {

static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<ReleaseOnExit::Slot*>::is_always_lock_free);

std::atomic<ReleaseOnExit::Slot*> g_slots{nullptr};
std::mutex g_mutex; // for threads; the handler needs none

void Copy(char (&to)[PATH_MAX], const std::string& from)
{
    const size_t length = std::min(from.size(), sizeof to - 1);
    std::memcpy(to, from.data(), length);
    to[length] = '\0';
}

ReleaseOnExit::Slot* Claim()
{
    for (ReleaseOnExit::Slot* slot = g_slots.load(); slot; slot = slot->next) {
        int expected = ReleaseOnExit::Slot::Free;
        if (slot->state.compare_exchange_strong(expected, ReleaseOnExit::Slot::Filling))
            return slot;
    }
    auto* slot = new ReleaseOnExit::Slot;
    slot->next = g_slots.load();
    while (!g_slots.compare_exchange_weak(slot->next, slot)) {
    }
    return slot;
}

} // namespace

ReleaseOnExit::ReleaseOnExit(ReleaseOnExit&& other) noexcept : m_slot(std::exchange(other.m_slot, nullptr))
{
}

ReleaseOnExit& ReleaseOnExit::operator=(ReleaseOnExit&& other) noexcept
{
    if (this != &other) {
        Forget();
        m_slot = std::exchange(other.m_slot, nullptr);
    }
    return *this;
}

void ReleaseOnExit::Port(int fd, bool terminal, const std::string& lockPath)
{
    Forget();
    const std::lock_guard<std::mutex> lock(g_mutex);
    Slot* slot = Claim();
    slot->fd = fd;
    slot->terminal = terminal;
    Copy(slot->lockPath, lockPath);
    slot->tempPath[0] = '\0';
    slot->state.store(Slot::Live);
    m_slot = slot;
}

void ReleaseOnExit::TempFile(const std::string& path)
{
    Forget();
    const std::lock_guard<std::mutex> lock(g_mutex);
    Slot* slot = Claim();
    slot->fd = -1;
    slot->terminal = false;
    slot->lockPath[0] = '\0';
    Copy(slot->tempPath, path);
    slot->state.store(Slot::Live);
    m_slot = slot;
}

void ReleaseOnExit::Forget()
{
    if (!m_slot)
        return;
    const std::lock_guard<std::mutex> lock(g_mutex);
    int expected = Slot::Live;
    // A handler that took the slot first keeps it.
    m_slot->state.compare_exchange_strong(expected, Slot::Free);
    m_slot = nullptr;
}

void ReleaseAllForExit()
{
    for (ReleaseOnExit::Slot* slot = g_slots.load(); slot; slot = slot->next) {
        int expected = ReleaseOnExit::Slot::Live;
        if (!slot->state.compare_exchange_strong(expected, ReleaseOnExit::Slot::Released))
            continue;
        if (slot->fd >= 0) {
            if (slot->terminal) {
                ::tcflush(slot->fd, TCOFLUSH);
                // A terminal kept alive from elsewhere (a pseudo-terminal's other end)
                // keeps its exclusive mode past the close. Like tcflush this is one plain
                // system call, nothing a handler may not do.
                ::ioctl(slot->fd, TIOCNXCL);
            }
            ::close(slot->fd);
        }
        if (slot->lockPath[0] != '\0')
            ::unlink(slot->lockPath);
        if (slot->tempPath[0] != '\0')
            ::unlink(slot->tempPath);
    }
}

extern "C" void ReleaseAndEndOnSignal(int signal)
{
    ReleaseAllForExit();
    // The default action again, then the same signal: it arrives once this handler
    // returns (it is blocked until then) and ends the process as it would have.
    struct sigaction fatal {};
    fatal.sa_handler = SIG_DFL;
    sigemptyset(&fatal.sa_mask);
    sigaction(signal, &fatal, nullptr);
    ::raise(signal);
}

void EndOnSignalsReleasingPorts()
{
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        struct sigaction action {};
        action.sa_handler = ReleaseAndEndOnSignal;
        sigemptyset(&action.sa_mask);
        for (const int blocked : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&action.sa_mask, blocked);
        sigaction(signal, &action, nullptr);
    }
}

} // namespace platform
