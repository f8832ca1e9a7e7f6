#include "printer/OpenLink.h"

#include <cerrno>

#include "printer/FileLink.h"
#include "printer/LineSettings.h"
#include "printer/NetAddress.h"
#include "printer/PortNames.h"
#include "printer/PrinterDeviceLink.h"
#include "printer/TcpLink.h"

namespace printer {

std::unique_ptr<Link> OpenDevice(const platform::Context& context, const std::string& name,
                                 const SerialSettings& settings, const LinkOptions& options, bool readAccess,
                                 LinkStatus& status, WaitSupervision supervision)
{
    const std::string device = ResolveDevice(context, name);
    if (device.empty()) {
        status = LinkStatus::FromErrno(ENOENT, name);
        return nullptr;
    }
    ExclusiveDevice opened;
    if (!OpenExclusive(context, device, readAccess, opened, status))
        return nullptr;
    if (IsTerminal(opened.fd))
        return SerialLink::Configure(context, device, std::move(opened), settings, options, supervision,
                                     status);
    return std::make_unique<PrinterDeviceLink>(context, device, std::move(opened), supervision);
}

std::unique_ptr<Link> OpenLink(const platform::Context& context, const PortRecord& settings,
                               const LinkOptions& options, LinkStatus& status, WaitSupervision supervision,
                               const std::string& outputFile)
{
    const SerialSettings serial{settings.m_dwBaudRate, settings.m_byByteSize, settings.m_byParity,
                                settings.m_byStopBits, settings.m_nHandshake};
    const std::string& device = settings.m_strPortDevice;
    if (settings.m_nPortType == 1)
        return OpenDevice(context, ParallelPortName(device), serial, options, options.readPrinterDevice,
                          status, supervision);
    if (options.fileTarget && device == kFileDevice)
        return FileLink::Create(context, outputFile, status);
    if (HasNetPrefix(device)) {
        NetAddress address;
        std::string error;
        if (!ParseNetPortName(device, address, error)) {
            status = LinkStatus::FromErrno(EINVAL, device);
            status.detail = error;
            return nullptr;
        }
        return TcpLink::Connect(context, address, supervision, status);
    }
    return OpenDevice(context, device, serial, options, true, status, supervision);
}

bool CanOpenExclusively(const platform::Context& context, const std::string& device)
{
    ExclusiveDevice opened;
    LinkStatus status;
    if (!OpenExclusive(context, device, true, opened, status))
        return false;
    // Handed to a link only to be let go of again the way every link is.
    PrinterDeviceLink probe(context, device, std::move(opened), {});
    probe.Abandon();
    return true;
}

} // namespace printer
