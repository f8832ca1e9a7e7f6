// nivora-cli check: the connection check that precedes every download and print.
#include <cstdio>
#include <string>
#include <vector>

#include "jobs/DownloadJob.h"
#include "jobs/PrinterCheck.h"
#include "platform/Context.h"
#include "platform/Messages.h"
#include "printer/OpenLink.h"
#include "printer/PortNames.h"
#include "tools/cli/Command.h"
#include "tools/cli/PortOptions.h"
#include "tools/cli/PortProblems.h"
#include "tools/cli/RunLines.h"

namespace {

// Distinct from a port that failed, so that scripts can tell "no printer answers on
// this port" from "this port cannot be used".
constexpr int kExitNoAnswer = 3;

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "nivora-cli check: %s\nRun 'nivora-cli check --help' for the options.\n",
                 message.c_str());
    return 2;
}

int RunCheck(const platform::Context& base, const std::vector<std::string>& args)
{
    cli::PortOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string error;
        const cli::OptionResult result = cli::TakePortOption(args, i, options, error);
        if (result == cli::OptionResult::Error)
            return UsageError(error);
        if (result == cli::OptionResult::NotMine)
            return UsageError("unknown option '" + args[i] + "'");
    }
    if (options.port.empty())
        return UsageError("-p PORT is required");
    if (options.port == printer::kFileDevice)
        return UsageError("a file cannot answer; name a port");

    const platform::Context context = cli::RunContext(base, options);
    printer::LinkStatus status;
    std::unique_ptr<printer::Link> link;
    if (cli::NotAPortReason(options.port).empty())
        link = printer::OpenLink(context, cli::PortSettingsFor(options, options.port), jobs::kDownloadLink,
                                 status);
    if (!link) {
        cli::ReportOpenFailure(context, "check", options.port, status);
        return 1;
    }
    // The check of a download: its request, its wait.
    const jobs::CheckResult check = jobs::CheckPrinter(*link, jobs::kDownloadLink.answerWait);
    jobs::EndRun(*link);
    if (!check.written) {
        cli::PrintRunMessages({{msg::kWriteToPortFailed, 0}}, "");
        return 1;
    }
    if (check.answer >= 0) {
        std::printf("0x%02X\n", check.answer);
        return 0;
    }
    std::puts("no answer");
    return kExitNoAnswer;
}

const std::string kUsage =
    std::string("Usage: nivora-cli check -p PORT [OPTIONS]\n"
                "Sends GS I 1 (1D 49 01), the check made before every download and print,\n"
                "and waits 500 ms for the printer's one-byte answer. Prints the byte in hex\n"
                "(0x20) or \"no answer\".\n\n"
                "Exit status: 0 the printer answered, 3 no answer came, 1 the port cannot be\n"
                "opened or the request cannot be written, 2 wrong usage.\n\nOptions:\n") +
    cli::kPortOptionsUsage;

} // namespace

NIVORA_CLI_COMMAND(check, cli::Command{"check", "send GS I 1 to a printer and show its answer", kUsage,
                                       nullptr, RunCheck});
