#pragma once
// nivora-cli's subcommands. Each command lives in a file of its own and registers
// itself here; main() dispatches on the first argument.
#include <string>
#include <vector>

namespace cli {

struct Command {
    std::string name;    // "download", "render", ...
    std::string summary; // one line for the command list
    std::string usage;   // the full help text of the command
    // Runs with the arguments after the command name; returns the exit status.
    int (*run)(const std::vector<std::string>& args);
};

class Registry {
public:
    static bool Add(Command command);
    static const std::vector<Command>& All();
    static const Command* Find(const std::string& name);
};

// In a command's .cpp: NIVORA_CLI_COMMAND(download, Command{...});
#define NIVORA_CLI_COMMAND(id, ...)                                                                          \
    [[maybe_unused]] static const bool kRegistered_##id = ::cli::Registry::Add(__VA_ARGS__)

} // namespace cli
