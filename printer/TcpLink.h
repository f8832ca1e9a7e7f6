#pragma once
// A network printer: a TCP connection to its raw port. The name is looked up without
// holding the run (NameLookup.h) and every address it gives is tried in turn, each for
// the context's connect time-out; Cancel ends the lookup and each attempt at once.
// Writes, waits and the drain go by the stall policy like a serial line's; no write,
// wait or close ever raises SIGPIPE.
//
// Bytes the kernel took are not yet the printer's: its send buffer holds tens of
// kilobytes that a printer out of paper never reads. The drain waits until the printer
// has acknowledged every byte, and only then is a run done. After a failure the
// connection is of no more use: it is reset at the close, so a stalled printer costs
// no more time.
#include <memory>

#include "printer/Link.h"
#include "printer/NetAddress.h"

struct addrinfo;

namespace printer {

class TcpLink final : public Link {
public:
    // Null with status (UnknownHost, Refused, NoAnswer, Cancelled, ...) when no address
    // of the printer could be connected to; the last attempt's error is the status's.
    static std::unique_ptr<TcpLink> Connect(const platform::Context& context, const NetAddress& address,
                                            WaitSupervision supervision, LinkStatus& status);
    ~TcpLink() override;

    Written Write(std::span<const uint8_t> bytes) override;
    bool WriteAtOnce(std::span<const uint8_t> bytes) override;
    long Read(std::span<uint8_t> into, std::chrono::milliseconds wait) override;
    LinkStatus Drain() override;
    LinkStatus Close() override;
    void Abandon() override;
    bool IsOpen() const override { return m_fd >= 0; }
    uint64_t DeliveredBytes() const override;

private:
    TcpLink(const platform::Context& context, const std::string& name, WaitSupervision supervision);
    // One address: a connected socket, or -1 with status.
    int ConnectOne(const addrinfo& candidate, LinkStatus& status);
    LinkStatus WaitWritable(int& queued);
    // The connection is of no more use after status.
    LinkStatus Broken(LinkStatus status);

    int m_fd = -1;
    LinkStatus m_broken;
};

} // namespace printer
