#pragma once
// The program's port names and the devices they stand for. The table is fixed, so a
// name always means the same device whatever else is plugged in; the README and the
// tooltip of the Setup page's port box show it (PortDeviceTableText).
#include <array>
#include <string>
#include <vector>

namespace platform {
struct Context;
}

namespace printer {

// COM<first> ... COM<first + count - 1> are <prefix>0 ... <prefix><count - 1>.
struct ComDeviceRange {
    int first;
    int count;
    const char* prefix;
};
inline constexpr std::array<ComDeviceRange, 5> kComDevices = {{
    {1, 32, "/dev/ttyS"},
    {33, 64, "/dev/ttyUSB"},
    {97, 64, "/dev/ttyACM"},
    {161, 32, "/dev/ttyAMA"},
    {193, 32, "/dev/rfcomm"},
}};
inline constexpr int kComNameCount = 255; // COM1 ... COM255 are probed
inline constexpr int kLptNameCount = 2;   // LPT1, LPT2
// LPT<n> is the USB printer-class device <n - 1> if it exists, else the parallel one.
inline constexpr std::array<const char*, 2> kLptDevices = {"/dev/usb/lp", "/dev/lp"};
inline constexpr char kFileDevice[] = "FILE";

// "COM7" gives 7 (letter case ignored); 0 for anything that is not COM1 ... COM255.
int ComNumber(const std::string& name);
// "LPT2" gives 2; 0 for anything that is not LPT1 or LPT2.
int LptNumber(const std::string& name);
// A path: the command-line tool may name a device directly, absolute (/dev/pts/3) or
// from the current folder (ctl/tty, ./tty).
bool IsDevicePath(const std::string& name);
// The parallel port a parallel setup opens: the LPT name given, else "LPT1".
std::string ParallelPortName(const std::string& device);

std::string ComName(int number); // "COM%d"
std::string LptName(int number); // "LPT%d"

// The device files name may stand for, in order of preference, under the context's
// device root. A device path stands for itself; any other name for nothing.
std::vector<std::string> DeviceCandidates(const platform::Context& context, const std::string& name);
// The device to open for name: the first candidate that exists, else the first one
// (so that the open fails with "no such file"). Empty when the name means no device.
std::string ResolveDevice(const platform::Context& context, const std::string& name);

// The table above as lines of text, one line per range.
std::string PortDeviceTableText();

} // namespace printer
