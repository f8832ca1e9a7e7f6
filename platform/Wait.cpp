#include "platform/Wait.h"

#include <chrono>
#include <thread>

namespace platform {
namespace {

class ThreadWaiter final : public Waiter {
public:
    void Sleep(int ms) override
    {
        if (ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};

ThreadWaiter g_defaultWaiter;
Waiter* g_waiter = &g_defaultWaiter;

} // namespace

void SetWaiter(Waiter* waiter)
{
    g_waiter = waiter ? waiter : &g_defaultWaiter;
}
void Sleep(int ms)
{
    g_waiter->Sleep(ms);
}
void KeepAlive()
{
    g_waiter->KeepAlive();
}

} // namespace platform
