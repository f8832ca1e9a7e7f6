#include "keyed/KeyedWriter.h"

#include <algorithm>

#include "keyed/KeyedCommands.h"
#include "keyed/NvKey.h"
#include "platform/Text.h"

namespace keyed {
namespace {

bool Contains(const std::vector<std::string>& keys, const std::string& key)
{
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

} // namespace

std::string GroupedNumber(uint64_t value)
{
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), ",");
    return digits;
}

bool KeyedWriter::End(Outcome outcome, std::string message)
{
    m_result.outcome = outcome;
    m_result.message = std::move(message);
    return false;
}

std::time_t KeyedWriter::Now() const
{
    const auto& wallClock = m_session.Context().wallClock;
    return wallClock ? wallClock() : std::time(nullptr);
}

bool KeyedWriter::Begin()
{
    m_session.Report({Step::Asking, {}, 0, 0, 0, {}});
    Memory memory;
    switch (m_session.ReadMemory(memory)) {
    case Got::Answer:
        break;
    case Got::NoAnswer:
        return End(Outcome::NoAnswer, kNoAnswerText);
    case Got::Stopped:
        return End(Outcome::Stopped, "Stopped before anything was written.");
    case Got::Closed:
        return End(Outcome::Failed, "The printer cannot be reached any more.");
    case Got::Malformed:
        return End(Outcome::Failed, "The printer's key list cannot be read.");
    }
    m_result.memoryKnown = true;
    m_result.memory = memory;
    m_free = memory.free;
    m_heldAtBegin = memory.keys;
    m_result.writesToday = m_ledger.WritesWithin24h(Now());
    return true;
}

bool KeyedWriter::Holds(const std::string& key) const
{
    return Contains(m_heldAtBegin, key) && !Contains(m_deleted, key);
}

bool KeyedWriter::Ask(Question question, const std::string& text)
{
    const auto& ask = m_session.Context().ask;
    return !ask || ask(question, text);
}

bool KeyedWriter::BeforeWrite(const std::string& key, bool storing)
{
    if (m_session.StopRequested())
        return End(Outcome::Stopped, key.empty() ? "Stopped before deleting."
                                                 : Format("Stopped before %s.", KeyText(key).c_str()));
    if (storing && !m_ledger.KeyedUsed() && !m_askedErasure) {
        m_askedErasure = true;
        if (!Ask(Question::MutualErasure, kMutualErasureText))
            return End(Outcome::Declined, "Nothing more was written: storing by key was not confirmed.");
    }
    const int writes = m_ledger.WritesWithin24h(Now());
    if (writes >= kWearWritesPerDay && !m_askedWear) {
        m_askedWear = true;
        const std::string text =
            Format("The printer's memory was written %d times in the last 24 hours; it is made "
                   "for about %d writes a day. Go on?",
                   writes, kWearWritesPerDay);
        if (!Ask(Question::Wear, text))
            return End(Outcome::Declined, "Nothing more was written: too many writes today.");
    }
    return true;
}

bool KeyedWriter::SendFailed(const std::string& where)
{
    // A stop given while the printer took nothing ends the send: the stop is the cause.
    if (m_session.StopRequested())
        return End(Outcome::Stopped, "Stopped " + where + ".");
    return End(Outcome::Failed, "The printer cannot be written to any more.");
}

bool KeyedWriter::AfterWrite(const std::string& key)
{
    ++m_writes;
    m_ledger.CountWrite(Now());
    std::string why;
    if (!m_ledger.Save(why))
        m_result.warnings.push_back("The ledger cannot be written: " + why);
    bool stopSeen = false;
    uint64_t free = 0;
    switch (m_session.WaitWhileWriting(key, free, stopSeen)) {
    case Got::Answer:
        m_free = free;
        break;
    case Got::NoAnswer:
        return End(Outcome::Failed,
                   Format("The printer did not finish writing its memory within %lld s.",
                          static_cast<long long>(m_session.Context().limits.busyLimit.count() / 1000)));
    default:
        return End(Outcome::Failed, "The printer cannot be reached any more.");
    }
    if (stopSeen)
        return End(Outcome::Stopped,
                   key.empty()
                       ? "Stopped after the printer had finished deleting."
                       : Format("Stopped after the printer had finished writing %s.", KeyText(key).c_str()));
    return true;
}

