// nivora-cli print: prints NV images the printer holds, by number, as the Print page
// does; or writes the print stream to a file to see what would be sent.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/Context.h"
#include "jobs/PrintJob.h"
#include "platform/Messages.h"
#include "print/PrintRange.h"
#include "print/PrintWalk.h"
#include "printer/ByteSink.h"
#include "printer/PortNames.h"
#include "tools/cli/Command.h"
#include "tools/cli/Fleet.h"
#include "tools/cli/Options.h"
#include "tools/cli/PortOptions.h"
#include "tools/cli/PortProblems.h"
#include "tools/cli/Printable.h"
#include "tools/cli/ProgressLine.h"
#include "tools/cli/RunLines.h"
#include "tools/cli/Signals.h"

namespace {

struct PrintOptions {
    cli::PortOptions port;
    std::string output;
    std::string range; // empty: All
    bool hasRange = false;
    int mode = 0;
    bool header = false;
    bool quiet = false;      // -q: no progress line
    cli::FleetOptions fleet; // every printer to serve
    bool oneOfMany = false;  // one printer of many: its own lines would interleave
    // Asked before every image; true stops the run there. Only runs on many printers
    // have one (Ctrl-C).
    bool (*stopRequested)() = nullptr;
    printer::WaitObserver* observer = nullptr; // hears when a printer stops taking data
    printer::AskState askState = printer::AskState::ByPort;
};

constexpr int kExitInterrupted = 130;

// The walk writing wherever the run goes.
class CliPrintWalk final : public CPrintWalk {
public:
    explicit CliPrintWalk(ByteSink& sink) : m_sink(sink) {}

protected:
    bool WriteBuffer(const uint8_t* buffer, uint32_t length) override
    {
        m_nBytes += length;
        return m_sink.WriteBuffer(buffer, length);
    }

public:
    size_t m_nBytes = 0; // written in this run

private:
    ByteSink& m_sink;
};

// The print stream into a file, put in place whole at the end.
class FileSink final : public ByteSink {
public:
    bool Open(const std::string& path, std::string& error) { return m_file.Open(path, error); }
    bool WriteBuffer(const uint8_t* data, uint32_t length) override { return m_file.Write({data, length}); }
    bool Commit(std::string& error) { return m_file.Commit(error); }

private:
    platform::OutputFile m_file;
};

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "nivora-cli print: %s\nRun 'nivora-cli print --help' for the options.\n",
                 message.c_str());
    return 2;
}

// "-o X", "--output X" or "--output=X"; i moves to the value.
bool TakeValue(const std::vector<std::string>& args, size_t& i, const char* shortName, const char* longName,
               std::string& value, std::string& error)
{
    const std::string& arg = args[i];
    const std::string prefix = std::string(longName) + "=";
    if (arg.compare(0, prefix.size(), prefix) == 0) {
        value = arg.substr(prefix.size());
        return true;
    }
    if (arg != shortName && arg != longName)
        return false;
    if (i + 1 >= args.size())
        error = std::string(arg) + " needs a value";
    else
        value = args[++i];
    return true;
}

// Empty when the arguments are fine, else the complaint.
std::string ParseArgs(const std::vector<std::string>& args, PrintOptions& options)
{
    for (size_t i = 0; i < args.size(); ++i) {
        std::string error, mode, value;
        const bool isPort = args[i] == "-p" || args[i].rfind("--port", 0) == 0;
        switch (cli::TakePortOption(args, i, options.port, error)) {
        case cli::OptionResult::Taken:
            if (isPort)
                options.fleet.ports.push_back(options.port.port);
            continue;
        case cli::OptionResult::Error:
            return error;
        case cli::OptionResult::NotMine:
            break;
        }
        if (args[i] == "--header") {
            options.header = true;
        } else if (args[i] == "--ask-state" || args[i] == "--no-ask-state") {
            const auto choice =
                args[i] == "--ask-state" ? printer::AskState::Always : printer::AskState::Never;
            if (options.askState != printer::AskState::ByPort && options.askState != choice)
                error = "give either --ask-state or --no-ask-state";
            options.askState = choice;
        } else if (args[i] == "-q" || args[i] == "--quiet") {
            options.quiet = true;
        } else if (TakeValue(args, i, "--printers", "--printers", value, error)) {
            if (error.empty())
                cli::ReadPrinterList(value, options.fleet.ports, error);
        } else if (TakeValue(args, i, "-j", "--jobs", value, error)) {
            if (error.empty() && !cli::ParseNumber(value, 1, 4096, options.fleet.jobs))
                error = "--jobs takes a number from 1 to 4096";
        } else if (TakeValue(args, i, "-o", "--output", options.output, error)) {
            if (error.empty() && options.output.empty())
                error = "-o needs a file name";
        } else if (TakeValue(args, i, "-r", "--range", options.range, error)) {
            options.hasRange = true;
        } else if (TakeValue(args, i, "-m", "--mode", mode, error)) {
            if (error.empty() && !cli::ParsePrintMode(mode, options.mode))
                error =
                    "-m needs normal, double-width, double-height or quadruple (0..3), not '" + mode + "'";
        } else {
            error = "unknown option '" + args[i] + "'";
        }
        if (!error.empty())
            return error;
    }
    if (options.fleet.ports.size() == 1)
        options.port.port = options.fleet.ports.front();
    if (options.output.empty() == options.fleet.ports.empty())
        return "name either -o OUT or -p PORT";
    if (std::count(options.fleet.ports.begin(), options.fleet.ports.end(), printer::kFileDevice) != 0)
        return "a file cannot be checked; use -o OUT to write the print stream to a file";
    return {};
}

