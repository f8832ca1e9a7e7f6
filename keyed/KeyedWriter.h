#pragma once
// The writes of one key-coded run, in order, each with the checks and the wait every
// write gets (see KeyedRuns.h): Begin reads what the printer holds, Store / Delete /
// DeleteAll write, Finish verifies and keeps the ledger. A write that returns false
// has ended the run (failed, stopped or declined); Finish is called all the same.
//
// Thread-safety: one run's thread.
#include <map>
#include <string>
#include <vector>

#include "keyed/KeyedRaster.h"
#include "keyed/KeyedSession.h"
#include "keyed/Ledger.h"

namespace keyed {

// "262,144"
std::string GroupedNumber(uint64_t value);

class KeyedWriter {
public:
    KeyedWriter(KeyedSession& session, Ledger& ledger, RunResult& result)
        : m_session(session), m_ledger(ledger), m_result(result)
    {
    }

    // Reads capacity, free room and keys; false when the run cannot go on.
    bool Begin();
    bool Store(const std::string& key, const KeyedRaster& raster, int index, int count);
    bool Delete(const std::string& key, int index, int count);
    bool DeleteAll();
    // Verifies what was written, records it in the ledger and settles the outcome.
    void Finish();

    // As the printer told at Begin, with the free room as last told.
    bool Holds(const std::string& key) const;
    uint64_t Free() const { return m_free; }

private:
    struct Written {
        std::string sha256;
        uint64_t bytes = 0;
    };
    bool BeforeWrite(const std::string& key, bool storing);
    bool AfterWrite(const std::string& key);
    // A send that failed: stopped (where says where) when the run was stopped, else failed.
    bool SendFailed(const std::string& where);
    bool Ask(Question question, const std::string& text);
    std::time_t Now() const;
    void KeepLedger();
    bool End(Outcome outcome, std::string message);

    KeyedSession& m_session;
    Ledger& m_ledger;
    RunResult& m_result;
    uint64_t m_free = 0;
    std::vector<std::string> m_heldAtBegin;
    int m_writes = 0;
    bool m_askedErasure = false;
    bool m_askedWear = false;
    std::map<std::string, Written> m_stored; // key -> what was sent, in the order of keys
    std::vector<std::string> m_storedOrder;
    std::vector<std::string> m_deleted;
};

} // namespace keyed
