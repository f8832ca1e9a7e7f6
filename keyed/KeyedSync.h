#pragma once
// Sync: brings a printer's key-coded memory to what a manifest lists, writing as
// little as possible (the memory wears). What the printer holds is read from it; what
// a key holds is known from the ledger, since the printer cannot give content back:
// - a listed key the printer lacks is stored ("missing");
// - a listed key whose converted raster differs from the ledger's is stored ("changed");
// - a listed key the printer holds but the ledger does not know is stored once ("not in
//   the ledger"), after which the ledger knows it;
// - a listed key the printer holds with the ledger's content is left alone;
// - with prune, a key the printer holds that the manifest does not list is deleted.
// Deletes go first, so that their room is free for the stores. A dry run reads the
// printer and gives the plan; it writes nothing, not even the ledger.
//
// Thread-safety: as every run (KeyedRun.h).
#include <string>
#include <vector>

#include "keyed/KeyedRuns.h"
#include "keyed/Manifest.h"

namespace keyed {

struct SyncOptions {
    bool prune = false;
    bool dryRun = false;
    bool storeAll = false; // store every listed key, whatever the ledger says
};

enum class PlanAction { Store, Keep, Delete, Refuse };

struct PlanItem {
    std::string key;
    PlanAction action = PlanAction::Keep;
    std::string reason; // "missing", "changed", ...; for Refuse, why
    uint64_t bytes = 0; // raster bytes of a listed key
};

struct SyncResult {
    RunResult run;
    std::vector<PlanItem> plan; // in manifest order, then the deletes
};

SyncResult SyncKeys(RunContext& context, const std::vector<ManifestEntry>& manifest, Ledger& ledger,
                    const SyncOptions& options);

} // namespace keyed
