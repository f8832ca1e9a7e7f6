// nivora-cli: the program's core without the window, for scripted provisioning and
// for checking what goes over the wire.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "tools/cli/Command.h"
#include "tools/cli/Signals.h"

namespace {

void PrintOverview(std::FILE* out)
{
    std::fprintf(out, "Usage: nivora-cli COMMAND [OPTIONS]\n"
                      "Stores logos in the NV graphics memory of ESC/POS receipt printers and prints\n"
                      "them, without the window.\n\nCommands:\n");
    for (const cli::Command& command : cli::Registry::All())
        std::fprintf(out, "  %-10s %s\n", command.name.c_str(), command.summary.c_str());
    std::fprintf(out, "\nRun 'nivora-cli COMMAND --help' for a command's options.\n");
}

} // namespace

int main(int argc, char* argv[])
{
    platform::SetApplicationTitle("nivora-cli");
    cli::InstallSignalHandlers();
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintOverview(stderr);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        if (args.size() > 1)
            if (const cli::Command* command = cli::Registry::Find(args[1])) {
                std::fputs(command->usage.c_str(), stdout);
                return 0;
            }
        PrintOverview(stdout);
        return 0;
    }
    const cli::Command* command = cli::Registry::Find(args[0]);
    if (!command) {
        std::fprintf(stderr, "nivora-cli: unknown command '%s'\n\n", args[0].c_str());
        PrintOverview(stderr);
        return 2;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& arg : rest)
        if (arg == "--help" || arg == "-h") {
            std::fputs(command->usage.c_str(), stdout);
            return 0;
        }
    return command->run(rest);
}
