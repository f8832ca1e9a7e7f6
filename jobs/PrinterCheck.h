#pragma once
// The connection check that precedes every download and print and makes the Setup
// page's Apply test: GS I 1 (transmit the model ID) and a short wait for the printer's
// one-byte answer. The download and print checks only need the request written; the
// answer is awaited but not judged. The judging variant (Apply on the consumer line)
// writes without waiting and requires the answer 0x20.
//
// Thread-safety: on the link's thread, like every use of a link.
#include <chrono>

#include "jobs/RunWrite.h"
#include "printer/Link.h"

namespace jobs {

struct CheckResult {
    bool written = false;        // the request went out whole
    bool waited = false;         // its write could not complete at once
    long read = 0;               // answer bytes: 1, 0 (none in time, or cancelled), -1 (unreadable)
    int answer = -1;             // the answer byte, -1 when none came
    printer::LinkStatus failure; // why the request was not written
};

// GS I 1 through the link (traced as trace says), then up to wait for the answer.
CheckResult CheckPrinter(printer::Link& link, std::chrono::milliseconds wait,
                         WriteTrace trace = WriteTrace::None);

// GS I 1 in one write that must be taken at once, then one byte read within wait.
CheckResult JudgePrinter(printer::Link& link, std::chrono::milliseconds wait);
// What the judging check requires of the answer.
inline constexpr int kJudgedAnswer = 0x20;

} // namespace jobs
