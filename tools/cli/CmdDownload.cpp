// nivora-cli download: the byte stream of a download, as the window's "Print To File"
// writes it, from BMP files given on the command line.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/SharedRecord.h"
#include "download/NvDownload.h"
#include "download/NvImage.h"
#include "download/NvStream.h"
#include "logo/LogoLoader.h"
#include "printer/ByteSink.h"
#include "tools/cli/CliMessageBox.h"
#include "tools/cli/Command.h"
#include "tools/cli/OutputFile.h"
#include "tools/cli/Options.h"

namespace {

const char* const kUsage =
    "Usage: nivora-cli download -o OUT [-t THRESHOLD] [-w MAXWIDTH] [-c LIST] [BMP ...]\n"
    "\n"
    "Writes the NV bit image download for the BMP files to OUT, byte for byte what the\n"
    "window's download writes to an output file: FS q n and one image record per file.\n"
    "The files become NV images 1, 2, ... in the order given. Without BMP files the\n"
    "stream deletes all NV images (1C 71 01 00 00 00 00). No pauses are written.\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT        file to write; '-' for standard output (required).\n"
    "                          OUT is replaced only when the whole stream was made.\n"
    "  -t, --threshold N       black/white diverging point 0..255 (default 128): a\n"
    "                          16-, 24- or 32-bit pixel prints when its grey is below N,\n"
    "                          an 8-bit pixel when 255 - its palette index is N or more.\n"
    "  -w, --max-width DOTS    maximum printable width 1..512 (default 512); centred\n"
    "                          images are centred within it.\n"
    "  -c, --center LIST       centre these images: comma-separated 1-based positions\n"
    "                          of the BMP arguments, e.g. -c 1,3 (may be repeated).\n"
    "  -v, --verbose           list each image written on standard output.\n"
    "  -h, --help              show this help.\n"
    "\n"
    "The files are checked as the window checks them when they are added: at most 255\n"
    "files, 384 KByte of NV data in all, bit depths up to 32, readable bitmaps; and one\n"
    "image's raster (centring included) must fit 147456 bytes. A refused file is named\n"
    "on standard error with the program's message.\n"
    "\n"
    "Exit status: 0 written, 1 a file was refused or OUT could not be written,\n"
    "2 wrong usage.\n";

const std::vector<cli::OptionSpec> kOptions = {
    {'o', "output", true}, {'t', "threshold", true}, {'w', "max-width", true},
    {'c', "center", true}, {'v', "verbose", false},
};

struct DownloadOptions {
    std::string output;
    int threshold = 128;
    int maxWidth = 512;
    std::vector<int> centred; // 1-based argument positions
    std::vector<std::string> files;
    bool verbose = false;
};

// Returns the exit status of a usage error, or -1 when the options are good.
int ReadOptions(const std::vector<std::string>& args, DownloadOptions& options)
{
    cli::ParsedOptions parsed;
    std::string error;
    if (!cli::ParseOptions(args, kOptions, parsed, error))
        return cli::UsageError("download", error);
    if (!parsed.Has("output") || parsed.Get("output").empty())
        return cli::UsageError("download", "the output file is missing (-o OUT)");
    options.output = parsed.Get("output");
    options.files = parsed.positional;
    options.verbose = parsed.Has("verbose");
    if (parsed.Has("threshold") && !cli::ParseNumber(parsed.Get("threshold"), 0, 255, options.threshold))
        return cli::UsageError("download", "the threshold must be a number from 0 to 255");
    if (parsed.Has("max-width") && !cli::ParseNumber(parsed.Get("max-width"), 1, 512, options.maxWidth))
        return cli::UsageError("download", "the maximum width must be a number from 1 to 512");
    for (const std::string& list : parsed.GetAll("center")) {
        const int count = static_cast<int>(options.files.size());
        if (!cli::ParseNumberList(list, 1, count, options.centred))
            return cli::UsageError("download", "-c takes positions of the BMP arguments from 1 to " +
                                                   std::to_string(count) + ", separated by commas: '" + list +
                                                   "'");
    }
    return -1;
}

// Lists the files as the window's loader does; false after the first refusal.
bool ListFiles(const DownloadOptions& options, CLogoLoader& loader, cli::CliMessageBox& boxes)
{
    for (const std::string& path : options.files) {
        boxes.SetSubject(path);
        loader.m_strFilePath = path;
        const int before = g_Shared.LogoCount();
        // "Out of memory" lists nothing but still answers true: count the rows instead.
        if (!loader.AddFile(0, path) || g_Shared.LogoCount() != before + 1) {
            if (boxes.Shown() == 0)
                std::fprintf(stderr, "nivora-cli: %s: refused\n", path.c_str());
            return false;
        }
    }
    boxes.SetSubject("");
    return true;
}

int RunDownload(const std::vector<std::string>& args)
{
    DownloadOptions options;
    if (const int usage = ReadOptions(args, options); usage >= 0)
        return usage;

    cli::CliMessageBox boxes;
    CLogoLoader loader;
    if (!ListFiles(options, loader, boxes))
        return cli::kExitFailed;
    g_Shared.m_nThreshold = options.threshold;
    g_Shared.m_nMaxPrintWidth = options.maxWidth;
    for (const int position : options.centred)
        g_Shared.m_arrAutoCenter[static_cast<size_t>(position - 1)] = 1;
    if (!CheckListedLogos())
        return cli::kExitFailed;

    MemorySink sink;
    NvStreamWriter writer(sink, false);
    auto image = std::make_unique<CNvImage>();
    std::vector<int> emptyRows;
    std::vector<std::string> written;
    WriteNvDownload(writer, *image, emptyRows, [&](int row, const CNvImage& sent) {
        written.push_back("NV image " + std::to_string(written.size() + 1) + ": " +
                          std::to_string(sent.m_nWidth) + " x " + std::to_string(sent.m_nHeight) + " dots, " +
                          std::to_string(sent.m_nLength) + " bytes, " +
                          g_Shared.m_arrPath[static_cast<size_t>(row)]);
    });
    // The files were read a moment ago; one that fails now changed under our feet.
    // An output file is not a printer that has already erased its memory: write none.
    for (const int row : emptyRows)
        std::fprintf(stderr,
                     "nivora-cli: %s: could not be read again while the stream was made; %s not written\n",
                     g_Shared.m_arrPath[static_cast<size_t>(row)].c_str(), options.output.c_str());
    if (!emptyRows.empty())
        return cli::kExitFailed;

    std::string error;
    if (!cli::WriteFileAtomically(options.output, sink.bytes, error)) {
        std::fprintf(stderr, "nivora-cli: %s\n", error.c_str());
        return cli::kExitFailed;
    }
    if (options.verbose)
        for (const std::string& line : written)
            std::fprintf(options.output == "-" ? stderr : stdout, "%s\n", line.c_str());
    return cli::kExitOk;
}

} // namespace

NIVORA_CLI_COMMAND(download,
                   cli::Command{"download", "write the NV image download stream for BMP files to a file",
                                kUsage, RunDownload});
