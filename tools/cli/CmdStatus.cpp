// nivora-cli status: what each printer says about itself (DLE EOT 1 to 4, GS I 1, and
// the key-coded memory), for a look or for monitoring.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/Context.h"
#include "tools/cli/Command.h"
#include "tools/cli/MetricsText.h"
#include "tools/cli/OutputFile.h"
#include "tools/cli/PrinterArgs.h"
#include "tools/cli/PrinterLink.h"
#include "tools/cli/Printable.h"
#include "tools/cli/Signals.h"
#include "tools/cli/StatusReport.h"

namespace {

const std::string kUsage =
    std::string("Usage: nivora-cli status -p PORT [-p PORT ...] [--printers FILE] [--json]\n"
                "                         [--prometheus FILE] [--no-memory] [OPTIONS]\n"
                "\n"
                "Asks each printer its state with the real-time requests DLE EOT 1 to 4 (each\n"
                "answer awaited up to 500 ms), its model byte (GS I 1) and, unless --no-memory,\n"
                "its key-coded memory (GS ( L: capacity, free room, stored keys). Nothing is\n"
                "printed or stored. One line per printer: its address, the state, the model byte,\n"
                "on- or off-line, the cover, the paper, the errors, and for a printer that keeps\n"
                "logos by key its memory. All printers are asked at the same time.\n"
                "\n"
                "Options:\n") +
    cli::kPortOptionsUsage + cli::kFleetUsage +
    "  --json                  one JSON object per printer and line instead\n"
    "  --prometheus FILE       also write the figures in the Prometheus text format\n"
    "                          for node_exporter's textfile collector (FILE is replaced\n"
    "                          whole): nivora_printer_up, nivora_printer_paper_end,\n"
    "                          nivora_printer_paper_near_end, nivora_printer_cover_open,\n"
    "                          nivora_printer_error, nivora_nv_free_bytes,\n"
    "                          nivora_nv_capacity_bytes, nivora_nv_stored_logos and\n"
    "                          nivora_status_seconds, labelled printer=\"PORT\"\n"
    "  --no-memory             do not ask the key-coded memory (for old printers that\n"
    "                          do not know GS ( L)\n"
    "  -h, --help              show this help.\n"
    "\n"
    "Exit status: 0 every printer is ready, 1 some need attention (off-line, paper out or\n"
    "near its end, cover open, an error, a port that cannot be used), 2 wrong usage, 3\n"
    "some do not answer, 130 stopped by Ctrl-C.\n";

const std::vector<cli::OptionDef> kOptions = {
    {0, "json", false}, {0, "prometheus", true}, {0, "no-memory", false}};

int RunStatus(const platform::Context& context, const std::vector<std::string>& args)
{
    cli::PrinterArgs printers;
    std::string error;
    if (!cli::ReadPrinterArgs(args, kOptions, printers, error))
        return cli::UsageError("status", error);
    if (!printers.parsed.positional.empty())
        return cli::UsageError("status",
                               "unexpected operand '" + cli::Printable(printers.parsed.positional[0]) + "'");
    const bool json = printers.parsed.Has("json");
    const std::string prometheus = printers.parsed.Get("prometheus");
    if (printers.parsed.Has("prometheus") && prometheus.empty())
        return cli::UsageError("status", "--prometheus needs a file name");
    keyed::SurveyOptions survey;
    survey.memory = !printers.parsed.Has("no-memory");

    const std::vector<std::string>& ports = printers.fleet.ports;
    std::vector<cli::StatusOutcome> outcomes(ports.size());
    for (size_t i = 0; i < ports.size(); ++i)
        outcomes[i] = {ports[i], cli::kExitStopped, "not asked", false, {}};
    cli::StopOnInterrupt interrupt;
    cli::RunEach(
        ports.size(), printers.fleet.jobs, stdout,
        [&](size_t i) {
            outcomes[i] = cli::AskStatus(context, printers.port, survey, ports[i],
                                         {&interrupt, cli::StopOnInterrupt::Token()});
            return json ? cli::StatusJson(outcomes[i])
                              .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                        : cli::StatusLine(outcomes[i]);
        },
        [&](size_t i) { return json ? std::string() : cli::Printable(ports[i]) + ": not asked"; },
        [] { return cli::StopOnInterrupt::Requested(); });

    // A run cut short leaves the last complete figures in place rather than printers
    // that only look down.
    if (cli::StopOnInterrupt::Requested())
        return cli::kExitStopped;
    std::vector<int> statuses;
    cli::MetricsText metrics;
    for (const cli::StatusOutcome& outcome : outcomes) {
        statuses.push_back(outcome.status);
        cli::AddStatusMetrics(outcome, metrics);
    }
    if (!prometheus.empty()) {
        const std::string text = metrics.Text();
        if (!cli::WriteFileAtomically(prometheus, {text.begin(), text.end()}, error)) {
            std::fprintf(stderr, "nivora-cli status: %s\n", cli::Printable(error).c_str());
            return cli::kExitFailed;
        }
    }
    return cli::WorstStatus(statuses);
}

} // namespace

NIVORA_CLI_COMMAND(status, cli::Command{"status", "ask printers their state: paper, cover, errors, memory",
                                        kUsage, nullptr, RunStatus});
