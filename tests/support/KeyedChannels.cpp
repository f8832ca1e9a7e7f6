#include "tests/support/KeyedChannels.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "keyed/KeyedCommands.h"

namespace testing_support {

bool ScriptedPrinter::Send(std::span<const uint8_t> bytes)
{
    m_sent.insert(m_sent.end(), bytes.begin(), bytes.end());
    for (Rule& rule : m_rules) {
        if (rule.times == 0 || m_sent.size() < rule.request.size() ||
            !std::equal(rule.request.begin(), rule.request.end(),
                        m_sent.end() - static_cast<long>(rule.request.size())))
            continue;
        --rule.times;
        for (const Bytes& piece : rule.pieces)
            m_queued.emplace_back(m_clock.Now() + rule.delay, piece);
        break;
    }
    return true;
}

long ScriptedPrinter::Receive(std::span<uint8_t> into, std::chrono::milliseconds wait)
{
    if (whileWaiting)
        whileWaiting();
    if (m_queued.empty() || m_queued.front().first > m_clock.Now() + wait) {
        m_clock.SleepFor(wait);
        return 0;
    }
    if (m_queued.front().first > m_clock.Now())
        m_clock.SleepFor(
            std::chrono::duration_cast<std::chrono::milliseconds>(m_queued.front().first - m_clock.Now()));
    Bytes piece = std::move(m_queued.front().second);
    m_queued.pop_front();
    const size_t n = std::min(piece.size(), into.size());
    std::memcpy(into.data(), piece.data(), n);
    if (n < piece.size())
        m_queued.emplace_front(m_clock.Now(), Bytes(piece.begin() + static_cast<long>(n), piece.end()));
    return static_cast<long>(n);
}

bool VirtualPrinterChannel::Send(std::span<const uint8_t> bytes)
{
    m_sent.insert(m_sent.end(), bytes.begin(), bytes.end());
    m_printer.Receive(bytes.data(), bytes.size());
    return true;
}

long VirtualPrinterChannel::Receive(std::span<uint8_t> into, std::chrono::milliseconds wait)
{
    const auto take = [&] {
        m_printer.Process();
        const Bytes out = m_printer.TakeOutput();
        m_pending.insert(m_pending.end(), out.begin(), out.end());
        return !m_pending.empty();
    };
    if (!take()) {
        // Nothing yet: the time passes, up to the moment a busy printer reads again.
        const auto now = m_clock.Now();
        const auto busy = m_printer.BusyUntil() > now ? m_printer.BusyUntil() - now : wait;
        m_clock.SleepFor(std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(busy)));
        if (!take())
            return 0;
    }
    const size_t n = std::min(m_pending.size(), into.size());
    std::memcpy(into.data(), m_pending.data(), n);
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<long>(n));
    return static_cast<long>(n);
}

void ScriptedPrinter::Holds(uint64_t free, const std::vector<std::string>& keys, int times)
{
    Answer({keyed::RequestCapacity(), {NumberReply(0x30, 262144)}, std::chrono::milliseconds(0), times});
    Answer({keyed::RequestFreeRoom(), {NumberReply(0x31, free)}, std::chrono::milliseconds(0), times});
    Answer({keyed::RequestKeyList(), {KeyBlock(false, keys)}, std::chrono::milliseconds(0), times});
}

Bytes NumberReply(uint8_t id, uint64_t value)
{
    const std::string digits = std::to_string(value);
    Bytes bytes = {0x37, id};
    bytes.insert(bytes.end(), digits.begin(), digits.end());
    bytes.push_back(0);
    return bytes;
}

Bytes DefineGraphic(const std::string& key, int width, int height)
{
    Bytes data(static_cast<size_t>((width + 7) / 8 * height));
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i + 1);
    return Join({keyed::DefineHeader(key, width, height, data.size()), data});
}

Bytes KeyBlock(bool more, const std::vector<std::string>& keys)
{
    Bytes bytes = {0x37, 0x72, static_cast<uint8_t>(more ? 0x41 : 0x40)};
    for (const std::string& key : keys)
        bytes.insert(bytes.end(), key.begin(), key.end());
    bytes.push_back(0);
    return bytes;
}

} // namespace testing_support
