#pragma once
// --halftone MODE, shared by the commands that convert logos (download, preview).
#include <string>

#include "download/Halftone.h"
#include "tools/cli/Options.h"

namespace cli {

inline const OptionDef kHalftoneOption = {0, "halftone", true};

// The option's lines of a command's help.
extern const char* const kHalftoneUsage;

// Takes --halftone from parsed into mode (left alone when the option is absent).
// Returns "" or the message of a usage error.
std::string ReadHalftoneOption(const ParsedOptions& parsed, HalftoneMode& mode);

} // namespace cli
