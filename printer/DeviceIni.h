#pragma once
// Device.INI: the one thing the Setup page remembers between runs, whether the
// printer is a parallel or a serial model. One byte, "1" or "0", no line end.
#include <string>

namespace printer {

inline constexpr char kDeviceIniName[] = "Device.INI";

// True (parallel) when the file's first byte is a digit 1-9. Anything else, an empty
// file, no file or one that cannot be read means serial. Only a regular file is read:
// a FIFO or a folder in its place is refused at once and named on standard error.
bool ReadDeviceIni(const std::string& dir);
// Replaces dir/Device.INI with "1" or "0" (a new file renamed over the old one, so a
// kill half-way never leaves it empty). A failure is silent: the next run simply
// starts serial.
void SaveDeviceIni(const std::string& dir, bool parallel);

} // namespace printer
