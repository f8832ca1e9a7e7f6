#include "download/DownloadRun.h"

#include "platform/Context.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/Text.h"
#include "printer/EscPos.h"

bool OpenDownloadPort(CPrinterPort& port, const platform::Context& context,
                      const printer::PortRecord& settings, OpenFailureMessage message, bool& opened)
{
    opened = false;
    const bool parallel = settings.m_nPortType == 1;
    if (!port.Open(context, settings)) {
        if (port.OpenStatus().code == printer::LinkStatus::Code::Cancelled)
            return false; // the user gave up on a printer still being reached: nothing to say
        if (parallel || message == OpenFailureMessage::Plain)
            context.Show(msg::kOpenPortFailed, platform::MB_ICONEXCLAMATION);
        else
            context.Show(Format(msg::kOpenPortOrFileFailedFormat, port.m_nOpenError),
                         platform::MB_ICONEXCLAMATION);
        return false;
    }
    opened = true;
    if (!parallel && port.m_bToFile)
        return true;
    if (!port.CheckPrinter()) // shows its own message
        return false;
    if (parallel)
        return true;
    const auto& init = escpos::kInitialize;
    if (!port.WriteBuffer(init.data(), static_cast<uint32_t>(init.size()))) {
        context.Show(msg::kPrinterCheckFailed, platform::MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

void ReportDownloadComplete(const platform::Context& context)
{
    context.Show(msg::kDownloadComplete, platform::MB_ICONEXCLAMATION);
}
