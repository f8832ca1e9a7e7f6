#include "download/AdjustRedraw.h"

#include <utility>

AdjustRedraw::AdjustRedraw(std::function<void()> ready)
    : m_ready(std::move(ready)), m_thread([this] { Run(); })
{
}

AdjustRedraw::~AdjustRedraw()
{
    {
        const std::lock_guard lock(m_mutex);
        m_bStop = true;
        m_asked.reset();
    }
    m_wake.notify_one();
    m_thread.join();
}

uint64_t AdjustRedraw::Request(const std::string& path, const NvConversion& conversion)
{
    uint64_t serial;
    {
        const std::lock_guard lock(m_mutex);
        serial = ++m_nSerial;
        m_asked = Ask{serial, path, conversion};
    }
    m_wake.notify_one();
    return serial;
}

bool AdjustRedraw::Take(Result& result)
{
    const std::lock_guard lock(m_mutex);
    if (!m_result)
        return false;
    result = std::move(*m_result);
    m_result.reset();
    return true;
}

void AdjustRedraw::Run()
{
    // Owned by this thread alone: the picture stays loaded between requests.
    AdjustedDots dots;
    std::string loadedPath;
    bool loaded = false;
    while (true) {
        Ask ask;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_bStop || m_asked; });
            if (m_bStop)
                return;
            ask = std::move(*m_asked);
            m_asked.reset();
        }
        Result result;
        result.serial = ask.serial;
        if (!loaded || loadedPath != ask.path) {
            loadedPath = ask.path;
            loaded = dots.Load(ask.path, result.why);
        }
        if (loaded)
            result.made = dots.Make(ask.conversion, result.dots, result.why);
        {
            const std::lock_guard lock(m_mutex);
            m_result = std::move(result);
        }
        if (m_ready)
            m_ready();
    }
}
