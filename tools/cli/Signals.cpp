#include "tools/cli/Signals.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "printer/OpenPortRegistry.h"

namespace cli {
namespace {

using namespace std::chrono_literals;

// A printer that took nothing for this long after Ctrl-C is not going to reach the
// next image boundary soon: stop at once.
constexpr std::chrono::milliseconds kStalledAfterInterrupt = 300ms;

volatile std::sig_atomic_t g_stopRequested = 0;
volatile std::sig_atomic_t g_stopMode = 0; // 1 while a StopOnInterrupt lives

void Say(const char* text)
{
    size_t length = 0;
    while (text[length] != '\0')
        ++length;
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text, length);
}

extern "C" void EndOnSignal(int signal)
{
    printer::ReleaseOpenPortsForExit();
    std::signal(signal, SIG_DFL);
    ::raise(signal);
}

extern "C" void OnInterrupt(int signal)
{
    if (g_stopMode && !g_stopRequested) {
        g_stopRequested = 1;
        Say("nivora-cli: stopping (Ctrl-C again ends at once)\n");
        return;
    }
    EndOnSignal(signal);
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
    Handle(SIGTERM, EndOnSignal);
    Handle(SIGHUP, EndOnSignal);
    Handle(SIGINT, OnInterrupt);
}

StopOnInterrupt::StopOnInterrupt()
{
    g_stopRequested = 0;
    g_stopMode = 1;
    sigaction(SIGINT, nullptr, &m_previousAction);
    Handle(SIGINT, OnInterrupt);
}

StopOnInterrupt::~StopOnInterrupt()
{
    sigaction(SIGINT, &m_previousAction, nullptr);
    g_stopMode = 0;
}

bool StopOnInterrupt::Requested()
{
    return g_stopRequested != 0;
}

bool StopOnInterrupt::Continue(const printer::WaitProgress& progress)
{
    if (progress.idle >= printer::SlowPrinterAfter() && !m_toldSlow.exchange(true)) {
        std::fprintf(stderr, "nivora-cli: %s\n", printer::NotTakingDataText(progress).c_str());
    }
    return !(Requested() && progress.idle >= kStalledAfterInterrupt);
}

} // namespace cli
