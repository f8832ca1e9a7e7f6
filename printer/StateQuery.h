#pragma once
// Asking a printer over its link what state it is in (DLE EOT 1 to 4, real-time
// requests a printer answers even while its buffer is full) and which model it is
// (GS I 1), and the rule which runs ask before they send anything.
//
//   if (AsksStateFirst(link.GetKind(), keyedRun, choice)) {
//       const PrinterState state = AskPrinterState(link);
//       if (state.Blocking()) ... BlockingText(state) ...
//   }
//
// Thread-safety: on the link's thread, like every use of a link; the rule is a pure
// function.
#include <chrono>
#include <cstdint>
#include <optional>

#include "printer/Link.h"
#include "printer/PrinterState.h"

namespace printer {

inline constexpr std::chrono::milliseconds kStateAnswerWait{500};

// Sends DLE EOT 1, 2, 3 and 4 in turn, each answer awaited up to wait. Bytes that
// cannot be an answer (a late model byte, XON / XOFF, automatic status of another
// kind) are skipped; the answers are kept raw in the state beside their meaning. A
// printer that leaves DLE EOT 1 unanswered is taken to answer none: it has no status,
// and no more time is spent on it. A partial answer keeps what came.
// Every wait is bounded by wait too: a printer that does not take a three-byte request
// within it takes nothing, and the link then gives up on it as on any printer that
// stalled. A cancel ends the questions at once with what came so far.
PrinterState AskPrinterState(Link& link, std::chrono::milliseconds wait = kStateAnswerWait);

// GS I 1: the model byte, nullopt when none came within wait (bounded as above).
std::optional<uint8_t> AskModelId(Link& link, std::chrono::milliseconds wait = kStateAnswerWait);

enum class AskState {
    ByPort, // as the port and the run go (below)
    Always, // the user asked for it (the Setup page's check box, --ask-state)
    Never,  // the user turned it off (--no-ask-state)
};

// Whether a run asks the printer's state before it sends anything. By the port,
// network printers and key-coded runs ask; an FS q download or an FS p print on a
// serial or LPT port does not, so that the wire carries the old sequence byte for byte.
// An output file never answers and is never asked.
bool AsksStateFirst(Link::Kind kind, bool keyedRun, AskState choice);

} // namespace printer
