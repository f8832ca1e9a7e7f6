// nivora-cli download: the NV bit image download of logo files given on the command
// line, to a printer port as the window's Download button sends it, or to a file as
// the window's "Print To File" writes it.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "download/NvDownload.h"
#include "logo/LogoLoader.h"
#include "platform/Context.h"
#include "platform/Messages.h"
#include "printer/PortNames.h"
#include "tools/cli/AdjustOptions.h"
#include "tools/cli/DownloadRuns.h"
#include "tools/cli/Command.h"
#include "tools/cli/Fleet.h"
#include "tools/cli/HalftoneOption.h"
#include "tools/cli/Options.h"
#include "tools/cli/PortOptions.h"
#include "tools/cli/Printable.h"
#include "tools/cli/RunLines.h"
#include "tools/cli/Signals.h"

namespace {

const std::string kUsage =
    std::string(
        "Usage: nivora-cli download -p PORT [SERIAL OPTIONS] [-t N] [-w DOTS] [-c LIST] [ADJUSTMENTS]\n"
        "                           IMAGE ...\n"
        "       nivora-cli download -p PORT [SERIAL OPTIONS] --erase-all\n"
        "       nivora-cli download -o OUT [-t N] [-w DOTS] [-c LIST] [ADJUSTMENTS] [IMAGE ...]\n"
        "\n"
        "Stores the logo files (BMP, PNG, JPEG or GIF) in the NV graphics memory of the\n"
        "printer on PORT, exactly as the window's Download button does: GS I 1 and a wait\n"
        "of up to 500 ms for the answer, ESC @ (not on LPT), FS q n, a pause of 3.5 s\n"
        "while the printer erases its images, then one image record per file, its raster\n"
        "in pieces of 512 bytes with a pause of 10 ms after each. The files become NV\n"
        "images 1, 2, ... in the order given. With --erase-all instead of files every NV\n"
        "image in the printer is deleted (1C 71 01 00 00 00 00).\n"
        "Ctrl-C stops between two images and completes the definitions the printer is owed\n"
        "with empty ones; while the printer takes nothing it stops at once; a second Ctrl-C\n"
        "ends at once. The port is released on every way out (SIGTERM and SIGHUP too).\n"
        "\n"
        "With -o the same bytes (without GS I 1 and ESC @, and without pauses) go to the file\n"
        "OUT, as the window writes them to an output file.\n"
        "\n"
        "Options:\n") +
    cli::kPortOptionsUsage + cli::kFleetUsage +
    "  -o, --output OUT        file to write; '-' for standard output. OUT is replaced only\n"
    "                          when the whole stream was made.\n"
    "  -t, --threshold N       black/white diverging point 0..255 (default 128): a\n"
    "                          16-, 24- or 32-bit pixel prints when its grey is below N,\n"
    "                          an 8-bit pixel when 255 - its palette index is N or more\n"
    "                          (classic BMP rules; other files and modes by grey).\n"
    "  -w, --max-width DOTS    maximum printable width 1..576 (default 512); centred\n"
    "                          images are centred within it, --fit shrinks to it.\n"
    "  -c, --center LIST       centre these images: comma-separated 1-based positions\n"
    "                          of the file arguments, e.g. -c 1,3 (may be repeated).\n"
    "  --erase-all             with -p and no files: delete every NV image in the\n"
    "                          printer. Without it, -p refuses to run without files.\n"
    "  -q, --quiet             no progress line (shown on standard error when it is a\n"
    "                          terminal and -v is not given: image i of n, bytes, time).\n"
    "  -v, --verbose           list each image as it is sent or written.\n"
    "  --ask-state             ask the printer's state (DLE EOT 1 to 4) before anything is\n"
    "                          sent, and send nothing when it is out of paper, its cover is\n"
    "                          open or it reports an error (the default on a network printer)\n"
    "  --no-ask-state          do not ask it (the default on a serial or LPT port, whose\n"
    "                          wire then carries the window's bytes exactly)\n" +
    std::string(cli::kHalftoneUsage) + "Adjustments, made to every file:\n" + cli::kAdjustUsage +
    "  -h, --help              show this help.\n"
    "\n"
    "The files are checked as the window checks them when they are added: at most 255\n"
    "files, 384 KByte of NV data in all, bit depths up to 32, readable pictures; and one\n"
    "image's raster (adjusted, centring included) must fit 147456 bytes (512 x 2304\n"
    "dots; up to 165888 with -w 576) and at most 8184 x 2304 dots. Every refused file\n"
    "is named on standard error with the reason (\"not a BMP, PNG, JPEG or GIF file\",\n"
    "\"truncated PNG\", ...), and "
    "nothing is sent.\n"
    "\n"
    "Messages of a download are the window's, on standard error.\n"
    "\n"
    "A network printer is asked its state before anything else (see --ask-state), and its\n"
    "run is done only when the printer has acknowledged every byte.\n"
    "\n"
    "Exit status: 0 done (on every printer), 1 a file was refused, a port could not be\n"
    "opened or a write failed, 2 wrong usage, 130 stopped by Ctrl-C.\n";

const std::vector<cli::OptionDef> kOptions = [] {
    std::vector<cli::OptionDef> options = {
        {'o', "output", true},   {'t', "threshold", true},   {'w', "max-width", true}, {'c', "center", true},
        {'v', "verbose", false}, {0, "erase-all", false},    {'q', "quiet", false},    cli::kHalftoneOption,
        {0, "ask-state", false}, {0, "no-ask-state", false},
    };
    options.insert(options.end(), cli::FleetOptionDefs().begin(), cli::FleetOptionDefs().end());
    options.insert(options.end(), cli::AdjustOptionDefs().begin(), cli::AdjustOptionDefs().end());
    return options;
}();

// Takes the port options out of args; the rest is left for the command's own options.
// Returns the exit status of a usage error, or -1.
int TakePortOptions(const std::vector<std::string>& args, cli::DownloadOptions& options,
                    std::vector<std::string>& rest)
{
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--") {
            rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
            break;
        }
        std::string error;
        const bool isPort = args[i] == "-p" || args[i].rfind("--port", 0) == 0;
        switch (cli::TakePortOption(args, i, options.port, error)) {
        case cli::OptionResult::Taken:
            options.portSettings = options.portSettings || !isPort;
            if (isPort)
                options.fleet.ports.push_back(options.port.port);
            continue;
        case cli::OptionResult::Error:
            return cli::UsageError("download", error);
        case cli::OptionResult::NotMine:
            rest.push_back(args[i]);
            break;
        }
    }
    return -1;
}

