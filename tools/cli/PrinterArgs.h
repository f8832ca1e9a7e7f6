#pragma once
// The arguments of a command that serves one printer or many (nv, status): -p PORT as
// often as given, the serial options and --stall-timeout (PortOptions.h), --printers
// FILE and --jobs N (Fleet.h), then the command's own options and its operands.
#include <chrono>
#include <string>
#include <vector>

#include "tools/cli/Fleet.h"
#include "tools/cli/Options.h"
#include "tools/cli/PortOptions.h"

namespace cli {

struct PrinterArgs {
    PortOptions port;   // the serial settings every printer is opened with
    FleetOptions fleet; // the printers, in order
    ParsedOptions parsed;
};

// False with a usage message in error. At least one printer must be named.
bool ReadPrinterArgs(const std::vector<std::string>& args, const std::vector<OptionDef>& own,
                     PrinterArgs& out, std::string& error);

// A number of seconds within [low, high] from option name of parsed, as milliseconds;
// value is left alone when the option is absent. False with a usage message in error.
bool ReadSeconds(const ParsedOptions& parsed, const std::string& name, int low, int high,
                 std::chrono::milliseconds& value, std::string& error);

} // namespace cli
