#pragma once
// How every run on a printer begins, for the window and the command line alike: the
// printer the settings name is opened, asked its state when the rule says so (a printer
// out of paper, with its cover open or in error is not sent a byte more), checked with
// GS I 1 (not an output file), and initialised with ESC @ on a serial line or a
// network printer. Each step that fails ends the start with its reason as a value;
// what to say about it is the caller's.
//
//   RunStart start;
//   std::unique_ptr<printer::Link> link = StartRun(context, request, supervision, start);
//   if (!link) ... start.result says why ...
//
// Thread-safety: runs on the calling thread (a job's); only the supervision's cancel
// token is set from elsewhere.
#include <memory>
#include <string>

#include "jobs/RunWrite.h"
#include "printer/Link.h"
#include "printer/PortRecord.h"
#include "printer/PrinterState.h"
#include "printer/StateQuery.h"

namespace jobs {

struct StartRequest {
    printer::PortRecord port; // m_nPortType 1: the parallel port; else the device named
    printer::LinkOptions link;
    std::string outputFile = "temp.prn"; // the "FILE" target, where the options have one
    printer::AskState askState = printer::AskState::ByPort;
    WriteTrace trace = WriteTrace::None;
};

// What the printer's state says about a run before it sends anything.
struct StateCheck {
    bool asked = false;
    printer::PrinterState state;
    std::string blocking; // "The printer is out of paper.", ...; "" when the run may go
    bool nearEnd = false; // the paper runs out soon: a warning, not a stop
};
// Asks the state when AsksStateFirst says so. A printer that gives no status is used
// as it always was.
StateCheck CheckStateFirst(printer::Link& link, bool keyedRun, printer::AskState choice);

struct RunStart {
    enum class Result {
        Ready,
        NotOpened,       // status says why (Cancelled: the run was cancelled while reaching it)
        Blocked,         // the state stops the run: state.blocking
        CheckNotWritten, // GS I 1 could not be written: status
        InitNotWritten,  // ESC @ could not be written: status
    };
    Result result = Result::NotOpened;
    printer::LinkStatus status;
    bool parallel = false; // the parallel port was to be opened
    bool toFile = false;   // the target is an output file: no state, no check
    StateCheck state;
    int answer = -1; // the answer byte to GS I 1, -1 when none came

    bool Ready() const { return result == Result::Ready; }
    // The user cancelled while the printer was being reached, or took nothing.
    bool Cancelled() const { return status.code == printer::LinkStatus::Code::Cancelled; }
};

// "Print To File" is on: the port names the output file, not a printer (the parallel
// port has no such choice).
bool WritesToFile(const printer::PortRecord& port);

// The open link when the run may go on; null otherwise, with nothing left open.
std::unique_ptr<printer::Link> StartRun(const platform::Context& context, const StartRequest& request,
                                        printer::WaitSupervision supervision, RunStart& start);

// Closes the link at the end of a run: drains and closes, or throws away what is
// pending when the printer was given up on. The drain's status.
printer::LinkStatus EndRun(printer::Link& link);

} // namespace jobs