// Returns the exit status of a usage error, or -1 when the options are good.
int ReadOptions(const std::vector<std::string>& args, cli::DownloadOptions& options)
{
    std::vector<std::string> rest;
    if (const int usage = TakePortOptions(args, options, rest); usage >= 0)
        return usage;
    cli::ParsedOptions parsed;
    std::string error;
    if (!cli::ParseOptions(rest, kOptions, parsed, error))
        return cli::UsageError("download", error);
    if (const std::string fleetError = cli::ReadFleetOptions(parsed, options.fleet); !fleetError.empty())
        return cli::UsageError("download", fleetError);
    if (options.fleet.ports.size() == 1)
        options.port.port = options.fleet.ports.front();
    const bool toFile = parsed.Has("output");
    const bool toPort = !options.fleet.ports.empty();
    if (toFile == toPort)
        return cli::UsageError("download",
                               toFile ? "give either -o OUT or -p PORT, not both"
                                      : "the port or the output file is missing (-p PORT or -o OUT)");
    if (toFile && parsed.Get("output").empty())
        return cli::UsageError("download", "the output file is missing (-o OUT)");
    if (toFile && options.portSettings)
        return cli::UsageError("download", "the serial options go with -p PORT");
    if (std::count(options.fleet.ports.begin(), options.fleet.ports.end(), printer::kFileDevice) != 0)
        return cli::UsageError("download", "to write a file, use -o OUT");
    options.output = parsed.Get("output");
    options.files = parsed.positional;
    options.verbose = parsed.Has("verbose");
    options.eraseAll = parsed.Has("erase-all");
    options.quiet = parsed.Has("quiet");
    // An empty file list in a script must not wipe a printer.
    if (toPort && options.files.empty() && !options.eraseAll)
        return cli::UsageError("download", "no images given; to delete every image stored in the printer, "
                                           "give --erase-all");
    if (options.eraseAll && (!toPort || !options.files.empty()))
        return cli::UsageError("download", "--erase-all goes with -p PORT and no images");
    if (const std::string bad = cli::ReadHalftoneOption(parsed, options.halftone); !bad.empty())
        return cli::UsageError("download", bad);
    if (parsed.Has("ask-state") && parsed.Has("no-ask-state"))
        return cli::UsageError("download", "give either --ask-state or --no-ask-state");
    if (parsed.Has("ask-state") || parsed.Has("no-ask-state"))
        options.askState = parsed.Has("ask-state") ? printer::AskState::Always : printer::AskState::Never;
    if (parsed.Has("threshold") && !cli::ParseNumber(parsed.Get("threshold"), 0, 255, options.threshold))
        return cli::UsageError("download", "the threshold must be a number from 0 to 255");
    if (parsed.Has("max-width") &&
        !cli::ParseNumber(parsed.Get("max-width"), 1, kMaxPrintableWidth, options.maxWidth))
        return cli::UsageError("download", "the maximum width must be a number from 1 to " +
                                               std::to_string(kMaxPrintableWidth));
    if (const std::string bad = cli::ReadAdjustOptions(parsed, options.adjust); !bad.empty())
        return cli::UsageError("download", bad);
    for (const std::string& list : parsed.GetAll("center")) {
        const int count = static_cast<int>(options.files.size());
        if (!cli::ParseNumberList(list, 1, count, options.centred))
            return cli::UsageError("download", "-c takes positions of the file arguments from 1 to " +
                                                   std::to_string(count) + ", separated by commas: '" + list +
                                                   "'");
    }
    return -1;
}

