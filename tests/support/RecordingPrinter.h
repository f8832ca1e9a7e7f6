#pragma once
// What every fake printer of the tests does, whatever the transport: it records the
// bytes that arrive, answers each GS I 1 (0x20 unless told otherwise, or stays silent),
// and on request stops taking data after a number of bytes. The transports (a serial
// line on a pseudo-terminal, a USB printer device, a network printer on loopback) are
// its subclasses and feed it what they read.
#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// Bytes 0, 1, 2, ... (wrapping): a stream whose every byte says where it stands, so that
// a lost, doubled or reordered piece shows.
inline std::vector<uint8_t> Sequence(size_t length)
{
    std::vector<uint8_t> bytes(length);
    std::iota(bytes.begin(), bytes.end(), uint8_t{0});
    return bytes;
}

class RecordingPrinter {
public:
    virtual ~RecordingPrinter() = default;
    RecordingPrinter(const RecordingPrinter&) = delete;
    RecordingPrinter& operator=(const RecordingPrinter&) = delete;

    // What the program names to reach this printer: a device path or tcp://ADDRESS.
    virtual std::string Port() const = 0;

    // The byte sent back for every GS I 1 (0x20 at first); nullopt keeps it silent.
    void AnswerWith(std::optional<uint8_t> answer);
    // What DLE EOT n is answered with (answers[n - 1]; nullopt: silence), each answer
    // after the bytes of noise. Silent at first.
    void AnswerStatus(std::array<std::optional<uint8_t>, 4> answers, std::vector<uint8_t> noise = {});
    // Takes count bytes in all and then nothing more.
    void StallAfter(size_t count);
    void Resume();

    std::vector<uint8_t> Bytes() const;
    void Clear();
    bool WaitForBytes(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

protected:
    RecordingPrinter() = default;
    // Bytes that arrived: recorded, and every GS I 1 among them answered. Call with
    // m_mutex held.
    void Received(const uint8_t* data, size_t length);
    // Sends the answer to a GS I 1; called with m_mutex held.
    virtual void SendAnswer(uint8_t byte) = 0;
    // How many more bytes the printer takes; call with m_mutex held.
    size_t Room() const;
    // What arrived so far, and forgetting the last count bytes of it; m_mutex held.
    const std::vector<uint8_t>& Recorded() const { return m_bytes; }
    void DropLast(size_t count) { m_bytes.resize(m_bytes.size() - std::min(count, m_bytes.size())); }

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;

private:
    std::vector<uint8_t> m_bytes;
    std::optional<uint8_t> m_answer = 0x20;
    std::array<std::optional<uint8_t>, 4> m_status{};
    std::vector<uint8_t> m_statusNoise;
    std::optional<size_t> m_stallAt;
    uint32_t m_window = 0; // the last three bytes, for spotting GS I 1
};

} // namespace testing_support
