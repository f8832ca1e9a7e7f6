#pragma once
// Opening one printer of a run for a command that asks it questions (nv, status): the
// link with reading on, and what became of the open in the command's exit-status terms.
// (The ask-first check of the printer's state is jobs::CheckStateFirst.)
#include <memory>
#include <string>
#include <vector>

#include "platform/Context.h"
#include "printer/Link.h"
#include "printer/StateQuery.h"
#include "tools/cli/PortOptions.h"

namespace cli {

inline constexpr int kExitNoAnswer = 3;
inline constexpr int kExitStopped = 130;

struct OpenedPrinter {
    std::unique_ptr<printer::Link> link; // null when it could not be opened
    int status = 0;                      // when null: kExitFailed, kExitNoAnswer or kExitStopped
    std::string reason;                  // when null: why, in the user's words
};

// Opens target with the serial settings of options, under supervision. A network
// printer that refuses the connection or does not accept it in time counts as one that
// does not answer.
OpenedPrinter OpenPrinter(const platform::Context& context, const PortOptions& options,
                          const std::string& target, printer::WaitSupervision supervision);

// The exit status of a run on many printers from each printer's: 130 when any was
// stopped, else 3 when any did not answer, else 1 when any failed, else 0.
int WorstStatus(const std::vector<int>& statuses);

} // namespace cli
