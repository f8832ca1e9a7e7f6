#include "tools/cli/NvRun.h"

#include <cstdio>

#include "jobs/RunStart.h"
#include "keyed/LedgerName.h"
#include "keyed/LinkChannel.h"
#include "keyed/NvKey.h"
#include "tools/cli/Options.h"
#include "tools/cli/PrinterLink.h"
#include "tools/cli/Printable.h"
#include "tools/cli/Signals.h"

namespace cli {
namespace {

const std::atomic<bool> kNeverStopped{false};

// A line of the run on standard error, naming the printer when it is one of many.
void Say(const NvRequest& request, const std::string& port, const std::string& text)
{
    if (request.oneOfMany)
        std::fprintf(stderr, "nivora-cli nv: %s: %s\n", Printable(port).c_str(), Printable(text).c_str());
    else
        std::fprintf(stderr, "nivora-cli nv: %s\n", Printable(text).c_str());
}

// The window's question, as the warning the command line gives instead.
std::string AsWarning(std::string text)
{
    const std::string question = " Go on?";
    if (text.size() > question.size() &&
        text.compare(text.size() - question.size(), question.size(), question) == 0)
        text.resize(text.size() - question.size());
    return "warning: " + text;
}

bool Writes(NvAction action)
{
    return action == NvAction::Store || action == NvAction::Delete || action == NvAction::Sync;
}

int StatusOf(keyed::Outcome outcome)
{
    switch (outcome) {
    case keyed::Outcome::Done:
        return kExitOk;
    case keyed::Outcome::NoAnswer:
        return kExitNoAnswer;
    case keyed::Outcome::Stopped:
        return kExitStopped;
    case keyed::Outcome::Failed:
    case keyed::Outcome::Declined:
        break;
    }
    return kExitFailed;
}

// The run itself, on the open link.
void Run(const platform::Context& context, const NvRequest& request, printer::Link& link, NvOutcome& outcome)
{
    keyed::Ledger ledger;
    if (Writes(request.action)) {
        if (std::string why;
            !keyed::LoadLedger(context, link, outcome.port, request.ledgerDir, ledger, why)) {
            outcome.reason = "the ledger of this printer cannot be read: " + why;
            return;
        }
    }
    const printer::CancelToken* cancel = StopOnInterrupt::Token();
    keyed::LinkChannel channel(link, {request.observer, cancel});
    keyed::RunContext run(channel, *context.clock, cancel ? *cancel : kNeverStopped);
    run.limits.busyLimit = request.busyLimit;
    run.ask = [&](keyed::Question question, const std::string& text) {
        // The erasure is the same news for every printer: told once. The wear is each
        // printer's own.
        if (question != keyed::Question::MutualErasure)
            Say(request, outcome.port, AsWarning(text));
        else if (!request.erasureTold.exchange(true))
            std::fprintf(stderr, "nivora-cli nv: %s\n", AsWarning(text).c_str());
        return true;
    };
    if (request.verbose)
        run.progress = [&](const keyed::Progress& progress) {
            Say(request, outcome.port, keyed::DescribeProgress(progress));
        };
    switch (request.action) {
    case NvAction::Info:
        outcome.run = keyed::AskMemory(run);
        break;
    case NvAction::Store:
        outcome.run = keyed::StoreLogos(run, request.logos, ledger);
        break;
    case NvAction::Delete:
        outcome.run = keyed::DeleteKeys(run, request.keys, request.all, ledger);
        break;
    case NvAction::Print:
        outcome.run = keyed::PrintKeys(run, request.keys, request.printMode);
        break;
    case NvAction::Sync: {
        keyed::SyncResult synced = keyed::SyncKeys(run, request.manifest, ledger, request.sync);
        outcome.run = std::move(synced.run);
        outcome.plan = std::move(synced.plan);
        break;
    }
    }
    outcome.ran = outcome.run.memoryKnown;
    outcome.status = StatusOf(outcome.run.outcome);
    outcome.reason = outcome.run.message;
    for (const std::string& warning : outcome.run.warnings)
        Say(request, outcome.port, "warning: " + warning);
}

// "L2 (changed), L3 (missing)" for the plan items of action.
std::string PlanKeys(const std::vector<keyed::PlanItem>& plan, keyed::PlanAction action)
{
    std::string text;
    for (const keyed::PlanItem& item : plan)
        if (item.action == action)
            text += (text.empty() ? "" : ", ") + KeyText(item.key) +
                    (item.reason.empty() ? "" : " (" + item.reason + ")");
    return text;
}

nlohmann::json KeyArray(const std::vector<std::string>& keys)
{
    nlohmann::json array = nlohmann::json::array();
    for (const std::string& key : keys)
        array.push_back(key);
    return array;
}

} // namespace

NvOutcome RunNvOnPrinter(const platform::Context& base, const NvRequest& request, const std::string& target)
{
    NvOutcome outcome;
    outcome.port = target;
    const platform::Context context = RunContext(base, request.port);
    OpenedPrinter opened =
        OpenPrinter(context, request.port, target, {request.observer, StopOnInterrupt::Token()});
    if (!opened.link) {
        outcome.status = opened.status;
        outcome.reason = opened.reason;
        return outcome;
    }
    const jobs::StateCheck state = jobs::CheckStateFirst(*opened.link, true, request.askState);
    if (state.nearEnd)
        Say(request, target, "warning: Paper near end.");
    if (!state.blocking.empty())
        outcome.reason = state.blocking + " Nothing was sent.";
    else
        Run(context, request, *opened.link, outcome);
    const printer::LinkStatus closed = opened.link->Close();
    // Prints are done only once the printer has them; a store was verified already.
    if (request.action == NvAction::Print && outcome.status == kExitOk && !closed.Ok()) {
        outcome.status = kExitFailed;
        outcome.reason = "the prints did not all reach the printer: " + closed.Describe();
    }
    return outcome;
}

std::string NvLine(const NvRequest& request, const NvOutcome& outcome)
{
    std::vector<std::string> parts;
    const keyed::RunResult& run = outcome.run;
    if (outcome.status != kExitOk)
        parts.push_back(outcome.reason.empty() ? "failed" : outcome.reason);
    if (request.action == NvAction::Sync && request.sync.dryRun && outcome.ran) {
        const auto add = [&](const char* label, keyed::PlanAction action) {
            if (const std::string keys = PlanKeys(outcome.plan, action); !keys.empty())
                parts.push_back(label + keys);
        };
        add("would store ", keyed::PlanAction::Store);
        add("would keep ", keyed::PlanAction::Keep);
        add("would delete ", keyed::PlanAction::Delete);
        add("cannot store ", keyed::PlanAction::Refuse);
    } else {
        const auto add = [&](const char* label, const std::vector<std::string>& keys) {
            if (!keys.empty())
                parts.push_back(label + JoinKeys(keys));
        };
        add("stored ", run.stored);
        add(request.action == NvAction::Delete ? "not stored " : "left alone ", run.skipped);
        add("deleted ", run.deleted);
        add("printed ", run.printed);
    }
    if (outcome.ran && request.action != NvAction::Print)
        parts.push_back(keyed::DescribeMemory(run.memory));
    if (outcome.ran && Writes(request.action))
        parts.push_back(std::to_string(run.writesToday) + (run.writesToday == 1 ? " write" : " writes") +
                        " in the last 24 hours");
    std::string line = Printable(outcome.port) + ":";
    for (size_t i = 0; i < parts.size(); ++i)
        line += (i == 0 ? " " : "; ") + Printable(parts[i]);
    return line;
}

nlohmann::json NvJson(const NvRequest& request, const NvOutcome& outcome)
{
    const keyed::RunResult& run = outcome.run;
    nlohmann::json object = {{"printer", outcome.port},
                             {"result", outcome.status == kExitOk         ? "done"
                                        : outcome.status == kExitNoAnswer ? "no answer"
                                        : outcome.status == kExitStopped  ? "stopped"
                                                                          : "failed"}};
    if (outcome.status != kExitOk)
        object["error"] = outcome.reason;
    if (outcome.ran) {
        object["capacity"] = run.memory.capacity;
        object["free"] = run.memory.free;
        object["keys"] = KeyArray(run.memory.keys);
    }
    if (request.action == NvAction::Print)
        object["printed"] = KeyArray(run.printed);
    if (Writes(request.action) && outcome.ran) {
        object["stored"] = KeyArray(run.stored);
        object["skipped"] = KeyArray(run.skipped);
        object["deleted"] = KeyArray(run.deleted);
        nlohmann::json refused = nlohmann::json::array();
        for (const auto& [key, why] : run.refused)
            refused.push_back({{"key", key}, {"reason", why}});
        object["refused"] = refused;
        object["writesToday"] = run.writesToday;
    }
    if (request.action == NvAction::Sync && request.sync.dryRun && outcome.ran) {
        static const char* const kActions[] = {"store", "keep", "delete", "refuse"};
        nlohmann::json plan = nlohmann::json::array();
        for (const keyed::PlanItem& item : outcome.plan)
            plan.push_back({{"key", item.key},
                            {"action", kActions[static_cast<int>(item.action)]},
                            {"reason", item.reason},
                            {"bytes", item.bytes}});
        object["plan"] = plan;
    }
    return object;
}

} // namespace cli
