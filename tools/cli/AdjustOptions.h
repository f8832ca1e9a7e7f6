#pragma once
// The adjustment options of the commands that convert logos (download, preview,
// nv store): --trim, --rotate, --fit or --scale, --brightness, --contrast, --gamma and
// --invert, applied to every file the command converts.
#include <string>
#include <vector>

#include "logo/Adjustments.h"
#include "tools/cli/Options.h"

namespace cli {

// The options' definitions, to add to a command's own.
const std::vector<OptionDef>& AdjustOptionDefs();

// The options' lines of a command's help.
extern const char* const kAdjustUsage;

// Takes the options from parsed into adjust (left as it is when none is given).
// Returns "" or the message of a usage error.
std::string ReadAdjustOptions(const ParsedOptions& parsed, Adjustments& adjust);

} // namespace cli
