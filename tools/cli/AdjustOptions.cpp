#include "tools/cli/AdjustOptions.h"

namespace cli {

const std::vector<OptionDef>& AdjustOptionDefs()
{
    static const std::vector<OptionDef> kDefs = {
        {0, "trim", false},      {0, "rotate", true},   {0, "fit", false},  {0, "scale", true},
        {0, "brightness", true}, {0, "contrast", true}, {0, "gamma", true}, {0, "invert", false},
    };
    return kDefs;
}

const char* const kAdjustUsage =
    "      --trim              cut the white borders off (grey 250 and lighter).\n"
    "      --rotate DEGREES    turn clockwise by 0, 90, 180 or 270 degrees.\n"
    "      --fit               shrink a logo wider than the maximum width to it\n"
    "                          (never enlarges), keeping its proportions.\n"
    "      --scale PERCENT     scale by 10..400 %; shrinking averages the pixels,\n"
    "                          enlarging repeats them. Not with --fit.\n"
    "      --brightness N      -100..100 (default 0).\n"
    "      --contrast N        -100..100 (default 0).\n"
    "      --gamma G           0.2..5.0 (default 1.0); above 1 lightens the mid-greys.\n"
    "      --invert            swap black and white.\n"
    "                          The adjustments are made in this order, on the grey of\n"
    "                          the picture, before its dots; a scaled logo is at most\n"
    "                          2304 dots high.\n";

std::string ReadAdjustOptions(const ParsedOptions& parsed, Adjustments& adjust)
{
    if (parsed.Has("fit") && parsed.Has("scale"))
        return "give either --fit or --scale, not both";
    // Each option is named as the word the profile keeps for it: the words make the
    // text that Adjustments reads, so that both read alike.
    std::string text;
    for (const OptionDef& option : AdjustOptionDefs()) {
        if (!parsed.Has(option.longName))
            continue;
        const std::string value = parsed.Get(option.longName);
        const std::string word = option.takesValue ? option.longName + "=" + value : option.longName;
        if (word.find_first_of(" \t\n\r\v\f") != std::string::npos || !Adjustments::Parse(word))
            return "--" + option.longName + " takes " + AdjustmentValues(option.longName) + ", not '" +
                   value + "'";
        text += word + " ";
    }
    if (!text.empty())
        adjust = *Adjustments::Parse(text);
    return "";
}

} // namespace cli
