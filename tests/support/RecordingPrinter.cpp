#include "tests/support/RecordingPrinter.h"

#include <limits>

namespace testing_support {

void RecordingPrinter::AnswerWith(std::optional<uint8_t> answer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answer = answer;
}

void RecordingPrinter::StallAfter(size_t count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stallAt = count;
}

void RecordingPrinter::Resume()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stallAt.reset();
    m_changed.notify_all();
}

size_t RecordingPrinter::Room() const
{
    if (!m_stallAt)
        return std::numeric_limits<size_t>::max();
    return *m_stallAt > m_bytes.size() ? *m_stallAt - m_bytes.size() : 0;
}

void RecordingPrinter::Received(const uint8_t* data, size_t length)
{
    constexpr uint32_t kRequest = 0x1D4901; // GS I 1
    m_bytes.insert(m_bytes.end(), data, data + length);
    for (size_t i = 0; i < length; ++i) {
        m_window = ((m_window << 8) | data[i]) & 0xFFFFFF;
        if ((m_window >> 8) == 0x1004 && data[i] >= 1 && data[i] <= 4) { // DLE EOT n
            if (const auto answer = m_status[data[i] - 1]) {
                for (const uint8_t noise : m_statusNoise)
                    SendAnswer(noise);
                SendAnswer(*answer);
            }
            continue;
        }
        if (m_window == kRequest && m_answer)
            SendAnswer(*m_answer);
    }
    m_changed.notify_all();
}

void RecordingPrinter::AnswerStatus(std::array<std::optional<uint8_t>, 4> answers, std::vector<uint8_t> noise)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_status = answers;
    m_statusNoise = std::move(noise);
}

std::vector<uint8_t> RecordingPrinter::Bytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytes;
}

void RecordingPrinter::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bytes.clear();
}

bool RecordingPrinter::WaitForBytes(size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_bytes.size() >= count; });
}

} // namespace testing_support
