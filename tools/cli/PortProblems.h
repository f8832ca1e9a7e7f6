#pragma once
// What nivora-cli says when a port cannot serve: the checks made before an open (only
// character devices are ports; files are for -o) and the reasons behind a failed open
// or write, in the user's terms.
#include <string>

namespace cli {

// Why port cannot be a printer port, or "" when nothing speaks against it before the
// open. A COM or LPT name always stands for a device; a path must name a character
// device, and not one of the kernel's memory devices (/dev/null, /dev/zero, ...),
// which take everything and answer nonsense.
std::string NotAPortReason(const std::string& port);

// The reason for a failed open of a port: "in use by another program" for a port
// someone holds, the printer-taken text for a vanished USB printer, else strerror.
std::string OpenFailureText(int error);

// "cannot open COM1 (/dev/ttyS0): in use by another program", or the reason the path
// is no port, for a failed open with error.
std::string DescribeOpenFailure(const std::string& port, int error);

// A sentence to add after a failed write, "" when the failure needs no more words.
std::string WriteFailureText(int error);

} // namespace cli
