#pragma once
// A printer link as the channel of a key-coded run, so that the runs reach real
// printers on every kind of port.
//
// The link's stall rule and its cancel token watch every wait, with two exceptions the
// run asks for through SetWaits:
// - while the printer writes its memory it takes nothing for up to the busy limit: the
//   request that waits for the end of it, and the wait for its answer, are judged by
//   the busy limit, not the stall limit (on a serial line the printer may hold DSR low
//   all that time; a USB printer leaves the request's transfer pending), and neither a
//   stop nor the "not taking data" report cuts in. The printer must not be left writing.
// - a stopped run that reads back what the printer holds is not cancelled again.
//
// Thread-safety: used from the run's thread only, like the link it wraps; the cancel
// token may be set from anywhere.
#include "keyed/PrinterChannel.h"
#include "printer/Link.h"

namespace keyed {

class LinkChannel final : public PrinterChannel {
public:
    // supervision: who watches the link's ordinary waits and what cancels them; the
    // link is put under it now, and under what it had before when the channel goes.
    LinkChannel(printer::Link& link, printer::WaitSupervision supervision);
    ~LinkChannel() override;
    LinkChannel(const LinkChannel&) = delete;
    LinkChannel& operator=(const LinkChannel&) = delete;

    bool Send(std::span<const uint8_t> bytes) override;
    long Receive(std::span<uint8_t> into, std::chrono::milliseconds wait) override;
    void SetWaits(const Waits& waits) override;

    printer::Link& GetLink() { return m_link; }

private:
    printer::Link& m_link;
    printer::WaitSupervision m_supervision;
    printer::WaitSupervision m_before;
};

} // namespace keyed