// The print stream of a file: every image at once, no check, no pacing. Ends Finished
// or Failed (a write failed).
CPrintWalk::Tick WalkToFile(ByteSink& sink, const PrintOptions& options, const PrintList& list, int jobCount)
{
    CliPrintWalk walk(sink);
    walk.m_nRange = options.hasRange ? 1 : 0;
    walk.m_nQuality = options.mode;
    walk.m_nHeader = options.header ? 1 : 0;
    walk.StartWalk();
    CPrintWalk::Tick tick = CPrintWalk::Tick::Printed;
    while (tick == CPrintWalk::Tick::Printed)
        tick = walk.NextTick(list, jobCount);
    if (tick == CPrintWalk::Tick::Finished)
        std::printf("Printed %d image%s.\n", walk.m_nPrinted, walk.m_nPrinted == 1 ? "" : "s");
    return tick;
}

// What one printer's print tells as it goes: the progress line, the first "not taking
// data" of the run, and a warning about the paper.
class CliPrintObserver final : public jobs::RunObserver {
public:
    CliPrintObserver(const PrintOptions& options, std::string subject)
        : m_options(options), m_subject(std::move(subject)), m_progress(options.quiet)
    {
    }
    void Finish() { m_progress.Finish(); }
    void OnProgress(const jobs::RunProgress& progress) override
    {
        m_progress.Update(progress.done, progress.count, static_cast<size_t>(progress.done) * 4);
    }
    void OnNotTakingData(const printer::WaitReport& report) override
    {
        if (m_options.observer)
            m_options.observer->OnNotTakingData(report);
    }
    void OnWarning(const std::string& text) override
    {
        if (!m_options.oneOfMany)
            std::fprintf(stderr, "nivora-cli print: %s: warning: %s\n", m_subject.c_str(), text.c_str());
    }

private:
    const PrintOptions& m_options;
    std::string m_subject;
    cli::ProgressLine m_progress;
};

// The exit status of a print's end; reason says what besides the messages.
int Judge(const jobs::PrintEnd& end, std::string& reason)
{
    using Result = jobs::PrintEnd::Result;
    switch (end.result) {
    case Result::Finished:
        return 0;
    case Result::Stopped:
    case Result::GaveUp:
        reason = "after " + std::to_string(end.printed) + " of " + std::to_string(end.jobCount) + " images";
        return kExitInterrupted;
    case Result::NotStarted:
        if (end.start.Cancelled()) {
            reason = "before anything was printed";
            return kExitInterrupted;
        }
        if (end.start.result == jobs::RunStart::Result::Blocked)
            reason = "nothing was sent";
        else
            reason = cli::Printable(end.start.status.Describe());
        return 1;
    case Result::RangeRefused:
    case Result::WriteFailed:
    case Result::NotDelivered:
        if (!end.failure.Ok())
            reason = cli::Printable(end.failure.Describe());
        return 1;
    }
    return 1;
}

int PrintToPort(const platform::Context& base, const PrintOptions& options, const PrintList& list,
                int jobCount, const std::string& target, std::string& reason)
{
    if (const std::string why = cli::NotAPortReason(target); !why.empty()) {
        reason = why;
        if (!options.oneOfMany)
            std::fprintf(stderr, "nivora-cli print: %s\n", why.c_str());
        return 1;
    }
    const platform::Context context = cli::RunContext(base, options.port);
    jobs::PrintRequest request;
    request.start.port = cli::PortSettingsFor(options.port, target);
    request.start.askState = options.askState;
    request.range = options.hasRange ? 1 : 0;
    request.quality = options.mode;
    request.header = options.header;
    request.list = list;
    request.jobCount = jobCount;
    const std::string port = cli::DescribePort(context, target);
    CliPrintObserver observer(options, port);
    // Only runs on many printers stop on Ctrl-C; one printer ends with the program.
    static const printer::CancelToken never{false};
    const printer::CancelToken& cancel = options.stopRequested ? *cli::StopOnInterrupt::Token() : never;
    const jobs::PrintEnd end = jobs::RunPrint(context, request, cancel, &observer);
    observer.Finish();
    const int status = Judge(end, reason);
    const std::vector<jobs::RunMessage> messages = jobs::PrintMessages(end);
    if (options.oneOfMany) {
        reason = cli::WithMessages(reason, messages);
        return status;
    }
    cli::PrintRunMessages(messages, port);
    if (end.result == jobs::PrintEnd::Result::Finished)
        std::printf("Printed %d image%s.\n", end.printed, end.printed == 1 ? "" : "s");
    else if (end.result == jobs::PrintEnd::Result::NotStarted &&
             end.start.result == jobs::RunStart::Result::NotOpened && !end.start.Cancelled())
        cli::ReportOpenFailure(context, "print", target, end.start.status);
    else if (status != 0 && !reason.empty() && end.result != jobs::PrintEnd::Result::NotStarted)
        std::fprintf(stderr, "nivora-cli print: %s: %s\n", port.c_str(), reason.c_str());
    return status;
}

