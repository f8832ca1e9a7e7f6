#include "printer/PortTestHooks.h"

#include <sys/ioctl.h>

namespace printer {
namespace {

std::string g_deviceRoot;
std::optional<std::chrono::milliseconds> g_writeTimeoutPerByte;
ModemLineQuery g_modemLineQuery;
OutputQueueQuery g_outputQueueQuery;

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

void SetOutputQueueQueryForTesting(OutputQueueQuery query)
{
    g_outputQueueQuery = std::move(query);
}

bool OutputQueueQueryReplaced()
{
    return static_cast<bool>(g_outputQueueQuery);
}

int QueryOutputQueue(int fd)
{
    if (g_outputQueueQuery)
        return g_outputQueueQuery(fd);
    int pending = 0;
    return ::ioctl(fd, TIOCOUTQ, &pending) == 0 ? pending : -1;
}

} // namespace printer
