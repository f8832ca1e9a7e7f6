#include "jobs/CheckJob.h"

#include "jobs/PrinterCheck.h"
#include "keyed/KeyedRuns.h"
#include "keyed/LinkChannel.h"
#include "printer/EscPos.h"
#include "printer/OpenLink.h"

namespace jobs {
namespace {

// ESC @, GS I 1 and the answer on an open serial line or network printer.
void Exchange(printer::Link& link, bool judging, CheckEnd& end)
{
    using Result = CheckEnd::Result;
    const auto& init = escpos::kInitialize;
    if (judging) {
        if (!link.WriteAtOnce(init)) {
            end.status = link.LastFailure();
            end.result = Result::InitNotWritten;
            return;
        }
    } else if (const printer::Link::Written written = link.Write(init); !written.Complete(init.size())) {
        end.status = written.status;
        end.waitedWriteFailed = written.waited;
        end.result = Result::InitNotWritten;
        return;
    }
    const std::chrono::milliseconds wait = kConnectionTestLink.answerWait;
    const CheckResult check = judging ? JudgePrinter(link, wait) : CheckPrinter(link, wait);
    if (!check.written) {
        end.status = check.failure;
        end.waitedWriteFailed = !judging && check.waited;
        end.result = Result::RequestNotWritten;
        return;
    }
    end.answer = check.answer;
    if (!judging)
        end.result = Result::Tested;
    else if (check.read < 0)
        end.result = Result::NotReceived;
    else
        // The answer is read into the request's buffer: no answer leaves GS (0x1D) there.
        end.result = check.answer == kJudgedAnswer ? Result::Tested : Result::WrongAnswer;
}

void AskKeyedMemory(printer::Link& link, const printer::CancelToken& cancel, CheckEnd& end)
{
    keyed::LinkChannel channel(link, link.Policy().Supervision());
    keyed::RunContext context(channel, link.Policy().Clock(), cancel);
    const keyed::RunResult asked = keyed::AskMemory(context);
    end.memoryAsked = asked.outcome != keyed::Outcome::Stopped;
    if (asked.outcome == keyed::Outcome::Done)
        end.memory = asked.memory;
}

} // namespace

CheckEnd RunCheck(const platform::Context& context, const CheckRequest& request,
                  const printer::CancelToken& cancel, RunObserver* observer)
{
    CheckEnd end;
    end.judging = request.judging;
    WaitRelay relay(observer);
    printer::LinkOptions options = kConnectionTestLink;
    options.readPrinterDevice = request.keyedMemory; // the memory's answers come back that way
    std::unique_ptr<printer::Link> link =
        printer::OpenLink(context, request.port, options, end.status, {&relay, &cancel});
    if (!link)
        return end;
    end.state = CheckStateFirst(*link, false, request.askState);
    end.result = CheckEnd::Result::Opened;
    if (cancel.load())
        end.status.code = printer::LinkStatus::Code::Cancelled;
    else if (request.port.m_nPortType != 1)
        Exchange(*link, request.judging, end);
    const bool exchanged = end.result == CheckEnd::Result::Opened || end.result == CheckEnd::Result::Tested ||
                           end.result == CheckEnd::Result::WrongAnswer;
    if (request.keyedMemory && exchanged && !cancel.load() && !end.state.state.offline)
        AskKeyedMemory(*link, cancel, end);
    if (link->LastFailure().code == printer::LinkStatus::Code::Cancelled)
        end.status = link->LastFailure();
    EndRun(*link);
    return end;
}

} // namespace jobs
