#pragma once
// Runs the built nivora-cli and collects what it said and how it ended.
#include <string>
#include <vector>

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

} // namespace cli_test
