#include "jobs/RunObserver.h"

namespace jobs {

void WaitRelay::OnNotTakingData(const printer::WaitReport& report)
{
    const std::string text = printer::NotTakingDataText(report);
    if (!m_observer || text == m_told)
        return;
    m_told = text;
    m_observer->OnNotTakingData(report);
}

} // namespace jobs