int PrintToFile(const PrintOptions& options, const PrintList& list, int jobCount)
{
    FileSink file;
    std::string error;
    if (!file.Open(options.output, error) ||
        WalkToFile(file, options, list, jobCount) != CPrintWalk::Tick::Finished || !file.Commit(error)) {
        if (!error.empty())
            std::fprintf(stderr, "nivora-cli print: cannot write %s\n", cli::Printable(error).c_str());
        return 1;
    }
    return 0;
}

int RunPrint(const platform::Context& context, const std::vector<std::string>& args)
{
    PrintOptions options;
    if (const std::string error = ParseArgs(args, options); !error.empty())
        return UsageError(error);
    PrintList list;
    int jobCount = kPrintAllCount;
    if (options.hasRange) {
        jobCount = 0;
        // Checked before anything is opened: a typing error costs no paper.
        if (!ParsePrintRangeText(options.range, list, jobCount)) {
            std::fprintf(stderr,
                         "nivora-cli print: %s\nRANGE lists NV image numbers 1..255 and ranges, "
                         "as in 1,3-5,9 or 10-.\n",
                         msg::kRangeError);
            return 2;
        }
    }
    if (!options.output.empty())
        return PrintToFile(options, list, jobCount);
    if (options.fleet.ports.size() > 1) {
        options.quiet = options.oneOfMany = true;
        cli::StopOnInterrupt interrupt;
        options.stopRequested = &cli::StopOnInterrupt::Requested;
        options.observer = &interrupt;
        return cli::RunOnPrinters(
            options.fleet,
            [&](const std::string& target, std::string& reason) {
                return cli::Fleet::ResultOf(PrintToPort(context, options, list, jobCount, target, reason));
            },
            options.stopRequested);
    }
    std::string reason;
    return PrintToPort(context, options, list, jobCount, options.port.port, reason);
}

const std::string kUsage =
    std::string("Usage: nivora-cli print (-o OUT | -p PORT) [-r RANGE] [-m MODE] [--header] [OPTIONS]\n"
                "Prints images stored in the printer's NV memory by number (FS p n m), one every\n"
                "300 ms, as the Print page does: GS I 1 first, then ESC @ on a serial port.\n\n"
                "Options:\n"
                "  -o, --output OUT       write the print stream (header lines and FS p) to OUT\n"
                "                         instead of a printer, without check or pacing\n"
                "  -r, --range RANGE      NV image numbers and ranges, as in 1,3-5,9; 10- is\n"
                "                         10..255, -3 is 1..3 (default: all, 1..255)\n"
                "  -m, --mode MODE        normal, double-width, double-height or quadruple,\n"
                "                         or 0..3 (default normal)\n"
                "  --header               print \"--- Logo n ---\" above every image\n"
                "  --ask-state            ask the printer's state (DLE EOT 1 to 4) first and print\n"
                "                         nothing when it is out of paper, its cover is open or it\n"
                "                         reports an error (the default on a network printer)\n"
                "  --no-ask-state         do not ask it (the default on a serial or LPT port)\n"
                "  -q, --quiet            no progress line (shown on standard error when it is\n"
                "                         a terminal: image i of n, bytes, elapsed time)\n") +
    cli::kPortOptionsUsage + cli::kFleetUsage +
    "\nWith many printers, Ctrl-C stops each one before its next image and starts no\n"
    "further one; a second Ctrl-C ends at once.\n"
    "\nExit status 2 for bad options or an invalid RANGE (nothing is sent), 1 when the\n"
    "port or file cannot be opened or a write fails, 130 when many printers were stopped\n"
    "by Ctrl-C.\n";

} // namespace

NIVORA_CLI_COMMAND(print,
                   cli::Command{"print", "print NV images stored in a printer", kUsage, nullptr, RunPrint});
