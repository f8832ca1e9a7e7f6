#pragma once
// Runs nivora-cli and collects what it said and how it ended: the built program as a
// user starts it, or a command in this process with a context of the test's own.
#include <string>
#include <vector>

#include "platform/Context.h"
#include "tests/support/VirtualClock.h"

namespace cli_test {

struct CliResult {
    int status = -1; // exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs nivora-cli with args; input, when given, is fed to its standard input. The
// program's fixed pauses are skipped.
CliResult RunCli(const std::vector<std::string>& args, const std::string& input = "");

// Runs nivora-cli on a pseudo-terminal, as typed in a terminal window: standard input,
// output and error are the terminal, and everything it wrote is in out (err stays
// empty). The program's fixed pauses are skipped.
CliResult RunCliOnTerminal(const std::vector<std::string>& args);

// The lines of text, without their line ends; a last line without one counts too.
std::vector<std::string> Lines(const std::string& text);
// How many times what stands in text, overlapping ones included.
int Occurrences(const std::string& text, const std::string& what);

// Commands run in this process, their pauses and waits on a manual clock.
class InProcess {
public:
    InProcess() { context.clock = &clock; }
    // The command with args; what it printed on standard output and error.
    CliResult Run(const std::string& command, const std::vector<std::string>& args);

    testing_support::ManualClock clock;
    platform::Context context;
};

} // namespace cli_test
