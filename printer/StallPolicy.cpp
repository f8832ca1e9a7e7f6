#include "printer/StallPolicy.h"

namespace printer {

std::string NotTakingDataText(const WaitReport& report)
{
    std::string text = "The printer is not taking data";
    if (report.kind == WaitKind::Dsr)
        text += " (DSR is off)";
    if (!report.printerState.empty())
        text += " (" + report.printerState + ")";
    return text + ".";
}

StallPolicy::StallPolicy(const platform::Context& context, WaitSupervision supervision)
    : m_context(context), m_supervision(supervision), m_lastMoved(context.clock->Now())
{
}

void StallPolicy::Begin(WaitKind kind)
{
    m_kind = kind;
    m_allowance = std::chrono::milliseconds(0);
    m_lastMoved = Clock().Now();
}

void StallPolicy::Moved()
{
    m_lastMoved = Clock().Now();
}

std::chrono::milliseconds StallPolicy::Idle() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock().Now() - m_lastMoved);
}

bool StallPolicy::CancelRequested() const
{
    return m_supervision.cancel && m_supervision.cancel->load();
}

bool StallPolicy::CancelledNow()
{
    if (m_supervision.observer)
        m_supervision.observer->OnSlice();
    return CancelRequested();
}

StallPolicy::Verdict StallPolicy::Check(const std::string& printerState)
{
    const std::chrono::milliseconds idle = Idle();
    if (m_supervision.observer) {
        m_supervision.observer->OnSlice();
        if (idle >= m_context.slowPrinterAfter)
            m_supervision.observer->OnNotTakingData({m_kind, idle, printerState});
    }
    // The observer may have cancelled just now (the window's Cancel button).
    if (CancelRequested() && idle >= kCancelWhenIdle)
        return Verdict::Cancelled;
    if (idle >= Limit() + m_allowance)
        return Verdict::Stalled;
    return Verdict::Wait;
}

} // namespace printer
