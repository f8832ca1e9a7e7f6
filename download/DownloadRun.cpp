#include "download/DownloadRun.h"

#include "app/SharedRecord.h"
#include "app/Text.h"
#include "download/NvStream.h"
#include "platform/MessageBox.h"
#include "platform/Wait.h"
#include "printer/EscPos.h"
#include "printer/PortNames.h"

namespace {

void Warn(const std::string& text)
{
    platform::AfxMessageBox(text, platform::MB_ICONEXCLAMATION);
}

bool OpenParallel(CPrinterPort& port)
{
    const std::string& device = g_Shared.m_strPortDevice;
    return port.OpenLpt(printer::LptNumber(device) != 0 ? device : "LPT1");
}

bool OpenSerialOrFile(CPrinterPort& port)
{
    return port.OpenPort(g_Shared.m_strPortDevice, g_Shared.m_dwBaudRate, g_Shared.m_byByteSize,
                         g_Shared.m_byParity, g_Shared.m_byStopBits, g_Shared.m_nHandshake);
}

} // namespace

bool OpenDownloadPort(CPrinterPort& port, OpenFailureMessage message, bool& opened)
{
    opened = false;
    const bool parallel = g_Shared.m_nPortType == 1;
    if (parallel ? !OpenParallel(port) : !OpenSerialOrFile(port)) {
        if (parallel || message == OpenFailureMessage::Plain)
            Warn("ERROR - Open port.");
        else
            Warn(Format("ERROR[%d] - Open port or file.", port.m_nOpenError));
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
        Warn("ERROR - Printer check.");
        return false;
    }
    return true;
}

bool CompleteStoppedDownload(ByteSink& sink, int count, int started, int settleMs)
{
    NvStreamWriter writer(sink);
    if (!writer.WriteCompletion(CompletionGroups(count, started)))
        return false;
    platform::Sleep(settleMs);
    return true;
}

void ReportDownloadComplete()
{
    Warn("Complete the NV bit image definition.\r\nPlease wait some paper feed.");
}
