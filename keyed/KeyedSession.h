#pragma once
// The steps of the key-coded protocol on one printer: a request and its answer under a
// deadline, the key-list handshake, and the wait while the printer writes its memory.
// The runs (KeyedRuns.h) are made of these.
//
// Thread-safety: one run's thread.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "keyed/KeyedReplies.h"
#include "keyed/KeyedRun.h"

namespace keyed {

enum class Got {
    Answer,    // the answer came
    NoAnswer,  // none before the deadline
    Closed,    // the printer cannot be read or written any more
    Stopped,   // the stop flag was seen
    Malformed, // the key list could not be read, even when asked for again
};

class KeyedSession {
public:
    explicit KeyedSession(RunContext& context) : m_context(context) {}

    bool Send(std::span<const uint8_t> bytes);
    // Sends the request for kind (capacity or free room) and waits for its number.
    Got AskNumber(ReplyKind kind, uint64_t& number);
    // fn 64 and its handshake: ACK after every block, NAK for a block that cannot be
    // read (three times at most), CAN when stopped.
    Got ReadKeys(std::vector<std::string>& keys);
    // Capacity, free room and keys, in this order.
    Got ReadMemory(Memory& memory);
    // After a write: asks for the free room and waits for it up to the busy limit,
    // telling the seconds as they pass; the stop flag does not end this wait (the
    // printer must not be left writing), stopSeen says whether it was set meanwhile.
    // The channel's stall limit gives way to the busy limit for this wait, its request
    // included: a printer that writes its memory takes nothing, not even the request.
    Got WaitWhileWriting(const std::string& key, uint64_t& freeRoom, bool& stopSeen);

    // Hands progress to the run's caller.
    void Report(const Progress& progress);
    bool StopRequested() const { return !m_ignoreStop && m_context.stop.load(); }
    // From now on the stop flag ends no wait: what the run does last must be done.
    void IgnoreStop();
    RunContext& Context() { return m_context; }

private:
    // Waits for an answer of kind until limit has passed; with stoppable, the stop flag
    // ends the wait. tick is told each whole second waited.
    Got Await(ReplyKind kind, std::chrono::milliseconds limit, bool stoppable, KeyedReply& reply,
              const std::function<void(int)>& tick = {});

    RunContext& m_context;
    ReplyReader m_reader;
    std::vector<uint8_t> m_pending; // received, not yet read
    size_t m_pendingPos = 0;
    bool m_ignoreStop = false;
};

} // namespace keyed
