#include "printer/StateQuery.h"

#include <array>

#include "printer/EscPos.h"

namespace printer {
namespace {

constexpr uint8_t kXon = 0x11, kXoff = 0x13;

// The link's waits bounded by one answer's deadline, for as long as the object lives.
class AnswerPatience {
public:
    AnswerPatience(Link& link, std::chrono::milliseconds wait)
        : m_link(link), m_saved(link.Policy().Supervision())
    {
        WaitSupervision bounded = m_saved;
        bounded.patience = wait;
        m_link.Supervise(bounded);
    }
    ~AnswerPatience() { m_link.Supervise(m_saved); }
    AnswerPatience(const AnswerPatience&) = delete;
    AnswerPatience& operator=(const AnswerPatience&) = delete;

private:
    Link& m_link;
    WaitSupervision m_saved;
};

// Sends request and returns the first byte that accept takes within wait.
template <typename Accept>
std::optional<uint8_t> Ask(Link& link, std::span<const uint8_t> request, std::chrono::milliseconds wait,
                           Accept accept)
{
    const AnswerPatience patience(link, wait);
    if (!link.Write(request).Complete(request.size()))
        return std::nullopt;
    platform::Clock& clock = link.Policy().Clock();
    const platform::Clock::TimePoint deadline = clock.Now() + wait;
    std::array<uint8_t, 64> buffer{};
    for (;;) {
        const std::chrono::milliseconds left = clock.Until(deadline);
        if (left.count() <= 0)
            return std::nullopt;
        // Nothing (0) is the deadline, a cancel or the end of the device: no answer.
        const long n = link.Read(buffer, left);
        if (n <= 0)
            return std::nullopt;
        for (long i = 0; i < n; ++i)
            if (accept(buffer[static_cast<size_t>(i)]))
                return buffer[static_cast<size_t>(i)];
    }
}

} // namespace

PrinterState AskPrinterState(Link& link, std::chrono::milliseconds wait)
{
    PrinterState state;
    for (uint8_t n = 1; n <= 4; ++n) {
        const std::optional<uint8_t> answer = Ask(link, escpos::RealTimeStatus(n), wait, LooksLikeStatusByte);
        if (answer)
            state.Take(n, *answer);
        else if (n == 1 || link.Policy().CancelRequested() || !link.LastFailure().Ok())
            break;
    }
    return state;
}

std::optional<uint8_t> AskModelId(Link& link, std::chrono::milliseconds wait)
{
    return Ask(link, escpos::kTransmitPrinterId, wait,
               [](uint8_t byte) { return byte != kXon && byte != kXoff; });
}

bool AsksStateFirst(Link::Kind kind, bool keyedRun, AskState choice)
{
    if (kind == Link::Kind::File)
        return false;
    if (choice != AskState::ByPort)
        return choice == AskState::Always;
    return keyedRun || kind == Link::Kind::Network;
}

} // namespace printer
