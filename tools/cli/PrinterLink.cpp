#include "tools/cli/PrinterLink.h"

#include "printer/OpenLink.h"
#include "printer/PortAccess.h"
#include "tools/cli/Options.h"
#include "tools/cli/PortProblems.h"
#include "tools/cli/Printable.h"

namespace cli {

OpenedPrinter OpenPrinter(const platform::Context& context, const PortOptions& options,
                          const std::string& target, printer::WaitSupervision supervision)
{
    OpenedPrinter opened;
    if (const std::string why = NotAPortReason(target); !why.empty()) {
        opened.status = kExitFailed;
        opened.reason = why;
        return opened;
    }
    printer::LinkOptions linkOptions;
    linkOptions.readPrinterDevice = true;
    printer::LinkStatus status;
    opened.link =
        printer::OpenLink(context, PortSettingsFor(options, target), linkOptions, status, supervision);
    if (opened.link)
        return opened;
    using Code = printer::LinkStatus::Code;
    opened.status = status.code == Code::Cancelled                                  ? kExitStopped
                    : status.code == Code::NoAnswer || status.code == Code::Refused ? kExitNoAnswer
                                                                                    : kExitFailed;
    opened.reason = Printable(status.Describe());
    if (const std::string advice = printer::PermissionMessage(status.device, status.error); !advice.empty())
        opened.reason += "; " + Printable(advice);
    return opened;
}

std::string StateStopsRun(printer::Link& link, bool keyedRun, printer::AskState choice, bool& nearEnd)
{
    nearEnd = false;
    if (!printer::AsksStateFirst(link.GetKind(), keyedRun, choice))
        return "";
    const printer::PrinterState state = printer::AskPrinterState(link);
    // A printer that gives no status is used as it always was.
    if (!state.Answered())
        return "";
    if (const std::string blocking = printer::BlockingText(state); !blocking.empty())
        return blocking;
    nearEnd = state.paperNearEnd;
    return state.offline ? "The printer is off-line." : "";
}

int WorstStatus(const std::vector<int>& statuses)
{
    int worst = kExitOk;
    for (const int status : {kExitStopped, kExitNoAnswer, kExitFailed})
        for (const int each : statuses)
            if (each == status && worst == kExitOk)
                worst = status;
    return worst;
}

} // namespace cli
