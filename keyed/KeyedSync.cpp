#include "keyed/KeyedSync.h"

#include <algorithm>
#include <set>

#include "keyed/KeyedWriter.h"

namespace keyed {
namespace {

// The plan for the listed keys, from what the printer holds and the ledger.
std::vector<PlanItem> PlanListed(const std::vector<ManifestEntry>& manifest,
                                 const std::vector<std::string>& held, const Ledger& ledger, bool storeAll)
{
    std::vector<PlanItem> plan;
    for (const ManifestEntry& entry : manifest) {
        PlanItem item{entry.key, PlanAction::Store, {}, 0};
        KeyedRaster raster;
        std::string why;
        if (!ConvertForKey(entry.path, entry.conversion, raster, why)) {
            item.action = PlanAction::Refuse;
            item.reason = entry.path + ": " + why;
            plan.push_back(std::move(item));
            continue;
        }
        item.bytes = raster.rows.size();
        const Ledger::Entry* known = ledger.Find(entry.key);
        if (storeAll)
            item.reason = "stored again";
        else if (std::find(held.begin(), held.end(), entry.key) == held.end())
            item.reason = "missing";
        else if (!known)
            item.reason = "not in the ledger";
        else if (known->sha256 != raster.sha256)
            item.reason = "changed";
        else
            item.action = PlanAction::Keep;
        plan.push_back(std::move(item));
    }
    return plan;
}

} // namespace

SyncResult SyncKeys(RunContext& context, const std::vector<ManifestEntry>& manifest, Ledger& ledger,
                    const SyncOptions& options)
{
    SyncResult result;
    RunResult& run = result.run;
    KeyedSession session(context);
    KeyedWriter writer(session, ledger, run);
    if (!writer.Begin())
        return result;
    result.plan = PlanListed(manifest, run.memory.keys, ledger, options.storeAll);
    std::set<std::string> listed;
    for (const ManifestEntry& entry : manifest)
        listed.insert(entry.key);
    std::vector<std::string> deletes;
    if (options.prune)
        for (const std::string& key : run.memory.keys)
            if (!listed.count(key)) {
                deletes.push_back(key);
                result.plan.push_back({key, PlanAction::Delete, "not in the manifest", 0});
            }
    for (const PlanItem& item : result.plan) {
        if (item.action == PlanAction::Keep)
            run.skipped.push_back(item.key);
        else if (item.action == PlanAction::Refuse)
            run.refused.emplace_back(item.key, item.reason);
    }
    if (options.dryRun)
        return result; // not even the ledger is written

    bool going = true;
    const int deleteCount = static_cast<int>(deletes.size());
    for (int i = 0; going && i < deleteCount; ++i)
        going = writer.Delete(deletes[static_cast<size_t>(i)], i + 1, deleteCount);
    const int storeCount =
        static_cast<int>(std::count_if(result.plan.begin(), result.plan.end(),
                                       [](const PlanItem& i) { return i.action == PlanAction::Store; }));
    int index = 0;
    for (const ManifestEntry& entry : manifest) {
        const auto item = std::find_if(result.plan.begin(), result.plan.end(),
                                       [&](const PlanItem& i) { return i.key == entry.key; });
        if (!going || item->action != PlanAction::Store)
            continue;
        // Converted again rather than kept from the plan: one raster in memory at a time.
        KeyedRaster raster;
        std::string why;
        if (!ConvertForKey(entry.path, entry.conversion, raster, why)) {
            run.refused.emplace_back(entry.key, entry.path + ": " + why);
            continue;
        }
        going = writer.Store(entry.key, raster, ++index, storeCount);
    }
    writer.Finish();
    return result;
}

} // namespace keyed
