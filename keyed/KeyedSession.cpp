#include "keyed/KeyedSession.h"

#include <algorithm>

#include "keyed/KeyedCommands.h"

namespace keyed {
namespace {

using namespace std::chrono_literals;

// The longest a wait goes without looking at the stop flag.
constexpr std::chrono::milliseconds kSlice = 100ms;
// Blocks of a key list at most: 255 keys take 7; a printer that sends more is broken.
constexpr int kMaxBlocks = 64;
constexpr int kMaxNaks = 3;

} // namespace

bool KeyedSession::Send(std::span<const uint8_t> bytes)
{
    return m_context.channel.Send(bytes);
}

void KeyedSession::Report(const Progress& progress)
{
    if (m_context.progress)
        m_context.progress(progress);
}

Got KeyedSession::Await(ReplyKind kind, std::chrono::milliseconds limit, bool stoppable, KeyedReply& reply,
                        const std::function<void(int)>& tick)
{
    platform::Clock& clock = m_context.clock;
    const auto start = clock.Now();
    const auto deadline = start + limit;
    int told = 0;
    uint8_t buffer[256];
    while (true) {
        while (m_pendingPos < m_pending.size()) {
            const ReplyReader::Fed fed = m_reader.Feed(m_pending[m_pendingPos++]);
            // An answer of another kind is a late one to an earlier request: skipped.
            if (fed == ReplyReader::Fed::Reply && m_reader.Reply().kind == kind) {
                reply = m_reader.Reply();
                return Got::Answer;
            }
            if (fed == ReplyReader::Fed::Malformed && kind == ReplyKind::KeyBlock)
                return Got::Malformed;
        }
        m_pending.clear();
        m_pendingPos = 0;
        if (stoppable && StopRequested())
            return Got::Stopped;
        const auto left = clock.Until(deadline);
        if (left <= 0ms)
            return Got::NoAnswer;
        const long n = m_context.channel.Receive(buffer, std::min(left, kSlice));
        if (n < 0)
            return Got::Closed;
        m_pending.assign(buffer, buffer + n);
        const auto waited = std::chrono::duration_cast<std::chrono::seconds>(clock.Now() - start).count();
        while (tick && told < waited)
            tick(++told);
    }
}

Got KeyedSession::AskNumber(ReplyKind kind, uint64_t& number)
{
    if (!Send(kind == ReplyKind::Capacity ? RequestCapacity() : RequestFreeRoom()))
        return Got::Closed;
    KeyedReply reply;
    const Got got = Await(kind, m_context.limits.replyDeadline, true, reply);
    if (got == Got::Answer)
        number = reply.number;
    return got;
}

Got KeyedSession::ReadKeys(std::vector<std::string>& keys)
{
    keys.clear();
    if (!Send(RequestKeyList()))
        return Got::Closed;
    int blocks = 0, naks = 0;
    while (true) {
        KeyedReply reply;
        const Got got = Await(ReplyKind::KeyBlock, m_context.limits.replyDeadline, true, reply);
        if (got == Got::Stopped || (got == Got::Malformed && naks == kMaxNaks) ||
            (got == Got::Answer && reply.more && blocks + 1 == kMaxBlocks)) {
            Send(std::vector<uint8_t>{CAN});
            return got == Got::Stopped ? Got::Stopped : Got::Malformed;
        }
        if (got == Got::Malformed) {
            ++naks;
            if (!Send(std::vector<uint8_t>{NAK}))
                return Got::Closed;
            continue;
        }
        if (got != Got::Answer)
            return got;
        naks = 0;
        ++blocks;
        keys.insert(keys.end(), reply.keys.begin(), reply.keys.end());
        if (!Send(std::vector<uint8_t>{ACK}))
            return Got::Closed;
        if (!reply.more)
            return Got::Answer;
    }
}

Got KeyedSession::ReadMemory(Memory& memory)
{
    Got got = AskNumber(ReplyKind::Capacity, memory.capacity);
    if (got == Got::Answer)
        got = AskNumber(ReplyKind::FreeRoom, memory.free);
    if (got == Got::Answer)
        got = ReadKeys(memory.keys);
    return got;
}

void KeyedSession::IgnoreStop()
{
    m_ignoreStop = true;
    m_context.channel.SetWaits({std::chrono::milliseconds(0), false});
}

Got KeyedSession::WaitWhileWriting(const std::string& key, uint64_t& freeRoom, bool& stopSeen)
{
    m_context.channel.SetWaits({m_context.limits.busyLimit, false});
    Report({Step::Writing, key, 0, 0, 0, {}});
    KeyedReply reply;
    const auto start = m_context.clock.Now();
    Got got = Got::Closed;
    if (Send(RequestFreeRoom()))
        got = Await(ReplyKind::FreeRoom, m_context.limits.busyLimit, false, reply, [&](int seconds) {
            Report({Step::Writing, key, 0, 0, seconds, {}});
        });
    else if (m_context.clock.Now() - start >= m_context.limits.busyLimit)
        got = Got::NoAnswer; // the printer took not even the request for the whole busy limit
    m_context.channel.SetWaits({std::chrono::milliseconds(0), !m_ignoreStop});
    stopSeen = m_context.stop.load();
    if (got == Got::Answer)
        freeRoom = reply.number;
    return got;
}

} // namespace keyed
