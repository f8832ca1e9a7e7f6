#pragma once
// What the serial line and the printer device have in common: a device opened for one
// run and held by it alone (flock, a UUCP lock file, and for a terminal TIOCEXCL), kept
// non-blocking, with every wait done in short slices on the context's clock under the
// stall policy. The two kinds fill in what differs: how a byte is seen to move, what
// holds a write back, how the drain before a close is done.
#include <memory>
#include <string>

#include "platform/ReleaseOnExit.h"
#include "printer/Link.h"
#include "printer/UucpLock.h"

namespace printer {

// A device opened exclusively, for a link to take over.
struct ExclusiveDevice {
    int fd = -1;
    bool canRead = false;
    UucpLock lock;
};

// Opens device for a run: for reading and writing (writing only when readAccess is off,
// or when the user may only write to it), non-blocking, and only when no other program
// holds it by flock or a UUCP lock file. False with status (Locked, Permission,
// NotFound, ...) otherwise; nothing is left open then.
bool OpenExclusive(const platform::Context& context, const std::string& device, bool readAccess,
                   ExclusiveDevice& opened, LinkStatus& status);

class DescriptorLink : public Link {
public:
    ~DescriptorLink() override;

    Written Write(std::span<const uint8_t> bytes) override;
    bool WriteAtOnce(std::span<const uint8_t> bytes) override;
    long Read(std::span<uint8_t> into, std::chrono::milliseconds wait) override;
    LinkStatus Close() override;
    void Abandon() override;
    bool IsOpen() const override { return m_fd >= 0; }
    int Fd() const { return m_fd; }

protected:
    using TimePoint = platform::Clock::TimePoint;

    DescriptorLink(Kind kind, const std::string& device, const platform::Context& context,
                   WaitSupervision supervision, ExclusiveDevice opened, bool terminal);

    // Before each piece of a write: may shorten it or wait (DSR). Not Ok ends the write.
    virtual LinkStatus BeforePiece(size_t& piece, TimePoint deadline, Written& written);
    // When a write must give up at the latest (M ms a byte on a serial line).
    virtual TimePoint WriteDeadline(size_t length) const;
    // What the device says of the printer while it takes nothing ("out of paper").
    virtual std::string PrinterState() { return {}; }
    // Looks for bytes moving beyond what the writes see (a serial queue shrinking).
    virtual void LookForProgress() {}
    // The errno a hang-up stands for.
    virtual int HangUpError() const = 0;
    // A read of nothing means "nothing yet" (an empty USB packet), not the end.
    virtual bool EmptyReadIsNothingYet() const { return false; }
    // What is queued is thrown away without waiting.
    virtual void DiscardPending() {}
    // The device is handed back as it should be found by the next program.
    virtual void BeforeRelease() {}

    // One slice's look at a wait on the printer.
    StallPolicy::Verdict StillWaiting() { return (LookForProgress(), m_policy.Check(PrinterState())); }
    // The wait of a write that the device refused; not Ok ends the write.
    LinkStatus WaitWritable(TimePoint deadline, bool backOff);
    // A write that failed, or a wait the policy ended: nothing more goes to the printer
    // after it, and the close throws away what is left.
    LinkStatus Undelivered(LinkStatus status);
    // Why nothing more goes to the printer, Ok while it may.
    const LinkStatus& UndeliveredReason() const { return m_undelivered; }
    // Milliseconds to wait in the next slice: at most a slice, never past the deadline.
    std::chrono::milliseconds SliceBefore(TimePoint deadline) const;

    int m_fd = -1;

private:
    void Release();

    bool m_canRead;
    UucpLock m_lock;
    platform::ReleaseOnExit m_release;
    LinkStatus m_undelivered;
};

} // namespace printer
