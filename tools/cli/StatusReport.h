#pragma once
// nivora-cli status on one printer, and how it is told: a line, a JSON object, and the
// figures for monitoring (MetricsText.h).
#include <string>

#include <nlohmann/json.hpp>

#include "keyed/PrinterSurvey.h"
#include "platform/Context.h"
#include "printer/StallPolicy.h"
#include "tools/cli/MetricsText.h"
#include "tools/cli/PortOptions.h"

namespace cli {

struct StatusOutcome {
    std::string port;
    int status = 1;       // 0 ready, 1 needs attention or cannot be used, 3 no answer, 130 stopped
    std::string reason;   // when the printer could not be asked
    bool reached = false; // the link was opened and the printer asked
    keyed::Survey survey;
};

// Opens target (a network printer gets at most a second to accept the connection: a
// status run is a quick look) and asks it what it says about itself.
StatusOutcome AskStatus(const platform::Context& base, const PortOptions& options,
                        const keyed::SurveyOptions& survey, const std::string& target,
                        printer::WaitSupervision supervision);

// "tcp://10.0.0.7:9100: Ready. model 0x20, online, cover closed, paper ok, no error;
// Key-coded memory: ..."
std::string StatusLine(const StatusOutcome& outcome);
nlohmann::json StatusJson(const StatusOutcome& outcome);
// The printer's samples: nivora_printer_up, and for a printer that answered its paper,
// cover and error flags, its key-coded memory, and the time the query took.
void AddStatusMetrics(const StatusOutcome& outcome, MetricsText& metrics);

} // namespace cli