bool KeyedWriter::Store(const std::string& key, const KeyedRaster& raster, int index, int count)
{
    const uint64_t needed = raster.rows.size() + kFitMargin;
    if (needed > m_free) {
        m_result.refused.emplace_back(key,
                                      Format("does not fit: needs %s bytes, the printer has %s free",
                                             GroupedNumber(needed).c_str(), GroupedNumber(m_free).c_str()));
        return true;
    }
    if (!BeforeWrite(key, true))
        return false;
    m_session.Report({Step::Sending, key, index, count, 0, "storing"});
    const Bytes header = DefineHeader(key, raster.width, raster.height, raster.rows.size());
    if (!m_session.Send(header) || !m_session.Send(raster.rows))
        return SendFailed(Format("while %s was sent; the printer got part of it, switch it off and on "
                                 "before the next run",
                                 KeyText(key).c_str()));
    m_ledger.MarkKeyedUsed();
    m_stored[key] = Written{raster.sha256, raster.rows.size()};
    if (!Contains(m_storedOrder, key))
        m_storedOrder.push_back(key);
    std::erase(m_deleted, key);
    return AfterWrite(key);
}

bool KeyedWriter::Delete(const std::string& key, int index, int count)
{
    if (!Holds(key)) {
        m_result.skipped.push_back(key);
        return true;
    }
    if (!BeforeWrite({}, false))
        return false;
    m_session.Report({Step::Sending, key, index, count, 0, "deleting"});
    if (!m_session.Send(DeleteKey(key)))
        return SendFailed("before " + KeyText(key) + " was deleted");
    m_deleted.push_back(key);
    return AfterWrite(key);
}

bool KeyedWriter::DeleteAll()
{
    if (!BeforeWrite({}, false))
        return false;
    m_session.Report({Step::Sending, {}, 1, 1, 0, "deleting"});
    if (!m_session.Send(keyed::DeleteAll()))
        return SendFailed("before deleting");
    m_deleted = m_heldAtBegin;
    return AfterWrite({});
}

void KeyedWriter::Finish()
{
    if (!m_result.memoryKnown)
        return;
    std::vector<std::string> notKept, notDeleted;
    if (m_writes > 0) {
        m_session.Report({Step::Verifying, {}, 0, 0, 0, {}});
        // A stopped run is verified too: the ledger must say what the printer holds.
        m_session.IgnoreStop();
        Memory memory;
        if (m_session.ReadMemory(memory) != Got::Answer) {
            const char* const text =
                "The printer did not answer when its memory was read again to verify it.";
            if (m_result.outcome == Outcome::Done)
                End(Outcome::Failed, text);
            else
                m_result.message += std::string(" ") + text;
            return;
        }
        m_result.memory = memory;
        for (const std::string& key : m_storedOrder)
            if (!Contains(memory.keys, key))
                notKept.push_back(key);
        for (const std::string& key : m_deleted)
            if (Contains(memory.keys, key) && !m_stored.count(key))
                notDeleted.push_back(key);
    }
    for (const std::string& key : m_storedOrder)
        if (!Contains(notKept, key)) {
            m_result.stored.push_back(key);
            m_session.Report({Step::Verified, key, 0, 0, 0, {}});
        }
    for (const std::string& key : m_deleted)
        if (!Contains(notDeleted, key))
            m_result.deleted.push_back(key);
    KeepLedger();
    std::string problems;
    if (!notKept.empty())
        problems += "The printer did not keep " + JoinKeys(notKept) + ".";
    if (!notDeleted.empty())
        problems += std::string(problems.empty() ? "" : " ") + "The printer still holds " +
                    JoinKeys(notDeleted) + ".";
    if (m_result.outcome != Outcome::Done) {
        if (!problems.empty())
            m_result.message += " " + problems;
    } else if (!problems.empty()) {
        End(Outcome::Failed, problems);
    } else if (!m_result.refused.empty()) {
        std::string refused;
        for (const auto& [key, why] : m_result.refused)
            refused += (refused.empty() ? "" : "; ") + KeyText(key) + ": " + why;
        End(Outcome::Failed, "Not stored: " + refused + ".");
    }
}

void KeyedWriter::KeepLedger()
{
    const std::time_t now = Now();
    for (const std::string& key : m_result.stored) {
        const Written& written = m_stored[key];
        m_ledger.Set(key, Ledger::Entry{written.sha256, written.bytes, now});
    }
    // The printer is the truth about which keys exist: what it does not hold is gone.
    std::vector<std::string> gone;
    for (const auto& [key, entry] : m_ledger.Keys())
        if (!Contains(m_result.memory.keys, key))
            gone.push_back(key);
    for (const std::string& key : gone)
        m_ledger.Remove(key);
    m_result.writesToday = m_ledger.WritesWithin24h(now);
    std::string why;
    if (!m_ledger.Save(why))
        m_result.warnings.push_back("The ledger cannot be written: " + why);
}

} // namespace keyed
