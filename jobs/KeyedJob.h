#pragma once
// A run on a printer that keeps logos by key (GS ( L) as a job, for the window: the
// start every run has (jobs/RunStart.h), the printer's ledger read, then one key-coded
// run (keyed/KeyedRuns.h) through the link, and the close.
// - Ask reads the capacity, the free room and the keys.
// - Store stores the listed logos the printer lacks or whose content changed since
//   this program stored them (per the ledger), or all of them with storeAll; keys the
//   list does not name are left alone.
// - Delete deletes keys, or every key; Print prints keys at one of FS p's four sizes.
// Progress goes to the observer as status lines ("Sending L1 (1 of 3)...", "The printer
// is writing its memory (4 s)", "L1 verified") and a bar by logo; the run's questions
// (the erasure of the FS q images, the wear) go to OnQuestion and a no ends the run
// before its next write.
//
// Thread-safety: one run per call, on the calling thread; the token may be set from any
// thread. The request is the run's own copy.
#include <chrono>
#include <string>
#include <vector>

#include "jobs/RunObserver.h"
#include "jobs/RunStart.h"
#include "keyed/KeyedSync.h"

namespace jobs {

// Reads the printer's answers on every kind of port; no write time-out, since the
// printer takes nothing while it writes its memory.
inline constexpr printer::LinkOptions kKeyedLink{false, printer::OutputFlow::Dsr, true, false,
                                                 std::chrono::milliseconds(500)};

enum class KeyedAction { Ask, Store, Delete, Print };

struct KeyedRequest {
    StartRequest start{{}, kKeyedLink, "temp.prn", printer::AskState::ByPort, WriteTrace::None};
    KeyedAction action = KeyedAction::Ask;
    std::vector<keyed::ManifestEntry> logos; // Store, in list order
    bool storeAll = false;                   // Store: every listed logo, whatever the ledger says
    std::vector<std::string> keys;           // Delete, Print
    bool all = false;                        // Delete: every key
    int printMode = 0;                       // Print: 0 normal .. 3 quadruple
    std::chrono::milliseconds busyLimit{150000};
    std::string ledgerDir; // the ledgers' folder (keyed::LedgerDir)
};

struct KeyedEnd {
    RunStart start;
    bool toFile = false;       // "Print To File" is on: an output file cannot answer, nothing was sent
    std::string ledgerProblem; // the ledger could not be read: nothing was sent
    bool ran = false;          // the key-coded run went (run holds its result)
    keyed::RunResult run;
};

KeyedEnd RunKeyed(const platform::Context& context, const KeyedRequest& request,
                  const printer::CancelToken& cancel, RunObserver* observer = nullptr);

} // namespace jobs
