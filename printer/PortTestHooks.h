#pragma once
// Seams of the port layer that only tests set. The program never calls the setters:
// it has no option or variable that moves its devices or changes its time-outs.
#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace printer {

// Prefix put before every /dev, /sys and /run/lock path the port layer touches ("" = the real
// ones). Device paths given directly to an open are not prefixed.
void SetDeviceRootForTesting(std::string root);
const std::string& DeviceRoot();

// Replaces M, the download variant's write time-out per byte; nullopt restores it.
void SetWriteTimeoutPerByteForTesting(std::optional<std::chrono::milliseconds> perByte);
std::optional<std::chrono::milliseconds> WriteTimeoutPerByteOverride();

// Replaces the modem-line query (TIOCMGET): returns 0 and fills lines, or -1 with
// errno set. An empty function restores the real query.
using ModemLineQuery = std::function<int(int fd, int& lines)>;
void SetModemLineQueryForTesting(ModemLineQuery query);
int QueryModemLines(int fd, int& lines);

} // namespace printer
