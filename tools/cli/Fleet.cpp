#include "tools/cli/Fleet.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "platform/RegularFile.h"
#include "tools/cli/Options.h"
#include "tools/cli/Printable.h"

namespace cli {
namespace {

constexpr int kExitInterrupted = 130;

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

FleetOutcome RunOne(const std::string& port, const Fleet::Job& job)
{
    FleetOutcome outcome{port, FleetOutcome::Result::Failed, ""};
    outcome.result = job(port, outcome.reason);
    return outcome;
}

} // namespace

const std::vector<OptionDef>& FleetOptionDefs()
{
    static const std::vector<OptionDef> definitions = {{0, "printers", true}, {'j', "jobs", true}};
    return definitions;
}

const char kFleetUsage[] =
    "  -p may be given many times, and --printers FILE names more printers, one per line\n"
    "  ('#' starts a comment). All of them are then served at the same time, each with its\n"
    "  own connection, bytes and pauses, and a line per printer says OK or why not:\n"
    "  --printers FILE         printers to serve besides those of -p (a regular file of at\n"
    "                          most 1 MiB, lines of at most 4 KiB)\n"
    "  -j, --jobs N            at most N printers at once (default 64)\n";

std::string ReadFleetOptions(const ParsedOptions& parsed, FleetOptions& fleet)
{
    for (const std::string& path : parsed.GetAll("printers")) {
        std::string error;
        if (!ReadPrinterList(path, fleet.ports, error))
            return error;
    }
    if (parsed.Has("jobs") && !ParseNumber(parsed.Get("jobs"), 1, 4096, fleet.jobs))
        return "--jobs takes a number from 1 to 4096";
    return "";
}

bool ReadPrinterList(const std::string& path, std::vector<std::string>& ports, std::string& error)
{
    std::string text, why;
    if (!platform::ReadDataFile(path, kMaxPrinterListBytes, text, why)) {
        error = "cannot read the printer list: " + Printable(why);
        return false;
    }
    size_t number = 0;
    for (size_t start = 0; start < text.size(); ++number) {
        const size_t end = std::min(text.find('\n', start), text.size());
        if (end - start > kMaxPrinterLineBytes) {
            error = "cannot read the printer list: " + Printable(path) + ": line " +
                    std::to_string(number + 1) + " is longer than " + std::to_string(kMaxPrinterLineBytes) +
                    " bytes";
            return false;
        }
        const std::string line = Trim(text.substr(start, end - start));
        if (!line.empty() && line.front() != '#')
            ports.push_back(line);
        start = end + 1;
    }
    return true;
}

void RunEach(size_t count, int jobs, std::FILE* out, const std::function<std::string(size_t)>& work,
             const std::function<std::string(size_t)>& skipped, const std::function<bool()>& stopRequested)
{
    std::atomic<size_t> next{0};
    std::mutex printing;
    auto worker = [&] {
        for (size_t i; (i = next.fetch_add(1)) < count;) {
            const std::string line = stopRequested && stopRequested() ? skipped(i) : work(i);
            if (line.empty())
                continue;
            const std::lock_guard<std::mutex> lock(printing);
            std::fprintf(out, "%s\n", line.c_str());
            std::fflush(out);
        }
    };
    std::vector<std::thread> workers;
    const size_t threads = std::min(count, static_cast<size_t>(std::max(jobs, 1)));
    for (size_t k = 0; k < threads; ++k)
        workers.emplace_back(worker);
    for (std::thread& thread : workers)
        thread.join();
}

std::vector<FleetOutcome> Fleet::Run(const std::vector<std::string>& ports, const Job& job,
                                     const std::function<bool()>& stopRequested)
{
    std::vector<FleetOutcome> outcomes(ports.size());
    for (size_t i = 0; i < ports.size(); ++i)
        outcomes[i].port = ports[i];
    RunEach(
        ports.size(), m_jobs, m_out,
        [&](size_t i) {
            outcomes[i] = RunOne(ports[i], job);
            return Line(outcomes[i]);
        },
        [&](size_t i) { return Line(outcomes[i]); }, stopRequested);
    return outcomes;
}

std::string Fleet::Line(const FleetOutcome& outcome)
{
    const std::string port = Printable(outcome.port);
    switch (outcome.result) {
    case FleetOutcome::Result::Ok:
        return port + ": OK";
    case FleetOutcome::Result::Stopped:
        return port + ": stopped" + (outcome.reason.empty() ? "" : ": " + Printable(outcome.reason));
    case FleetOutcome::Result::NotStarted:
        return port + ": not started";
    case FleetOutcome::Result::Failed:
        break;
    }
    return port + ": " + (outcome.reason.empty() ? "failed" : Printable(outcome.reason));
}

std::string Fleet::Summary(const std::vector<FleetOutcome>& outcomes)
{
    size_t ok = 0;
    std::string others;
    for (const FleetOutcome& outcome : outcomes) {
        if (outcome.result == FleetOutcome::Result::Ok)
            ++ok;
        else
            others += (others.empty() ? "" : ", ") + Printable(outcome.port);
    }
    std::string text = std::to_string(ok) + " of " + std::to_string(outcomes.size()) + " printers OK";
    if (!others.empty())
        text += "; not done: " + others;
    return text;
}

FleetOutcome::Result Fleet::ResultOf(int status)
{
    if (status == kExitOk)
        return FleetOutcome::Result::Ok;
    return status == kExitInterrupted ? FleetOutcome::Result::Stopped : FleetOutcome::Result::Failed;
}

int RunOnPrinters(const FleetOptions& fleet, const Fleet::Job& job,
                  const std::function<bool()>& stopRequested)
{
    const std::vector<FleetOutcome> outcomes = Fleet(fleet.jobs, stdout).Run(fleet.ports, job, stopRequested);
    std::printf("%s\n", Fleet::Summary(outcomes).c_str());
    std::fflush(stdout);
    return Fleet::ExitStatus(outcomes);
}

int Fleet::ExitStatus(const std::vector<FleetOutcome>& outcomes)
{
    bool failed = false;
    for (const FleetOutcome& outcome : outcomes) {
        if (outcome.result == FleetOutcome::Result::Stopped ||
            outcome.result == FleetOutcome::Result::NotStarted)
            return kExitInterrupted;
        failed = failed || outcome.result == FleetOutcome::Result::Failed;
    }
    return failed ? kExitFailed : kExitOk;
}

} // namespace cli
