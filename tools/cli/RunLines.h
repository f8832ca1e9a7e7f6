#pragma once
// A run's messages as the command line says them: what the window shows as message
// boxes (jobs/RunMessages.h), one line each on standard error, after the program's name
// and the port; or, for one printer of many, folded into that printer's reason.
#include <string>
#include <vector>

#include "jobs/RunMessages.h"

namespace cli {

// Each message on standard error: "nivora-cli: SUBJECT: TEXT" ("nivora-cli: TEXT" without
// a subject). A text of several lines keeps them, with plain line ends.
void PrintRunMessages(const std::vector<jobs::RunMessage>& messages, const std::string& subject);

// The messages on one line, "; " between them, for a printer's line of a run on many.
std::string JoinRunMessages(const std::vector<jobs::RunMessage>& messages);

// reason, then the messages, "; " between.
std::string WithMessages(std::string reason, const std::vector<jobs::RunMessage>& messages);

} // namespace cli
