#include "printer/PortTestHooks.h"

#include <sys/ioctl.h>

namespace printer {
namespace {

std::string g_deviceRoot;
std::optional<std::chrono::milliseconds> g_writeTimeoutPerByte;
ModemLineQuery g_modemLineQuery;

} // namespace

void SetDeviceRootForTesting(std::string root)
{
    g_deviceRoot = std::move(root);
}
const std::string& DeviceRoot()
{
    return g_deviceRoot;
}

void SetWriteTimeoutPerByteForTesting(std::optional<std::chrono::milliseconds> perByte)
{
    g_writeTimeoutPerByte = perByte;
}
std::optional<std::chrono::milliseconds> WriteTimeoutPerByteOverride()
{
    return g_writeTimeoutPerByte;
}

void SetModemLineQueryForTesting(ModemLineQuery query)
{
    g_modemLineQuery = std::move(query);
}

int QueryModemLines(int fd, int& lines)
{
    if (g_modemLineQuery)
        return g_modemLineQuery(fd, lines);
    return ::ioctl(fd, TIOCMGET, &lines);
}

} // namespace printer
