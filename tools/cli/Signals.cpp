#include "tools/cli/Signals.h"

#include <cstdio>
#include <unistd.h>

#include "platform/ReleaseOnExit.h"

namespace cli {
namespace {

printer::CancelToken g_stopRequested{false};
std::atomic<bool> g_stopMode{false}; // a StopOnInterrupt lives
static_assert(std::atomic<bool>::is_always_lock_free);

void Say(const char* text)
{
    size_t length = 0;
    while (text[length] != '\0')
        ++length;
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text, length);
}

extern "C" void OnInterrupt(int signal)
{
    if (g_stopMode.load() && !g_stopRequested.exchange(true)) {
        Say("nivora-cli: stopping (Ctrl-C again ends at once)\n");
        return;
    }
    platform::ReleaseAndEndOnSignal(signal);
}

void Handle(int signal, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (const int blocked : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&action.sa_mask, blocked);
    sigaction(signal, &action, nullptr);
}

} // namespace

void InstallSignalHandlers()
{
    platform::EndOnSignalsReleasingPorts();
    Handle(SIGINT, OnInterrupt);
}

StopOnInterrupt::StopOnInterrupt()
{
    g_stopRequested.store(false);
    g_stopMode.store(true);
    sigaction(SIGINT, nullptr, &m_previousAction);
    Handle(SIGINT, OnInterrupt);
}

StopOnInterrupt::~StopOnInterrupt()
{
    sigaction(SIGINT, &m_previousAction, nullptr);
    g_stopMode.store(false);
}

bool StopOnInterrupt::Requested()
{
    return g_stopRequested.load();
}

const printer::CancelToken* StopOnInterrupt::Token()
{
    return &g_stopRequested;
}

void StopOnInterrupt::OnNotTakingData(const printer::WaitReport& report)
{
    if (!m_toldSlow.exchange(true))
        std::fprintf(stderr, "nivora-cli: %s\n", printer::NotTakingDataText(report).c_str());
}

} // namespace cli
