#pragma once
// nivora-cli nv on one printer: opened, its state asked first, its ledger read, the
// key-coded run done through the link, closed; and the run's line and JSON object.
// A run on many printers does this once per printer, each on a thread of its own.
#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "keyed/KeyedRuns.h"
#include "keyed/KeyedSync.h"
#include "platform/Context.h"
#include "printer/StateQuery.h"
#include "tools/cli/PortOptions.h"

namespace cli {

enum class NvAction { Info, Store, Delete, Print, Sync };

struct NvRequest {
    NvAction action = NvAction::Info;
    PortOptions port;                           // the serial settings of every printer
    std::vector<keyed::KeyedLogo> logos;        // store
    std::vector<std::string> keys;              // delete, print
    bool all = false;                           // delete --all
    int printMode = 0;                          // print: FS p's modes 0..3
    std::vector<keyed::ManifestEntry> manifest; // sync
    keyed::SyncOptions sync;
    std::chrono::milliseconds busyLimit{150000};
    printer::AskState askState = printer::AskState::ByPort;
    bool verbose = false;                         // every step on standard error
    bool oneOfMany = false;                       // lines on standard error name the printer
    mutable std::atomic<bool> erasureTold{false}; // the erasure of FS q images was told
    std::string ledgerDir;                        // the ledgers' folder
    printer::WaitObserver* observer = nullptr;    // hears when a printer stops taking data
};

struct NvOutcome {
    std::string port;
    int status = 1;     // 0, 1 (failed), 3 (no answer), 130 (stopped)
    std::string reason; // why it did not succeed
    bool ran = false;   // the printer told what it holds
    keyed::RunResult run;
    std::vector<keyed::PlanItem> plan; // sync
};

NvOutcome RunNvOnPrinter(const platform::Context& base, const NvRequest& request, const std::string& target);

// "tcp://10.0.0.7:9100: stored L1, L2; Key-coded memory: 262,144 bytes, ..."
std::string NvLine(const NvRequest& request, const NvOutcome& outcome);
nlohmann::json NvJson(const NvRequest& request, const NvOutcome& outcome);

} // namespace cli