// Lists the files as the window's Open File does, adjusted, each refused file named
// with its reason; false when any was refused.
bool ListFiles(const cli::DownloadOptions& options, CLogoLoader& loader)
{
    const NvConversion settings = cli::ConversionOf(options);
    loader.SetPrintableWidth(options.maxWidth);
    loader.SetAdjustedSizeFn([settings](const std::string& path, const Adjustments& adjust, int32_t& width,
                                        int32_t& height, std::string& why) {
        NvConversion conversion = settings;
        conversion.adjust = adjust;
        return AdjustedPictureSize(path, conversion, width, height, why);
    });
    bool listed = true;
    for (const std::string& path : options.files) {
        const AddResult added = loader.AddFile(0, path, options.adjust);
        if (added.outcome == AddOutcome::ListFull) {
            std::fprintf(stderr, "nivora-cli: %s: %s\n", cli::Printable(path).c_str(), msg::kTooManyFiles);
            return false;
        }
        if (!added.Added()) {
            std::fprintf(stderr, "nivora-cli: %s: %s\n", cli::Printable(path).c_str(),
                         cli::Printable(added.reason).c_str());
            listed = false;
        }
    }
    return listed;
}

int RunDownload(const platform::Context& context, const std::vector<std::string>& args)
{
    cli::DownloadOptions options;
    if (const int usage = ReadOptions(args, options); usage >= 0)
        return usage;

    LogoList list;
    CLogoLoader loader(list);
    if (!ListFiles(options, loader))
        return cli::kExitFailed;
    for (const int position : options.centred)
        list.SetCentre(position - 1, true);
    if (const std::string refusal = ListedLogoRefusal(DownloadJobs(list), cli::ConversionOf(options));
        !refusal.empty()) {
        cli::PrintRunMessages({{refusal, 0}}, "");
        return cli::kExitFailed;
    }
    if (!options.output.empty())
        return cli::WriteToFile(list, options);
    cli::StopOnInterrupt interrupt;
    options.observer = &interrupt;
    if (options.fleet.ports.size() > 1) {
        cli::DownloadOptions quiet = options; // lines of many printers would interleave
        quiet.verbose = false;
        quiet.quiet = true;
        quiet.oneOfMany = true;
        return cli::RunOnPrinters(
            options.fleet,
            [&](const std::string& target, std::string& reason) {
                return cli::Fleet::ResultOf(cli::SendToPort(context, list, quiet, target, reason));
            },
            [] { return cli::StopOnInterrupt::Requested(); });
    }
    std::string reason;
    return cli::SendToPort(context, list, options, options.port.port, reason);
}

} // namespace

NIVORA_CLI_COMMAND(download,
                   cli::Command{"download",
                                "store logo files in a printer's NV memory, or write that stream to a file",
                                kUsage, nullptr, RunDownload});
