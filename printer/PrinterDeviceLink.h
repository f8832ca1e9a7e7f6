#pragma once
// A printer device used as it is: a USB printer (/dev/usb/lp*), a parallel port
// (/dev/lp*), or any device that is no terminal. The USB printer driver takes a write
// as soon as it has started the transfer and reports itself writable again (POLLOUT)
// only when the transfer is through; the drain before a close and before reading an
// answer waits for that, as a close would cut the last transfer off. A hang-up means
// the printer was unplugged or taken by a print spooler. While it takes nothing, the
// device's status lines say why ("out of paper").
#include "printer/DescriptorLink.h"

namespace printer {

class PrinterDeviceLink final : public DescriptorLink {
public:
    PrinterDeviceLink(const platform::Context& context, const std::string& device, ExclusiveDevice opened,
                      WaitSupervision supervision);
    ~PrinterDeviceLink() override;

    LinkStatus Drain() override;
    uint64_t DeliveredBytes() const override;

private:
    std::string PrinterState() override;
    int HangUpError() const override;
    bool EmptyReadIsNothingYet() const override { return true; }

    std::string m_state;                       // the status lines' last word
    platform::Clock::TimePoint m_nextStatus{}; // when to ask the status lines again
};

} // namespace printer
