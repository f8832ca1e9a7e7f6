#include "keyed/KeyedRuns.h"

#include <algorithm>

#include "keyed/KeyedCommands.h"
#include "keyed/KeyedWriter.h"
#include "keyed/NvKey.h"
#include "platform/Text.h"

namespace keyed {

RunResult AskMemory(RunContext& context)
{
    RunResult result;
    KeyedSession session(context);
    Ledger none;
    KeyedWriter writer(session, none, result);
    writer.Begin();
    return result;
}

RunResult StoreLogos(RunContext& context, const std::vector<KeyedLogo>& logos, Ledger& ledger)
{
    RunResult result;
    KeyedSession session(context);
    KeyedWriter writer(session, ledger, result);
    if (!writer.Begin())
        return result;
    const int count = static_cast<int>(logos.size());
    for (int i = 0; i < count; ++i) {
        const KeyedLogo& logo = logos[static_cast<size_t>(i)];
        // One raster at a time: a long list never holds more than one logo's dots.
        KeyedRaster raster;
        std::string why;
        if (!IsNvKey(logo.key)) {
            result.refused.emplace_back(logo.key,
                                        "not a key (two characters, each a space or printable ASCII)");
            continue;
        }
        if (!ConvertForKey(logo.path, logo.conversion, raster, why)) {
            result.refused.emplace_back(logo.key, logo.path + ": " + why);
            continue;
        }
        if (!writer.Store(logo.key, raster, i + 1, count))
            break;
    }
    writer.Finish();
    return result;
}

RunResult DeleteKeys(RunContext& context, const std::vector<std::string>& keys, bool all, Ledger& ledger)
{
    RunResult result;
    KeyedSession session(context);
    KeyedWriter writer(session, ledger, result);
    if (!writer.Begin())
        return result;
    if (all) {
        // An empty memory needs no write.
        if (!result.memory.keys.empty())
            writer.DeleteAll();
    } else {
        const int count = static_cast<int>(keys.size());
        for (int i = 0; i < count; ++i)
            if (!writer.Delete(keys[static_cast<size_t>(i)], i + 1, count))
                break;
    }
    writer.Finish();
    return result;
}

RunResult PrintKeys(RunContext& context, const std::vector<std::string>& keys, int printMode)
{
    RunResult result;
    KeyedSession session(context);
    Ledger none;
    KeyedWriter writer(session, none, result);
    if (!writer.Begin())
        return result;
    for (const std::string& key : keys)
        if (!writer.Holds(key))
            result.refused.emplace_back(key, "not stored in the printer");
    if (!result.refused.empty()) {
        std::vector<std::string> missing;
        for (const auto& [key, why] : result.refused)
            missing.push_back(key);
        result.outcome = Outcome::Failed;
        result.message = "Nothing printed: the printer does not hold " + JoinKeys(missing) + ".";
        return result;
    }
    const int count = static_cast<int>(keys.size());
    for (int i = 0; i < count; ++i) {
        const std::string& key = keys[static_cast<size_t>(i)];
        if (session.StopRequested()) {
            result.outcome = Outcome::Stopped;
            result.message = Format("Stopped before printing %s.", KeyText(key).c_str());
            break;
        }
        session.Report({Step::Sending, key, i + 1, count, 0, "printing"});
        if (!session.Send(PrintKey(key, printMode))) {
            result.outcome = Outcome::Failed;
            result.message = "The printer cannot be written to any more.";
            break;
        }
        result.printed.push_back(key);
    }
    return result;
}

} // namespace keyed
