#pragma once
// Runs one command on many printers at the same time: each printer gets a worker
// thread of its own (at most `jobs` at once) and its own run, with its own connection,
// bytes and pauses. A line per printer is printed as its run ends, then a summary.
//
// A printer's run says nothing itself while the fleet runs: what it has to say becomes
// its reason, so that no message lands in the middle of the other printers' lines.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tools/cli/Options.h"

namespace cli {

inline constexpr int kDefaultJobs = 64;

// The printers of a run: every -p in order, then those of --printers FILE.
struct FleetOptions {
    std::vector<std::string> ports;
    int jobs = kDefaultJobs;
};
// "--printers FILE" and "--jobs N", for a command's option table and help text.
const std::vector<OptionDef>& FleetOptionDefs();
extern const char kFleetUsage[];
// Takes --printers and --jobs from parsed into fleet; "" or the usage error.
std::string ReadFleetOptions(const ParsedOptions& parsed, FleetOptions& fleet);

// One address per line; blanks around it, empty lines and lines starting with '#'
// are skipped. Only a regular file of at most kMaxPrinterListBytes, with lines of at
// most kMaxPrinterLineBytes, is read; false with a message naming the file otherwise.
inline constexpr size_t kMaxPrinterListBytes = size_t{1} << 20;
inline constexpr size_t kMaxPrinterLineBytes = 4096;
bool ReadPrinterList(const std::string& path, std::vector<std::string>& ports, std::string& error);

struct FleetOutcome {
    std::string port;
    enum class Result { Ok, Failed, Stopped, NotStarted } result = Result::NotStarted;
    std::string reason; // the run's own reason, then its messages, "; " between
};

class Fleet {
public:
    // Runs on a worker thread; sets reason (optional) and returns the result.
    using Job = std::function<FleetOutcome::Result(const std::string& port, std::string& reason)>;

    Fleet(int jobs, std::FILE* out) : m_jobs(jobs < 1 ? 1 : jobs), m_out(out) {}

    // Runs job for every port. Once stopRequested answers true no further printer is
    // started (the running ones see the same request through their own stop test) and
    // each of them gets its "not started" line. Returns the outcomes in the order of
    // ports.
    std::vector<FleetOutcome> Run(const std::vector<std::string>& ports, const Job& job,
                                  const std::function<bool()>& stopRequested);

    // The summary line, and the exit status the outcomes give: 0 when every printer
    // succeeded, 130 when the run was stopped, 1 otherwise.
    static std::string Summary(const std::vector<FleetOutcome>& outcomes);
    static int ExitStatus(const std::vector<FleetOutcome>& outcomes);
    static std::string Line(const FleetOutcome& outcome);
    // A command's exit status as the outcome of one printer's run.
    static FleetOutcome::Result ResultOf(int status);

private:
    int m_jobs;
    std::FILE* m_out;
};

// The threads under Fleet::Run, for commands that word their lines themselves: runs
// work(i) for every i below count, at most jobs at once, and prints on out the line
// each returns (unless empty) as it ends. Once stopRequested answers true no further i
// is started; skipped(i) gives its line instead.
void RunEach(size_t count, int jobs, std::FILE* out, const std::function<std::string(size_t)>& work,
             const std::function<std::string(size_t)>& skipped, const std::function<bool()>& stopRequested);

// Runs job on every printer of fleet, a line each on standard output as it ends, then
// the summary; returns the exit status.
int RunOnPrinters(const FleetOptions& fleet, const Fleet::Job& job,
                  const std::function<bool()>& stopRequested);

} // namespace cli
