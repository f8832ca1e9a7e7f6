#include "printer/OpenPortRegistry.h"

#include <algorithm>
#include <array>
#include <asm/termbits.h>
#include <climits>
#include <csignal>
#include <cstring>
#include <sys/ioctl.h>
#include <unistd.h>

namespace printer {
namespace {

struct Entry {
    volatile std::sig_atomic_t used = 0;
    int fd = -1;
    bool terminal = false;
    char lockPath[PATH_MAX] = {};
};

std::array<Entry, 8> g_ports;

} // namespace

void RegisterOpenPort(int fd, bool terminal, const std::string& lockPath)
{
    for (Entry& entry : g_ports) {
        if (entry.used)
            continue;
        entry.fd = fd;
        entry.terminal = terminal;
        const size_t length = std::min(lockPath.size(), sizeof entry.lockPath - 1);
        std::memcpy(entry.lockPath, lockPath.data(), length);
        entry.lockPath[length] = '\0';
        entry.used = 1; // last, so a handler never sees half an entry
        return;
    }
}

void UnregisterOpenPort(int fd)
{
    for (Entry& entry : g_ports)
        if (entry.used && entry.fd == fd)
            entry.used = 0;
}

bool LockHeldInThisProcess(const std::string& lockPath)
{
    for (const Entry& entry : g_ports)
        if (entry.used && lockPath == entry.lockPath)
            return true;
    return false;
}

void ReleaseOpenPortsForExit()
{
    for (Entry& entry : g_ports) {
        if (!entry.used)
            continue;
        if (entry.terminal) {
            ::ioctl(entry.fd, TCXONC, TCOOFF);
            ::ioctl(entry.fd, TCFLSH, TCOFLUSH);
            ::ioctl(entry.fd, TIOCNXCL);
        }
        if (entry.lockPath[0] != '\0')
            ::unlink(entry.lockPath);
        entry.used = 0;
    }
}

} // namespace printer
