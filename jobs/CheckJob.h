#pragma once
// The Setup page's Apply test as a job: the port opened as the runs open it, the
// printer's state asked when the rule says so, and on a serial line (or a network
// printer) the exchange ESC @, GS I 1 and the one-byte answer: awaited for a second on
// most systems, judged (it must be 0x20) on the consumer line. A parallel port is only
// opened and closed. For a printer that keeps logos by key the test then asks its
// key-coded memory (capacity, free room, keys), on every kind of port. The end says
// what the test found; the page says it.
//
// Thread-safety: one test per call, on the calling thread; the token may be set from
// any thread (the window's Cancel ends a test whose printer takes nothing).
#include <chrono>

#include <optional>

#include "jobs/RunObserver.h"
#include "jobs/RunStart.h"
#include "keyed/KeyedRun.h"

namespace jobs {

// How the test uses its link: DSR output flow, no write time-out, a printer device
// for writing only, and a second for the answer.
inline constexpr printer::LinkOptions kConnectionTestLink{false, printer::OutputFlow::Dsr, false, false,
                                                          std::chrono::milliseconds(1000)};

struct CheckRequest {
    printer::PortRecord port; // m_nPortType 1: the parallel port, only opened
    bool judging = false;     // the consumer line's variant (platform::IsConsumerLine)
    printer::AskState askState = printer::AskState::ByPort;
    bool keyedMemory = false; // ask the key-coded memory too
};

struct CheckEnd {
    enum class Result {
        NotOpened,         // status says why
        Opened,            // a parallel port: opened and closed, nothing sent
        InitNotWritten,    // ESC @ could not be written
        RequestNotWritten, // GS I 1 could not be written
        NotReceived,       // (judging) the answer could not be read
        WrongAnswer,       // (judging) no answer, or not 0x20
        Tested,            // the exchange went through; answer holds the byte if one came
    };
    Result result = Result::NotOpened;
    printer::LinkStatus status;     // the open's, or the failed write's
    bool waitedWriteFailed = false; // a write that had to wait failed (the waiting variant)
    bool judging = false;
    StateCheck state;
    int answer = -1;
    bool memoryAsked = false;
    std::optional<keyed::Memory> memory; // when the printer answered the key-coded requests

    bool Cancelled() const { return status.code == printer::LinkStatus::Code::Cancelled; }
};

CheckEnd RunCheck(const platform::Context& context, const CheckRequest& request,
                  const printer::CancelToken& cancel, RunObserver* observer = nullptr);

} // namespace jobs
