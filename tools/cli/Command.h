#pragma once
// nivora-cli's subcommands. Each command lives in a file of its own and registers
// itself here; main() dispatches on the first argument with the program's context
// (the real machine); tests run a command with a context of their own.
#include <string>
#include <vector>

namespace platform {
struct Context;
}

namespace cli {

struct Command {
    std::string name;    // "download", "render", ...
    std::string summary; // one line for the command list
    std::string usage;   // the full help text of the command
    // Runs with the arguments after the command name; returns the exit status. A
    // command that talks to printers, waits or reads the devices takes the context.
    int (*run)(const std::vector<std::string>& args) = nullptr;
    int (*runIn)(const platform::Context& context, const std::vector<std::string>& args) = nullptr;

    int Run(const platform::Context& context, const std::vector<std::string>& args) const
    {
        return runIn ? runIn(context, args) : run(args);
    }
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
