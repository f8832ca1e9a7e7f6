#pragma once
// What nivora-cli says when a port cannot serve: the checks made before an open (only
// character devices are ports; files are for -o) and the reasons behind a failed open
// or write, in the user's terms.
#include <string>

#include "platform/Context.h"
#include "printer/LinkStatus.h"

namespace cli {

// Why port cannot be a printer port, or "" when nothing speaks against it before the
// open. A COM or LPT name always stands for a device; a path must name a character
// device, and not one of the kernel's memory devices (/dev/null, /dev/zero, ...),
// which take everything and answer nonsense.
std::string NotAPortReason(const std::string& port);

// "cannot open COM1 (/dev/ttyS0): in use by another program", or the reason the name
// is no port, for an open of name that failed with status: the network's own words for
// a network printer ("connection refused"), "in use by another program" for a port
// someone holds, the printer-taken text for a vanished USB printer, else strerror.
std::string DescribeOpenFailure(const platform::Context& context, const std::string& name,
                                const printer::LinkStatus& status);

// Says on standard error, as "nivora-cli COMMAND: ...", why name could not be opened,
// and what to do when the user may not open the device.
void ReportOpenFailure(const platform::Context& context, const char* command, const std::string& name,
                       const printer::LinkStatus& status);

} // namespace cli
