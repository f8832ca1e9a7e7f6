#include "download/DownloadRun.h"

#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/Text.h"
#include "printer/EscPos.h"
#include "printer/PortNames.h"

namespace {

void Warn(const std::string& text)
{
    platform::AfxMessageBox(text, platform::MB_ICONEXCLAMATION);
}

bool OpenParallel(CPrinterPort& port, const printer::PortRecord& settings)
{
    const std::string& device = settings.m_strPortDevice;
    return port.OpenLpt(printer::LptNumber(device) != 0 ? device : "LPT1");
}

bool OpenSerialOrFile(CPrinterPort& port, const printer::PortRecord& settings)
{
    return port.OpenPort(settings.m_strPortDevice, settings.m_dwBaudRate, settings.m_byByteSize,
                         settings.m_byParity, settings.m_byStopBits, settings.m_nHandshake);
}

} // namespace

bool OpenDownloadPort(CPrinterPort& port, const printer::PortRecord& settings, OpenFailureMessage message,
                      bool& opened)
{
    opened = false;
    const bool parallel = settings.m_nPortType == 1;
    if (parallel ? !OpenParallel(port, settings) : !OpenSerialOrFile(port, settings)) {
        if (parallel || message == OpenFailureMessage::Plain)
            Warn(msg::kOpenPortFailed);
        else
            Warn(Format(msg::kOpenPortOrFileFailedFormat, port.m_nOpenError));
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
        Warn(msg::kPrinterCheckFailed);
        return false;
    }
    return true;
}

void ReportDownloadComplete()
{
    Warn(msg::kDownloadComplete);
}
