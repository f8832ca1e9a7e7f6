#pragma once
// A printer on a serial line: raw mode with the settings, DTR raised, the run's output
// flow control (CTS by the kernel, or DSR done here), and a write time-out of M ms a
// byte when the run asks for one. Every open first restarts output a killed program
// may have left stopped (TCOFF) and throws away what was pending, so each run starts
// on a clean line. A queue that shrinks is a printer taking bytes, even while the
// device takes no new ones; the drain before a close waits for the queue to empty.
#include <cstdint>

#include "printer/DescriptorLink.h"

namespace printer {

struct SerialSettings {
    uint32_t baud = 115200;
    uint8_t byteSize = 8;  // 7 or 8
    uint8_t parity = 0;    // 0 none, 1 odd, 2 even
    uint8_t stopBits = 0;  // 0 one, 2 two
    int32_t handshake = 0; // 0 DTR/DSR, 1 XON/XOFF
};

class SerialLink final : public DescriptorLink {
public:
    // Takes over an exclusively opened terminal and sets the line up. Null with status
    // when the line refuses the settings (the device is then closed).
    static std::unique_ptr<SerialLink> Configure(const platform::Context& context, const std::string& device,
                                                 ExclusiveDevice opened, const SerialSettings& settings,
                                                 const LinkOptions& options, WaitSupervision supervision,
                                                 LinkStatus& status);
    ~SerialLink() override;

    LinkStatus Drain() override;
    uint64_t DeliveredBytes() const override;

private:
    SerialLink(const platform::Context& context, const std::string& device, ExclusiveDevice opened,
               WaitSupervision supervision);
    bool SetUp(const SerialSettings& settings, const LinkOptions& options);

    LinkStatus BeforePiece(size_t& piece, TimePoint deadline, Written& written) override;
    TimePoint WriteDeadline(size_t length) const override;
    void LookForProgress() override;
    int HangUpError() const override;
    void DiscardPending() override;
    void BeforeRelease() override;

    bool m_dsrGate = false;
    std::chrono::milliseconds m_perByte{0};
    uint32_t m_baud = 0;
    int m_lastPending = -1; // the queue at the last look
};

} // namespace printer
