#pragma once
// Ports the user may not open, said in the user's terms. A user who is not yet in the
// device's group (dialout for serial ports, lp for printer devices) otherwise sees only
// an empty port list or a bare "ERROR - Port open.".
#include <string>
#include <vector>

namespace platform {
struct Context;
}

namespace printer {

struct PortRefusal {
    std::string name;   // "COM33", "LPT1"
    std::string device; // "/dev/ttyUSB0"
    std::string reason; // "Permission denied"
};

// The COM and LPT names whose device exists (and has hardware behind it) but may not
// be opened by this user, in the order of discovery.
std::vector<PortRefusal> ProbeForbiddenPorts(const platform::Context& context);

// What to do about a device the user may not open: the group it belongs to, read
// from the device itself ("add yourself to the group dialout and log in again").
std::string PermissionAdvice(const std::string& device);

// For an open that failed with EACCES or EPERM: "Permission denied: DEVICE. " and the
// advice; empty for any other error.
std::string PermissionMessage(const std::string& device, int error);

} // namespace printer
