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

// Runs nivora-cli with args; input, when given, is fed to its standard input.
CliResult RunCli(const std::vector<std::string>& args, const std::string& input = "");

} // namespace cli_test
