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

// Replaces the output-queue query of a serial line (TIOCOUTQ): returns the bytes still
// queued, or -1. A pseudo-terminal always reports an empty queue, so the drain before a
// close can be seen at work only through this. An empty function restores the real
// query.
using OutputQueueQuery = std::function<int(int fd)>;
void SetOutputQueueQueryForTesting(OutputQueueQuery query);
// True while a test's query stands in for the line's own.
bool OutputQueueQueryReplaced();
int QueryOutputQueue(int fd);

} // namespace printer
