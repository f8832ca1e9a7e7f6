#include "printer/StallRule.h"

#include <atomic>

namespace printer {
namespace {
std::atomic<long long> g_stallMs{kDefaultStallTimeout.count()};
} // namespace

std::chrono::milliseconds StallTimeout()
{
    return std::chrono::milliseconds(g_stallMs.load(std::memory_order_relaxed));
}

void SetStallTimeout(std::chrono::milliseconds timeout)
{
    g_stallMs.store(timeout.count() > 0 ? timeout.count() : kDefaultStallTimeout.count(),
                    std::memory_order_relaxed);
}

} // namespace printer
