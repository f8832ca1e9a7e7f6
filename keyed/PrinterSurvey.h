#pragma once
// Everything a printer says about itself when asked, without a byte that changes it:
// its state (DLE EOT 1 to 4), its model byte (GS I 1) and, for a printer that keeps
// logos by key, its key-coded memory (capacity, free room, keys). For the status
// command, and for the Setup page's Apply.
//
// An off-line printer answers nothing but the real-time state requests, so it is asked
// nothing more; a printer that answers neither the state nor the model is asked
// nothing more either. A survey never takes longer than its deadlines add up to.
//
// Thread-safety: on the link's thread, like every use of a link.
#include <chrono>
#include <cstdint>
#include <optional>

#include "keyed/KeyedRun.h"
#include "printer/Link.h"
#include "printer/PrinterState.h"

namespace keyed {

struct SurveyOptions {
    bool memory = true; // ask the key-coded memory (not on printers that do not know it)
    std::chrono::milliseconds answerWait{500};     // for each state answer and the model byte
    std::chrono::milliseconds replyDeadline{1000}; // for each key-coded answer
};

struct Survey {
    printer::PrinterState state;
    std::optional<uint8_t> model;
    std::optional<Memory> memory; // when the printer answered the key-coded requests
    std::chrono::milliseconds took{0};

    // The printer said anything at all.
    bool Answered() const { return state.Answered() || model.has_value(); }
    // Off-line, out of paper, cover open, an error, or paper near its end.
    bool NeedsAttention() const { return state.offline || state.Blocking() || state.paperNearEnd; }
};

Survey SurveyPrinter(printer::Link& link, const SurveyOptions& options);

} // namespace keyed
