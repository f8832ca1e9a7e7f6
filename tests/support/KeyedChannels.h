#pragma once
// Printers for the key-coded runs, in the test's own process, on a ManualClock (a
// 150 s busy wait costs nothing):
// - ScriptedPrinter answers each request from a script, in the pieces the test gives;
// - VirtualPrinterChannel connects a run to the virtual printer.
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "emulator/VirtualPrinter.h"
#include "keyed/PrinterChannel.h"
#include "tests/support/PrintBytes.h"
#include "tests/support/VirtualClock.h"

namespace testing_support {

using Bytes = std::vector<uint8_t>;

class ScriptedPrinter final : public keyed::PrinterChannel {
public:
    // What the printer sends back after the bytes the program sent ended with request:
    // each piece comes in one Receive, after delay on the clock.
    struct Rule {
        Bytes request;
        std::vector<Bytes> pieces;
        std::chrono::milliseconds delay{0};
        int times = 1; // answers this many times (a NAK'd block is sent again)
    };
    explicit ScriptedPrinter(ManualClock& clock) : m_clock(clock) {}

    void Answer(Rule rule) { m_rules.push_back(std::move(rule)); }
    // Answers the capacity (262,144 bytes), the free room and the key list, `times` times.
    void Holds(uint64_t free, const std::vector<std::string>& keys, int times = 1);
    bool Send(std::span<const uint8_t> bytes) override;
    long Receive(std::span<uint8_t> into, std::chrono::milliseconds wait) override;

    const Bytes& Sent() const { return m_sent; }
    // Called at every Receive, before the time passes.
    std::function<void()> whileWaiting;

private:
    ManualClock& m_clock;
    std::deque<Rule> m_rules;
    Bytes m_sent;
    std::deque<std::pair<ManualClock::TimePoint, Bytes>> m_queued;
};

class VirtualPrinterChannel final : public keyed::PrinterChannel {
public:
    VirtualPrinterChannel(VirtualPrinter& printer, ManualClock& clock) : m_printer(printer), m_clock(clock) {}
    bool Send(std::span<const uint8_t> bytes) override;
    long Receive(std::span<uint8_t> into, std::chrono::milliseconds wait) override;
    // Every byte the run sent, for decoding.
    const Bytes& Sent() const { return m_sent; }

private:
    VirtualPrinter& m_printer;
    ManualClock& m_clock;
    Bytes m_sent;
    Bytes m_pending;
};

// The bytes of a request followed by the reply pieces joined: "37 30 ... 00".
Bytes NumberReply(uint8_t id, uint64_t value);
Bytes KeyBlock(bool more, const std::vector<std::string>& keys);
// The command that defines key as a graphic of width x height dots, data bytes 1, 2, 3, ...
Bytes DefineGraphic(const std::string& key, int width, int height);

} // namespace testing_support
