// nivora-cli nv: logos stored in the printer by key (GS ( L): what the printer holds,
// store, delete, print, and sync to a manifest, on one printer or many.
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "keyed/NvKey.h"
#include "platform/Context.h"
#include "tools/cli/AdjustOptions.h"
#include "tools/cli/Command.h"
#include "tools/cli/HalftoneOption.h"
#include "tools/cli/NvRun.h"
#include "tools/cli/Options.h"
#include "tools/cli/PrinterArgs.h"
#include "tools/cli/PrinterLink.h"
#include "tools/cli/Printable.h"
#include "tools/cli/Signals.h"

namespace {

const std::string kUsage =
    std::string("Usage: nivora-cli nv info   -p PORT [--json]\n"
                "       nivora-cli nv store  -p PORT [-t N] [--halftone MODE] [-w DOTS] [-c] [ADJUSTMENTS]\n"
                "                            KEY=IMAGE ...\n"
                "       nivora-cli nv delete -p PORT KEY ... | --all\n"
                "       nivora-cli nv print  -p PORT [-m MODE] KEY ...\n"
                "       nivora-cli nv sync   -p PORT [--prune] [--dry-run] [--json] MANIFEST\n"
                "\n"
                "Logos stored in the printer by key (GS ( L), beside the NV images of 'download'\n"
                "(FS q): each under a two-character KEY such as L1, added, replaced, deleted and\n"
                "printed one at a time, with the capacity, the free room and the stored keys read\n"
                "back. info shows them; store converts each IMAGE as 'download' does and stores it\n"
                "under KEY (a logo that does not fit the free room is refused before a byte of it\n"
                "is sent); delete deletes keys, or every key with --all; print prints keys at one of\n"
                "FS p's four sizes; sync brings the printer to a MANIFEST, one line per logo\n"
                "('KEY IMAGE [threshold=N] [halftone=MODE] [centre] [ADJUSTMENTS]', '#' comments),\n"
                "storing only the keys that are missing or changed. A line's adjustments are the\n"
                "words trim, rotate=DEGREES, fit, scale=PERCENT, brightness=N, contrast=N,\n"
                "gamma=G and invert, which take what the options of the same names take.\n"
                "\n"
                "After every write the printer writes its memory and reads nothing, for up to\n"
                "--busy-timeout; the run waits for it (the stall limit does not apply then). Every\n"
                "write is verified by reading the keys back; a run succeeds only when verified.\n"
                "Ctrl-C stops before the next logo; during the printer's busy time it stops once\n"
                "the printer has finished, and says so: never switch a printer off while it\n"
                "writes. What each printer holds is kept in a ledger in\n"
                "${XDG_STATE_HOME:-~/.local/state}/nivora/ (the printer cannot give content back);\n"
                "more than 10 writes in 24 hours and the first store by key (which erases the FS q\n"
                "images on many printers) are told as warnings.\n"
                "\n"
                "Options:\n") +
    cli::kPortOptionsUsage + cli::kFleetUsage +
    "  --busy-timeout SECONDS  how long the printer may take to write its memory\n"
    "                          (1..3600, default 150)\n"
    "  --ask-state             ask the printer's state first (the default for nv)\n"
    "  --no-ask-state          do not ask the printer's state (DLE EOT) first; without\n"
    "                          it paper out, cover open or an error stops the run\n"
    "                          before anything is sent\n"
    "  --json                  one JSON object per printer and line: capacity, free,\n"
    "                          keys, and what was stored, skipped, deleted and refused,\n"
    "                          and the writes counted in the last 24 hours\n"
    "  -v, --verbose           every step on standard error\n"
    "store:\n"
    "  -t, --threshold N       black/white diverging point 0..255 (default 128)\n"
    "  -w, --max-width DOTS    printable width 1..8192 (default 512)\n"
    "  -c, --center            centre the logos within that width\n" +
    std::string(cli::kHalftoneUsage) + cli::kAdjustUsage +
    "print:\n"
    "  -m, --mode MODE         normal, double-width, double-height or quadruple (0..3)\n"
    "delete:\n"
    "  --all                   delete every key\n"
    "sync:\n"
    "  --prune                 delete the keys the manifest does not list\n"
    "  --dry-run               show the plan and write nothing\n"
    "  --store-all             store every listed logo, whatever the ledger says\n"
    "  -h, --help              show this help.\n"
    "\n"
    "Exit status: 0 done and verified (on every printer), 1 failed (the reason on\n"
    "standard error), 2 wrong usage, 3 the printer does not answer, 130 stopped.\n";

const std::vector<cli::OptionDef> kOptions = [] {
    std::vector<cli::OptionDef> options = {
        {0, "busy-timeout", true}, {0, "ask-state", false}, {0, "no-ask-state", false},
        {0, "json", false},        {'v', "verbose", false}, {'t', "threshold", true},
        {'w', "max-width", true},  {'c', "center", false},  cli::kHalftoneOption,
        {'m', "mode", true},       {0, "all", false},       {0, "prune", false},
        {0, "dry-run", false},     {0, "store-all", false}};
    options.insert(options.end(), cli::AdjustOptionDefs().begin(), cli::AdjustOptionDefs().end());
    return options;
}();

// Options that belong to one action only.
struct OwnedOption {
    const char* name;
    cli::NvAction action;
};
constexpr OwnedOption kOwned[] = {{"threshold", cli::NvAction::Store}, {"max-width", cli::NvAction::Store},
                                  {"center", cli::NvAction::Store},    {"halftone", cli::NvAction::Store},
                                  {"mode", cli::NvAction::Print},      {"all", cli::NvAction::Delete},
                                  {"prune", cli::NvAction::Sync},      {"dry-run", cli::NvAction::Sync},
                                  {"store-all", cli::NvAction::Sync}};

bool ActionNamed(const std::string& name, cli::NvAction& action)
{
    static const std::pair<const char*, cli::NvAction> kNames[] = {{"info", cli::NvAction::Info},
                                                                   {"store", cli::NvAction::Store},
                                                                   {"delete", cli::NvAction::Delete},
                                                                   {"print", cli::NvAction::Print},
                                                                   {"sync", cli::NvAction::Sync}};
    for (const auto& [text, value] : kNames)
        if (name == text) {
            action = value;
            return true;
        }
    return false;
}

// The operands of the action; "" or the usage error.
std::string ReadOperands(const cli::ParsedOptions& parsed, const NvConversion& conversion,
                         cli::NvRequest& request)
{
    const std::vector<std::string>& operands = parsed.positional;
    switch (request.action) {
    case cli::NvAction::Info:
        return operands.empty() ? "" : "info takes no operands";
    case cli::NvAction::Store:
        if (operands.empty())
            return "store needs KEY=IMAGE operands";
        for (const std::string& operand : operands) {
            const size_t equals = operand.find('=', 1);
            if (equals == std::string::npos || !IsNvKey(operand.substr(0, equals)))
                return "store takes KEY=IMAGE with a two-character key (e.g. L1=logo.png), not '" +
                       cli::Printable(operand) + "'";
            request.logos.push_back({operand.substr(0, equals), operand.substr(equals + 1), conversion});
        }
        return "";
    case cli::NvAction::Delete:
    case cli::NvAction::Print:
        if (request.all != operands.empty())
            return request.all
                       ? "--all deletes every key; give no keys with it"
                       : std::string(request.action == cli::NvAction::Print ? "print" : "delete") +
                             " needs keys" + (request.action == cli::NvAction::Delete ? " or --all" : "");
        for (const std::string& key : operands) {
            if (!IsNvKey(key))
                return "'" + cli::Printable(key) +
                       "' is no key: two characters, each a space or printable ASCII";
            request.keys.push_back(key);
        }
        return "";
    case cli::NvAction::Sync: {
        if (operands.size() != 1)
            return "sync needs one MANIFEST";
        std::vector<std::string> errors;
        request.manifest = keyed::ReadManifest(operands[0], conversion, errors);
        std::string text;
        for (const std::string& error : errors)
            text += (text.empty() ? "" : "\n") + cli::Printable(error);
        return text;
    }
    }
    return "";
}

// "" or the usage error.
std::string ReadRequest(const cli::ParsedOptions& parsed, cli::NvRequest& request)
{
    for (const OwnedOption& owned : kOwned)
        if (parsed.Has(owned.name) && owned.action != request.action)
            return std::string("--") + owned.name + " does not go with this action";
    for (const cli::OptionDef& adjustment : cli::AdjustOptionDefs())
        if (parsed.Has(adjustment.longName) && request.action != cli::NvAction::Store)
            return "--" + adjustment.longName + " goes with store (a manifest names a logo's adjustments)";
    if (std::string error; !cli::ReadSeconds(parsed, "busy-timeout", 1, 3600, request.busyLimit, error))
        return error;
    if (parsed.Has("ask-state") && parsed.Has("no-ask-state"))
        return "give either --ask-state or --no-ask-state";
    request.askState = parsed.Has("no-ask-state") ? printer::AskState::Never : printer::AskState::Always;
    if (!parsed.Has("ask-state") && !parsed.Has("no-ask-state"))
        request.askState = printer::AskState::ByPort;
    request.verbose = parsed.Has("verbose");
    request.all = parsed.Has("all");
    request.sync = {parsed.Has("prune"), parsed.Has("dry-run"), parsed.Has("store-all")};
    NvConversion conversion;
    if (const std::string bad = cli::ReadHalftoneOption(parsed, conversion.halftone); !bad.empty())
        return bad;
    if (parsed.Has("threshold") && !cli::ParseNumber(parsed.Get("threshold"), 0, 255, conversion.threshold))
        return "the threshold must be a number from 0 to 255";
    if (parsed.Has("max-width") &&
        !cli::ParseNumber(parsed.Get("max-width"), 1, 8192, conversion.maxPrintWidth))
        return "the maximum width must be a number from 1 to 8192";
    conversion.centre = parsed.Has("center");
    if (const std::string bad = cli::ReadAdjustOptions(parsed, conversion.adjust); !bad.empty())
        return bad;
    if (parsed.Has("mode") && !cli::ParsePrintMode(parsed.Get("mode"), request.printMode))
        return "-m needs normal, double-width, double-height or quadruple (0..3), not '" +
               parsed.Get("mode") + "'";
    return ReadOperands(parsed, conversion, request);
}

int RunNv(const platform::Context& context, const std::vector<std::string>& args)
{
    cli::NvRequest request;
    if (args.empty() || !ActionNamed(args[0], request.action))
        return cli::UsageError("nv", args.empty() ? "name an action: info, store, delete, print or sync"
                                                  : "unknown action '" + cli::Printable(args[0]) + "'");
    cli::PrinterArgs printers;
    std::string error;
    if (!cli::ReadPrinterArgs({args.begin() + 1, args.end()}, kOptions, printers, error) ||
        !(error = ReadRequest(printers.parsed, request)).empty())
        return cli::UsageError("nv " + args[0], error);
    request.port = printers.port;
    request.ledgerDir = keyed::LedgerDir(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
    const std::vector<std::string>& ports = printers.fleet.ports;
    request.oneOfMany = ports.size() > 1;
    const bool json = printers.parsed.Has("json");

    cli::StopOnInterrupt interrupt;
    request.observer = &interrupt;
    std::vector<cli::FleetOutcome> outcomes(ports.size());
    std::vector<int> statuses(ports.size(), cli::kExitStopped);
    const auto line = [&](const cli::NvOutcome& outcome) {
        return json ? cli::NvJson(request, outcome)
                          .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                    : cli::NvLine(request, outcome);
    };
    cli::RunEach(
        ports.size(), printers.fleet.jobs, stdout,
        [&](size_t i) {
            const cli::NvOutcome outcome = cli::RunNvOnPrinter(context, request, ports[i]);
            statuses[i] = outcome.status;
            outcomes[i] = {ports[i], cli::Fleet::ResultOf(outcome.status), outcome.reason};
            // One printer: the reason goes to standard error, its line (if it was reached) to
            // standard output.
            if (!request.oneOfMany && outcome.status != cli::kExitOk) {
                std::fprintf(stderr, "nivora-cli nv: %s: %s\n", cli::Printable(ports[i]).c_str(),
                             cli::Printable(outcome.reason).c_str());
                return outcome.ran || json ? line(outcome) : std::string();
            }
            return line(outcome);
        },
        [&](size_t i) {
            outcomes[i] = {ports[i], cli::FleetOutcome::Result::NotStarted, ""};
            return json ? std::string() : cli::Fleet::Line(outcomes[i]);
        },
        [] { return cli::StopOnInterrupt::Requested(); });
    if (request.oneOfMany && !json)
        std::printf("%s\n", cli::Fleet::Summary(outcomes).c_str());
    std::fflush(stdout);
    return cli::WorstStatus(statuses);
}

} // namespace

NIVORA_CLI_COMMAND(nv, cli::Command{"nv", "logos stored by key: info, store, delete, print, sync", kUsage,
                                    nullptr, RunNv});
