#pragma once
// Which port names can be used right now. A name is listed only when its device
// exists and opens exclusively at this moment; a port another program holds, or one
// the machine does not have, is simply left out.
#include <string>
#include <vector>

namespace platform {
struct Context;
}

namespace printer {

struct PortListing {
    std::string name;   // "COM3", "LPT1"
    std::string device; // the device file behind it
    std::string model;  // the printer's make and model where the device publishes them
};

// COM1 ... COM255 in ascending order. Only existing device files are tried, and
// serial ports the kernel reserved without hardware (sysfs type 0) are skipped
// without opening them.
std::vector<PortListing> ProbeComPorts(const platform::Context& context);
// LPT1 and LPT2, likewise.
std::vector<PortListing> ProbeLptPorts(const platform::Context& context);

// A serial port the kernel reserved without hardware behind it (sysfs type 0).
bool ReservedWithoutHardware(const platform::Context& context, const std::string& device);

} // namespace printer
