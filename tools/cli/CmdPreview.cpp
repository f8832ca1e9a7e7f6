// nivora-cli preview: the dots the printer will print for one logo file, as a PNG
// picture, converted exactly as a download converts it and scaled as FS p prints it.
#include <cstdio>
#include <string>
#include <vector>

#include "download/PrintedDots.h"
#include "download/StreamDecoder.h"
#include "logo/PngWrite.h"
#include "tools/cli/AdjustOptions.h"
#include "tools/cli/Command.h"
#include "tools/cli/HalftoneOption.h"
#include "tools/cli/Options.h"

namespace {

const std::string kUsage =
    std::string("Usage: nivora-cli preview [-t N] [-w DOTS] [-c] [--halftone MODE] [-m MODE] [ADJUSTMENTS]\n"
                "                          IMAGE -o OUT.png\n"
                "\n"
                "Writes the dots the printer will print for the logo file IMAGE (BMP, PNG, JPEG or\n"
                "GIF) as a PNG picture, black dots on white, one pixel per dot: the file is\n"
                "converted as a download converts it (adjustments, threshold, halftone, width and\n"
                "centring, the white rounding margins included) and scaled as the print mode\n"
                "prints it.\n"
                "\n"
                "Options:\n"
                "  -o, --output OUT.png    the picture to write (required).\n"
                "  -t, --threshold N       black/white diverging point 0..255 (default 128).\n"
                "  -w, --max-width DOTS    maximum printable width 1..576 (default 512).\n"
                "  -c, --center            centre the logo within the maximum width.\n") +
    cli::kHalftoneUsage +
    "  -m, --mode MODE         normal, double-width, double-height or quadruple\n"
    "                          (0..3, default normal), as nivora-cli print takes it.\n"
    "Adjustments:\n" +
    std::string(cli::kAdjustUsage) +
    "  -h, --help              show this help.\n"
    "\n"
    "Exit status: 0 written, 1 the file does not convert or OUT cannot be written,\n"
    "2 wrong usage.\n";

const std::vector<cli::OptionDef> kOptions = [] {
    std::vector<cli::OptionDef> options = {
        {'o', "output", true},  {'t', "threshold", true}, {'w', "max-width", true},
        {'c', "center", false}, {'m', "mode", true},      cli::kHalftoneOption,
    };
    options.insert(options.end(), cli::AdjustOptionDefs().begin(), cli::AdjustOptionDefs().end());
    return options;
}();

struct PreviewOptions {
    NvConversion conversion;
    int mode = 0;
    std::string image;
    std::string output;
};

// Returns the exit status of a usage error, or -1 when the options are good.
int ReadOptions(const std::vector<std::string>& args, PreviewOptions& options)
{
    cli::ParsedOptions parsed;
    std::string error;
    if (!cli::ParseOptions(args, kOptions, parsed, error))
        return cli::UsageError("preview", error);
    if (parsed.positional.size() != 1)
        return cli::UsageError("preview", parsed.positional.empty() ? "the image file is missing"
                                                                    : "give one image file");
    if (parsed.Get("output").empty())
        return cli::UsageError("preview", "the output picture is missing (-o OUT.png)");
    options.image = parsed.positional.front();
    options.output = parsed.Get("output");
    NvConversion& conversion = options.conversion;
    conversion.centre = parsed.Has("center");
    if (parsed.Has("threshold") && !cli::ParseNumber(parsed.Get("threshold"), 0, 255, conversion.threshold))
        return cli::UsageError("preview", "the threshold must be a number from 0 to 255");
    if (parsed.Has("max-width") &&
        !cli::ParseNumber(parsed.Get("max-width"), 1, kMaxPrintableWidth, conversion.maxPrintWidth))
        return cli::UsageError("preview", "the maximum width must be a number from 1 to " +
                                              std::to_string(kMaxPrintableWidth));
    if (const std::string bad = cli::ReadAdjustOptions(parsed, conversion.adjust); !bad.empty())
        return cli::UsageError("preview", bad);
    if (const std::string bad = cli::ReadHalftoneOption(parsed, conversion.halftone); !bad.empty())
        return cli::UsageError("preview", bad);
    if (parsed.Has("mode") && !cli::ParsePrintMode(parsed.Get("mode"), options.mode))
        return cli::UsageError("preview",
                               "-m needs normal, double-width, double-height or quadruple (0..3), not '" +
                                   parsed.Get("mode") + "'");
    return -1;
}

int RunPreview(const std::vector<std::string>& args)
{
    PreviewOptions options;
    if (const int usage = ReadOptions(args, options); usage >= 0)
        return usage;
    DotImage dots;
    std::string why;
    if (!ConvertToDots(options.image, options.conversion, dots, why)) {
        std::fprintf(stderr, "nivora-cli preview: %s: %s\n", options.image.c_str(), why.c_str());
        return cli::kExitFailed;
    }
    const DotImage printed = ScaleForPrint(dots, options.mode);
    std::vector<uint8_t> samples(printed.dots.size());
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = printed.dots[i] ? 0 : 255;
    if (!WritePng(options.output, {printed.width, printed.height, PngColour::Grey, samples}, why)) {
        std::fprintf(stderr, "nivora-cli preview: %s\n", why.c_str());
        return cli::kExitFailed;
    }
    return cli::kExitOk;
}

} // namespace

NIVORA_CLI_COMMAND(preview,
                   cli::Command{"preview", "write the dots the printer will print for a logo as a PNG",
                                kUsage, RunPreview});
