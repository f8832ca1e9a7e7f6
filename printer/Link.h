#pragma once
// One open way to a printer: a serial line, a printer device (USB or parallel), an
// output file, or a TCP connection to a network printer. Every kind does the same few
// things, and every wait on the printer goes by the link's stall policy
// (StallPolicy.h), so "not taking data", the stall limit and Cancel work alike for all.
//
//   LinkStatus status;
//   std::unique_ptr<Link> link = OpenLink(context, settings, options, status, supervision);
//   link->Write(bytes); link->Read(answer, 500ms); ... link->Close();
//
// Opening is OpenLink.h's. A link is used from one thread at a time (a run's own
// thread); only the cancel token of its supervision is set from elsewhere. The context
// it was opened with must outlive it. Destroying an open link closes it as Close does.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "platform/Context.h"
#include "printer/LinkStatus.h"
#include "printer/StallPolicy.h"

namespace printer {

enum class OutputFlow {
    Cts, // the kernel holds output while CTS is low and drives RTS as its own handshake
    Dsr, // output is held while DSR is low (done by the link, the kernel cannot); RTS is off
};

// How a run uses its link, named for what each value does.
struct LinkOptions {
    bool writeTimeout = false;                 // a serial write gives up after M ms a byte
    OutputFlow outputFlow = OutputFlow::Dsr;   // serial output flow control
    bool readPrinterDevice = false;            // a printer device (LPT) is opened for reading too
    bool fileTarget = false;                   // the port "FILE" is an output file (else no device)
    std::chrono::milliseconds answerWait{500}; // how long a check waits for the printer's answer
};

// M, the write time-out per byte in milliseconds: the baud rate below 9600, half the
// baud rate from 9600 on.
inline constexpr int64_t WriteTimeoutPerByteMs(uint32_t baud)
{
    return baud < 9600 ? baud : baud / 2;
}

class Link {
public:
    enum class Kind { Serial, PrinterDevice, File, Network };

    virtual ~Link() = default;
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    Kind GetKind() const { return m_kind; }
    // The device path, the output file or the network printer's address.
    const std::string& Name() const { return m_name; }

    struct Written {
        size_t bytes = 0;    // handed to the device
        bool waited = false; // the write could not complete at once
        LinkStatus status;
        bool Complete(size_t length) const { return status.Ok() && bytes == length; }
    };
    // Returns once every byte is handed over, the device failed, the write time-out or
    // the stall limit ran out, or the run was cancelled. After a stall or a cancel
    // nothing more goes to the printer: every later write fails at once. A write of
    // nothing succeeds at once.
    virtual Written Write(std::span<const uint8_t> bytes) = 0;
    // One try without waiting: true when the device took every byte at once.
    virtual bool WriteAtOnce(std::span<const uint8_t> bytes) = 0;
    // Waits up to `wait` for the printer's bytes: how many came into `into` (0: none
    // in time, or the run was cancelled), -1 when the link cannot be read (LastFailure
    // says why). On a printer device the request must have left first, so it drains.
    virtual long Read(std::span<uint8_t> into, std::chrono::milliseconds wait) = 0;
    // Waits until what was written has left for the printer: a serial queue empty, a
    // USB printer's transfer complete, every byte acknowledged by the network printer,
    // an output file nothing to wait for. Under the stall policy.
    virtual LinkStatus Drain() = 0;
    // Drains, then closes; when the drain fails, or after a stall or a cancel, what is
    // pending is thrown away instead, so the close itself never waits. An output file
    // is put in place here. Returns the drain's status. Every lock is released.
    virtual LinkStatus Close() = 0;
    // Closes at once, throwing away what is pending (an output file is not put in place).
    virtual void Abandon() = 0;
    virtual bool IsOpen() const = 0;

    // Bytes written since the open, and how many of them have reached the printer (are
    // no longer queued on the way): the count that says what a stopped run delivered.
    uint64_t WrittenBytes() const { return m_written; }
    virtual uint64_t DeliveredBytes() const { return m_written; }
    // The last failure since the open; Ok when none.
    const LinkStatus& LastFailure() const { return m_lastFailure; }

    // Who watches the waits from now on, and what cancels them.
    void Supervise(WaitSupervision supervision) { m_policy.Supervise(supervision); }
    const StallPolicy& Policy() const { return m_policy; }

protected:
    Link(Kind kind, std::string name, const platform::Context& context, WaitSupervision supervision)
        : m_policy(context, supervision), m_kind(kind), m_name(std::move(name))
    {
    }
    const platform::Context& Context() const { return m_policy.Context(); }
    // Records status as the last failure (unless it is Ok) and returns it.
    LinkStatus Note(LinkStatus status);
    // The status of a wait the policy ended.
    LinkStatus Ended(StallPolicy::Verdict verdict, const std::string& printerState = {}) const;
    // Hands bytes over through put (a write(2)-like call that must not block), retrying
    // after a signal and counting what went into m_written: true when every byte went.
    bool HandOverAtOnce(std::span<const uint8_t> bytes,
                        const std::function<long(const uint8_t* data, size_t size)>& put);

    StallPolicy m_policy;
    uint64_t m_written = 0;

private:
    Kind m_kind;
    std::string m_name;
    LinkStatus m_lastFailure;
};

} // namespace printer
