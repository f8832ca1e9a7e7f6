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
