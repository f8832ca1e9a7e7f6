#include "tools/cli/HalftoneOption.h"

namespace cli {

const char* const kHalftoneUsage =
    "      --halftone MODE     how colours become dots (default classic):\n"
    "                          classic          BMP files by the printer's historic\n"
    "                                           rules, other files as colour\n"
    "                          colour           a dot where the grey is below N\n"
    "                          floyd-steinberg  error diffusion (Floyd-Steinberg)\n"
    "                          atkinson         error diffusion (Atkinson)\n";

std::string ReadHalftoneOption(const ParsedOptions& parsed, HalftoneMode& mode)
{
    if (!parsed.Has("halftone"))
        return {};
    const std::string name = parsed.Get("halftone");
    if (ParseHalftoneOption(name, mode))
        return {};
    std::string names;
    for (const HalftoneMode each : kHalftoneModes)
        names += std::string(names.empty() ? "" : ", ") + HalftoneOptionName(each);
    return "--halftone takes one of " + names + ", not '" + name + "'";
}

} // namespace cli
