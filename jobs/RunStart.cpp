#include "jobs/RunStart.h"

#include "jobs/PrinterCheck.h"
#include "printer/EscPos.h"
#include "printer/OpenLink.h"
#include "printer/PortNames.h"

namespace jobs {

StateCheck CheckStateFirst(printer::Link& link, bool keyedRun, printer::AskState choice)
{
    StateCheck check;
    if (!printer::AsksStateFirst(link.GetKind(), keyedRun, choice))
        return check;
    check.asked = true;
    check.state = printer::AskPrinterState(link);
    if (!check.state.Answered())
        return check;
    check.blocking = printer::BlockingText(check.state);
    if (check.blocking.empty() && check.state.offline)
        check.blocking = "The printer is off-line.";
    check.nearEnd = check.state.paperNearEnd;
    return check;
}

printer::LinkStatus EndRun(printer::Link& link)
{
    using Code = printer::LinkStatus::Code;
    const Code failure = link.LastFailure().code;
    if (failure == Code::Cancelled || failure == Code::Stalled || failure == Code::Gone) {
        link.Abandon();
        return link.LastFailure();
    }
    return link.Close();
}

namespace {

// The start ends at step with status; the link is let go of.
std::unique_ptr<printer::Link> Fail(std::unique_ptr<printer::Link> link, RunStart& start,
                                    RunStart::Result step, const printer::LinkStatus& status)
{
    start.result = step;
    start.status = status;
    EndRun(*link);
    return nullptr;
}

} // namespace

bool WritesToFile(const printer::PortRecord& port)
{
    return port.m_nPortType != 1 && port.m_strPortDevice == printer::kFileDevice;
}

std::unique_ptr<printer::Link> StartRun(const platform::Context& context, const StartRequest& request,
                                        printer::WaitSupervision supervision, RunStart& start)
{
    start = RunStart{};
    start.parallel = request.port.m_nPortType == 1;
    start.toFile = request.link.fileTarget && WritesToFile(request.port);
    std::unique_ptr<printer::Link> link =
        printer::OpenLink(context, request.port, request.link, start.status, supervision, request.outputFile);
    if (!link)
        return nullptr;
    if (start.toFile) {
        start.result = RunStart::Result::Ready;
        return link;
    }
    start.state = CheckStateFirst(*link, false, request.askState);
    if (!start.state.blocking.empty())
        return Fail(std::move(link), start, RunStart::Result::Blocked, {});
    const CheckResult check = CheckPrinter(*link, request.link.answerWait, request.trace);
    if (!check.written)
        return Fail(std::move(link), start, RunStart::Result::CheckNotWritten, check.failure);
    start.answer = check.answer;
    if (!start.parallel) {
        const auto& init = escpos::kInitialize;
        const printer::Link::Written written = RunWrite(*link, init, request.trace);
        if (!written.Complete(init.size()))
            return Fail(std::move(link), start, RunStart::Result::InitNotWritten,
                        written.status.Ok() ? link->LastFailure() : written.status);
    }
    start.result = RunStart::Result::Ready;
    return link;
}

} // namespace jobs
