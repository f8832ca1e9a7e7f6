#include "jobs/PrinterCheck.h"

#include "printer/EscPos.h"

namespace jobs {
namespace {

void ReadAnswer(printer::Link& link, std::chrono::milliseconds wait, CheckResult& result)
{
    uint8_t answer[1] = {};
    result.read = link.Read(answer, wait);
    if (result.read == 1)
        result.answer = answer[0];
}

} // namespace

CheckResult CheckPrinter(printer::Link& link, std::chrono::milliseconds wait, WriteTrace trace)
{
    CheckResult result;
    const auto& request = escpos::kTransmitPrinterId;
    const printer::Link::Written written = RunWrite(link, request, trace);
    result.waited = written.waited;
    result.written = written.Complete(request.size());
    if (!result.written) {
        result.failure = written.status.Ok() ? link.LastFailure() : written.status;
        return result;
    }
    ReadAnswer(link, wait, result);
    return result;
}

CheckResult JudgePrinter(printer::Link& link, std::chrono::milliseconds wait)
{
    CheckResult result;
    result.written = link.WriteAtOnce(escpos::kTransmitPrinterId);
    if (!result.written) {
        result.failure = link.LastFailure();
        return result;
    }
    ReadAnswer(link, wait, result);
    return result;
}

} // namespace jobs
