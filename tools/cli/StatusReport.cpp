#include "tools/cli/StatusReport.h"

#include <algorithm>
#include <cstdio>

#include "tools/cli/Options.h"
#include "tools/cli/PrinterLink.h"
#include "tools/cli/Printable.h"

namespace cli {
namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kStatusConnectTimeout = 1s;

std::vector<std::string> Errors(const printer::PrinterState& state)
{
    std::vector<std::string> errors;
    const std::pair<bool, const char*> named[] = {{state.mechanicalError, "mechanical"},
                                                  {state.autocutterError, "auto-cutter"},
                                                  {state.unrecoverableError, "unrecoverable"},
                                                  {state.autoRecoverableError, "auto-recoverable"}};
    for (const auto& [set, name] : named)
        if (set)
            errors.push_back(name);
    if (errors.empty() && state.errorOccurred)
        errors.push_back("error");
    return errors;
}

std::string Paper(const printer::PrinterState& state)
{
    if (state.paperEnd || state.paperEndStop)
        return "out";
    return state.paperNearEnd ? "near end" : "ok";
}

} // namespace

StatusOutcome AskStatus(const platform::Context& base, const PortOptions& options,
                        const keyed::SurveyOptions& survey, const std::string& target,
                        printer::WaitSupervision supervision)
{
    StatusOutcome outcome;
    outcome.port = target;
    platform::Context context = RunContext(base, options);
    context.connectTimeout = std::min(context.connectTimeout, kStatusConnectTimeout);
    OpenedPrinter opened = OpenPrinter(context, options, target, supervision);
    if (!opened.link) {
        outcome.status = opened.status;
        outcome.reason = opened.reason;
        return outcome;
    }
    outcome.reached = true;
    outcome.survey = keyed::SurveyPrinter(*opened.link, survey);
    // What was asked needs no delivery: a printer that took nothing is not waited for.
    opened.link->Abandon();
    if (supervision.cancel && supervision.cancel->load())
        outcome.status = kExitStopped;
    else if (!outcome.survey.Answered())
        outcome.status = kExitNoAnswer;
    else
        outcome.status = outcome.survey.NeedsAttention() ? kExitFailed : kExitOk;
    return outcome;
}

std::string StatusLine(const StatusOutcome& outcome)
{
    const std::string port = Printable(outcome.port) + ": ";
    if (!outcome.reached)
        return port + Printable(outcome.reason);
    const keyed::Survey& survey = outcome.survey;
    if (!survey.Answered())
        return port + "No answer.";
    const printer::PrinterState& state = survey.state;
    char model[16] = "model ?";
    if (survey.model)
        std::snprintf(model, sizeof model, "model 0x%02X", *survey.model);
    std::string line = port + (state.Answered() ? printer::StateSummary(state) : "No status.") + " " + model;
    if (state.Answered()) {
        const std::vector<std::string> errors = Errors(state);
        std::string errorText;
        for (const std::string& error : errors)
            errorText += (errorText.empty() ? "" : ", ") + error;
        line += std::string(state.offline ? ", off-line" : ", online") +
                (state.coverOpen ? ", cover open" : ", cover closed") + ", paper " + Paper(state) +
                (errors.empty() ? ", no error" : ", errors: " + errorText);
    }
    if (survey.memory)
        line += "; " + keyed::DescribeMemory(*survey.memory);
    return line;
}

nlohmann::json StatusJson(const StatusOutcome& outcome)
{
    nlohmann::json object = {{"printer", outcome.port},
                             {"answered", outcome.reached && outcome.survey.Answered()}};
    if (!outcome.reached) {
        object["error"] = outcome.reason;
        return object;
    }
    const keyed::Survey& survey = outcome.survey;
    const printer::PrinterState& state = survey.state;
    object["seconds"] = static_cast<double>(survey.took.count()) / 1000.0;
    object["model"] = survey.model ? nlohmann::json(*survey.model) : nlohmann::json(nullptr);
    if (state.Answered()) {
        object["summary"] = printer::StateSummary(state);
        object["online"] = !state.offline;
        object["coverOpen"] = state.coverOpen;
        object["paper"] = Paper(state);
        object["errors"] = Errors(state);
        object["drawerPinHigh"] = state.drawerPinHigh;
        nlohmann::json raw = nlohmann::json::array();
        for (const auto& answer : state.raw)
            raw.push_back(answer ? nlohmann::json(*answer) : nlohmann::json(nullptr));
        object["raw"] = raw;
    }
    if (survey.memory) {
        object["capacity"] = survey.memory->capacity;
        object["free"] = survey.memory->free;
        object["keys"] = survey.memory->keys;
    }
    return object;
}

void AddStatusMetrics(const StatusOutcome& outcome, MetricsText& metrics)
{
    const std::string& printer = outcome.port;
    const keyed::Survey& survey = outcome.survey;
    const bool up = outcome.reached && survey.Answered();
    metrics.Add("nivora_printer_up", "1 when the printer answered the status request", printer, up ? 1 : 0);
    if (outcome.reached)
        metrics.Add("nivora_status_seconds", "Seconds the status query took", printer,
                    static_cast<double>(survey.took.count()) / 1000.0);
    if (!up)
        return;
    const printer::PrinterState& state = survey.state;
    if (state.Answered()) {
        metrics.Add("nivora_printer_paper_end", "1 when the printer is out of paper", printer,
                    state.paperEnd || state.paperEndStop);
        metrics.Add("nivora_printer_paper_near_end", "1 when the paper roll is near its end", printer,
                    state.paperNearEnd);
        metrics.Add("nivora_printer_cover_open", "1 when the printer's cover is open", printer,
                    state.coverOpen);
        metrics.Add("nivora_printer_error", "1 when the printer reports an error", printer, state.AnyError());
    }
    if (survey.memory) {
        metrics.Add("nivora_nv_free_bytes", "Free bytes of the key-coded NV graphics memory", printer,
                    static_cast<double>(survey.memory->free));
        metrics.Add("nivora_nv_capacity_bytes", "Bytes of key-coded NV graphics memory in all", printer,
                    static_cast<double>(survey.memory->capacity));
        metrics.Add("nivora_nv_stored_logos", "Logos stored by key", printer,
                    static_cast<double>(survey.memory->keys.size()));
    }
}

} // namespace cli
