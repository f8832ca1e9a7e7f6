#include "keyed/LedgerName.h"

#include "printer/NetAddress.h"
#include "printer/PrinterStatus.h"

namespace keyed {

std::string LedgerName(const platform::Context& context, const printer::Link& link, const std::string& port)
{
    if (link.GetKind() == printer::Link::Kind::Network) {
        printer::NetAddress address;
        std::string error;
        if (printer::ParseNetPortName(link.Name(), address, error))
            return printer::kTcpUrlPrefix + printer::FormatNetAddress(address);
    }
    if (link.GetKind() == printer::Link::Kind::PrinterDevice) {
        const printer::DeviceId id =
            printer::ParseDeviceId(printer::UsbPrinterDeviceId(context, link.Name()));
        if (!id.serial.empty()) {
            std::string name = id.make;
            if (!id.model.empty())
                name += (name.empty() ? "" : " ") + id.model;
            return name + (name.empty() ? "" : " ") + "SN:" + id.serial;
        }
    }
    return port;
}

bool LoadLedger(const platform::Context& context, const printer::Link& link, const std::string& port,
                const std::string& dir, Ledger& ledger, std::string& why)
{
    const std::string name = LedgerName(context, link, port);
    ledger = Ledger(name, LedgerPath(dir, name));
    return ledger.Load(why);
}

} // namespace keyed
