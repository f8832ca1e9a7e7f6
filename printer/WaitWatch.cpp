#include "printer/WaitWatch.h"

namespace printer {
namespace {
WaitWatcher* g_watcher = nullptr;
std::chrono::milliseconds g_slowAfter = kSlowPrinterAfter;
} // namespace

std::chrono::milliseconds SlowPrinterAfter()
{
    return g_slowAfter;
}

void SetSlowPrinterAfter(std::chrono::milliseconds after)
{
    g_slowAfter = after;
}

void SetWaitWatcher(WaitWatcher* watcher)
{
    g_watcher = watcher;
}

WaitWatcher* CurrentWaitWatcher()
{
    return g_watcher;
}

bool WaitMayContinue(const WaitProgress& progress)
{
    return g_watcher == nullptr || g_watcher->Continue(progress);
}

std::string NotTakingDataText(const WaitProgress& progress)
{
    std::string text = "The printer is not taking data";
    if (progress.kind == WaitKind::Dsr)
        text += " (DSR is off)";
    if (!progress.printerState.empty())
        text += " (" + progress.printerState + ")";
    return text + ".";
}

} // namespace printer
