// nivora-cli download: the NV bit image download of logo files given on the command
// line, to a printer port as the window's Download button sends it, or to a file as
// the window's "Print To File" writes it.
#include <csignal>
#include <functional>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "download/DownloadRun.h"
#include "download/DownloadWalk.h"
#include "download/NvDownload.h"
#include "logo/LogoLoader.h"
#include "platform/MessageBox.h"
#include "platform/Wait.h"
#include "printer/ByteSink.h"
#include "printer/PortNames.h"
#include "printer/PrinterPort.h"
#include "tools/cli/CliMessageBox.h"
#include "tools/cli/Command.h"
#include "tools/cli/HalftoneOption.h"
#include "tools/cli/OutputFile.h"
#include "tools/cli/Options.h"
#include "tools/cli/PortOptions.h"

namespace {

const std::string kUsage =
    std::string("Usage: nivora-cli download -p PORT [SERIAL OPTIONS] [-t N] [-w DOTS] [-c LIST] [IMAGE ...]\n"
                "       nivora-cli download -o OUT [-t N] [-w DOTS] [-c LIST] [IMAGE ...]\n"
                "\n"
                "Stores the logo files (BMP, PNG, JPEG or GIF) in the NV graphics memory of the\n"
                "printer on PORT, exactly as the window's Download button does: GS I 1 and a wait\n"
                "of up to 500 ms for the answer, ESC @ (not on LPT), FS q n, a pause of 3.5 s\n"
                "while the printer erases its images, then one image record per file, its raster\n"
                "in pieces of 512 bytes with a pause of 10 ms after each. The files become NV\n"
                "images 1, 2, ... in the order given. Without files every NV image in the printer\n"
                "is deleted (1C 71 01 00 00 00 00).\n"
                "Ctrl-C stops between two images and completes the definitions the printer is owed\n"
                "with empty ones; a second Ctrl-C ends at once.\n"
                "\n"
                "With -o the same bytes (without GS I 1 and ESC @, and without pauses) go to the file\n"
                "OUT, as the window writes them to an output file.\n"
                "\n"
                "Options:\n") +
    cli::kPortOptionsUsage +
    "  -o, --output OUT        file to write; '-' for standard output. OUT is replaced only\n"
    "                          when the whole stream was made.\n"
    "  -t, --threshold N       black/white diverging point 0..255 (default 128): a\n"
    "                          16-, 24- or 32-bit pixel prints when its grey is below N,\n"
    "                          an 8-bit pixel when 255 - its palette index is N or more\n"
    "                          (classic BMP rules; other files and modes by grey).\n"
    "  -w, --max-width DOTS    maximum printable width 1..512 (default 512); centred\n"
    "                          images are centred within it.\n"
    "  -c, --center LIST       centre these images: comma-separated 1-based positions\n"
    "                          of the file arguments, e.g. -c 1,3 (may be repeated).\n"
    "  -v, --verbose           list each image as it is sent or written.\n" +
    std::string(cli::kHalftoneUsage) +
    "  -h, --help              show this help.\n"
    "\n"
    "The files are checked as the window checks them when they are added: at most 255\n"
    "files, 384 KByte of NV data in all, bit depths up to 32, readable pictures; and one\n"
    "image's raster (centring included) must fit 147456 bytes and at most 8184 x 2304\n"
    "dots. A refused file is named on standard error with the program's message and\n"
    "the reason (\"not a BMP, PNG, JPEG or GIF file\", \"truncated PNG\", ...), and\n"
    "nothing is sent.\n"
    "\n"
    "Messages of a download are the window's, on standard error.\n"
    "\n"
    "Exit status: 0 done, 1 a file was refused, the port could not be opened or a write\n"
    "failed, 2 wrong usage, 130 stopped by Ctrl-C.\n";

const std::vector<cli::OptionDef> kOptions = {
    {'o', "output", true}, {'t', "threshold", true}, {'w', "max-width", true},
    {'c', "center", true}, {'v', "verbose", false},  cli::kHalftoneOption,
};

constexpr int kExitInterrupted = 130;

struct DownloadOptions {
    std::string output;
    cli::PortOptions port;
    bool portSettings = false; // a serial option was given
    int threshold = 128;
    int maxWidth = 512;
    std::vector<int> centred; // 1-based argument positions
    std::vector<std::string> files;
    bool verbose = false;
    HalftoneMode halftone = HalftoneMode::Classic;
};

// Takes the port options out of args; the rest is left for the command's own options.
// Returns the exit status of a usage error, or -1.
int TakePortOptions(const std::vector<std::string>& args, DownloadOptions& options,
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
int ReadOptions(const std::vector<std::string>& args, DownloadOptions& options)
{
    std::vector<std::string> rest;
    if (const int usage = TakePortOptions(args, options, rest); usage >= 0)
        return usage;
    cli::ParsedOptions parsed;
    std::string error;
    if (!cli::ParseOptions(rest, kOptions, parsed, error))
        return cli::UsageError("download", error);
    const bool toFile = parsed.Has("output");
    const bool toPort = !options.port.port.empty();
    if (toFile == toPort)
        return cli::UsageError("download",
                               toFile ? "give either -o OUT or -p PORT, not both"
                                      : "the port or the output file is missing (-p PORT or -o OUT)");
    if (toFile && parsed.Get("output").empty())
        return cli::UsageError("download", "the output file is missing (-o OUT)");
    if (toFile && options.portSettings)
        return cli::UsageError("download", "the serial options go with -p PORT");
    if (options.port.port == printer::kFileDevice)
        return cli::UsageError("download", "to write a file, use -o OUT");
    options.output = parsed.Get("output");
    options.files = parsed.positional;
    options.verbose = parsed.Has("verbose");
    if (const std::string bad = cli::ReadHalftoneOption(parsed, options.halftone); !bad.empty())
        return cli::UsageError("download", bad);
    if (parsed.Has("threshold") && !cli::ParseNumber(parsed.Get("threshold"), 0, 255, options.threshold))
        return cli::UsageError("download", "the threshold must be a number from 0 to 255");
    if (parsed.Has("max-width") && !cli::ParseNumber(parsed.Get("max-width"), 1, 512, options.maxWidth))
        return cli::UsageError("download", "the maximum width must be a number from 1 to 512");
    for (const std::string& list : parsed.GetAll("center")) {
        const int count = static_cast<int>(options.files.size());
        if (!cli::ParseNumberList(list, 1, count, options.centred))
            return cli::UsageError("download", "-c takes positions of the file arguments from 1 to " +
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
        const int before = loader.Lists().LogoCount();
        // "Out of memory" lists nothing but still answers true: count the rows instead.
        if (!loader.AddFile(0, path) || loader.Lists().LogoCount() != before + 1) {
            if (!loader.m_strFailReason.empty())
                std::fprintf(stderr, "nivora-cli: %s: %s\n", path.c_str(), loader.m_strFailReason.c_str());
            else if (boxes.Shown() == 0)
                std::fprintf(stderr, "nivora-cli: %s: refused\n", path.c_str());
            return false;
        }
    }
    boxes.SetSubject("");
    return true;
}

std::string DescribeImage(int number, const NvLogoJob& job, const CNvImage& sent)
{
    return "NV image " + std::to_string(number) + ": " + std::to_string(sent.m_nWidth) + " x " +
           std::to_string(sent.m_nHeight) + " dots, " + std::to_string(sent.m_nLength) + " bytes, " +
           job.path;
}

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int)
{
    g_interrupted = 1;
}

// While a download runs, the first Ctrl-C asks it to stop between two images (the
// handler then reverts to the default, so a second one ends the program).
class InterruptToStop {
public:
    InterruptToStop()
    {
        g_interrupted = 0;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(SIGINT, &action, &m_previous);
    }
    ~InterruptToStop() { sigaction(SIGINT, &m_previous, nullptr); }
    InterruptToStop(const InterruptToStop&) = delete;
    InterruptToStop& operator=(const InterruptToStop&) = delete;

private:
    struct sigaction m_previous {};
};

// The command line's pacing of the download driver: bytes to a sink, pauses through
// platform::Sleep (none for an output file), and a note of every image sent.
class CliDownload final : public CDownloadWalk {
public:
    CliDownload(const LogoListRecord& lists, const DownloadOptions& options, ByteSink& sink, bool withPauses)
        : CDownloadWalk(DownloadJobs(lists, BuildDownloadOrder(lists)), options.threshold, options.maxWidth,
                        options.halftone),
          m_sink(sink), m_bPauses(withPauses)
    {
    }

    std::vector<std::string> m_sent; // one description per image sent
    std::function<void(const std::string&)> m_onSent;

protected:
    bool WriteBuffer(const uint8_t* buffer, uint32_t length) override
    {
        return m_sink.WriteBuffer(buffer, length);
    }
    void Pause(int ms) override
    {
        if (m_bPauses)
            platform::Sleep(ms);
    }
    void OnImageSent(const CNvImage& image) override
    {
        m_sent.push_back(DescribeImage(m_nDefined, *Current(), image));
        if (m_onSent)
            m_onSent(m_sent.back());
    }

private:
    ByteSink& m_sink;
    bool m_bPauses;
};

int WriteToFile(const LogoListRecord& lists, const DownloadOptions& options)
{
    MemorySink sink;
    if (lists.LogoCount() == 0)
        SendDeleteAll(sink);
    CliDownload download(lists, options, sink, false);
    if (lists.LogoCount() > 0)
        download.RunToEnd();
    // The files were read a moment ago; one that fails now changed under our feet.
    // An output file is not a printer that has already erased its memory: write none.
    for (const int row : download.m_arrEmptyRows)
        std::fprintf(stderr,
                     "nivora-cli: %s: could not be read again while the stream was made; %s not written\n",
                     lists.m_arrPath[static_cast<size_t>(row)].c_str(), options.output.c_str());
    if (!download.m_arrEmptyRows.empty())
        return cli::kExitFailed;

    std::string error;
    if (!cli::WriteFileAtomically(options.output, sink.bytes, error)) {
        std::fprintf(stderr, "nivora-cli: %s\n", error.c_str());
        return cli::kExitFailed;
    }
    if (options.verbose)
        for (const std::string& line : download.m_sent)
            std::fprintf(options.output == "-" ? stderr : stdout, "%s\n", line.c_str());
    return cli::kExitOk;
}

// The images of the list on the open port, then what a completed or stopped run owes.
int SendListed(const LogoListRecord& lists, CPrinterPort& port, const DownloadOptions& options)
{
    const int count = lists.LogoCount();
    CliDownload download(lists, options, port, true);
    if (options.verbose)
        download.m_onSent = [](const std::string& line) {
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
        };
    InterruptToStop interrupt;
    if (!download.RunToEnd([] { return g_interrupted != 0; }))
        return cli::kExitFailed;
    const std::string empty = EmptyDefinitionsText(lists, download.m_arrEmptyRows);
    if (download.m_bStop) {
        const bool completed = download.CompleteStopped(0);
        std::fprintf(stderr, "nivora-cli: stopped after %d of %d images; the rest %s empty definitions\n",
                     download.m_nDefined, count,
                     completed ? "were completed with" : "could not all be completed with");
        if (!empty.empty())
            platform::AfxMessageBox(empty, platform::MB_ICONEXCLAMATION);
        return kExitInterrupted;
    }
    ReportDownloadComplete();
    if (!empty.empty()) {
        platform::AfxMessageBox(empty, platform::MB_ICONEXCLAMATION);
        return cli::kExitFailed;
    }
    return cli::kExitOk;
}

int SendToPort(const LogoListRecord& lists, const DownloadOptions& options, cli::CliMessageBox& boxes)
{
    const cli::PortOptions& port = options.port;
    printer::PortRecord settings;
    settings.m_nPortType = printer::LptNumber(port.port) != 0 ? 1 : 0;
    settings.m_strPortDevice = port.port;
    settings.m_dwBaudRate = port.baud;
    settings.m_byByteSize = port.byteSize;
    settings.m_byParity = port.parity;
    settings.m_byStopBits = port.stopBits;
    settings.m_nHandshake = port.handshake;

    CPrinterPort printerPort(printer::kDownloadVariant);
    const bool listed = lists.LogoCount() > 0;
    boxes.SetSubject(cli::DescribePort(port.port));
    bool opened = false;
    int status = cli::kExitFailed;
    if (OpenDownloadPort(printerPort, settings,
                         listed ? OpenFailureMessage::Numbered : OpenFailureMessage::Plain, opened)) {
        if (listed)
            status = SendListed(lists, printerPort, options);
        else if (SendDeleteAll(printerPort))
            status = cli::kExitOk;
    }
    if (opened)
        printerPort.ClosePort();
    boxes.SetSubject("");
    return status;
}

int RunDownload(const std::vector<std::string>& args)
{
    DownloadOptions options;
    if (const int usage = ReadOptions(args, options); usage >= 0)
        return usage;

    cli::CliMessageBox boxes;
    LogoListRecord lists;
    CLogoLoader loader(lists);
    if (!ListFiles(options, loader, boxes))
        return cli::kExitFailed;
    for (const int position : options.centred)
        lists.m_arrAutoCenter[static_cast<size_t>(position - 1)] = 1;
    if (!CheckListedLogos(lists, options.maxWidth))
        return cli::kExitFailed;
    return options.output.empty() ? SendToPort(lists, options, boxes) : WriteToFile(lists, options);
}

} // namespace

NIVORA_CLI_COMMAND(download,
                   cli::Command{"download",
                                "store logo files in a printer's NV memory, or write that stream to a file",
                                kUsage, RunDownload});
