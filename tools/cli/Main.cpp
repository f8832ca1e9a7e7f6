// nivora-cli: the program's core without the window, for scripted provisioning and
// for checking what goes over the wire.
#include <cstdio>
#include <string>
#include <vector>

#include "app/StartOptions.h"
#include "platform/Context.h"
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
    std::fprintf(out, "\nRun 'nivora-cli COMMAND --help' for a command's options, 'man nivora-cli' for\n"
                      "all of them; -V or --version, with or without a command, prints the version.\n");
}

bool IsVersionOption(const std::string& arg)
{
    return arg == "--version" || arg == "-V";
}

int PrintVersion()
{
    std::printf("%s\n", VersionLine("nivora-cli").c_str());
    return 0;
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
    if (IsVersionOption(args[0]))
        return PrintVersion();
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
        } else if (IsVersionOption(arg))
            return PrintVersion();
    // The real machine: its clock, its devices, the default limits.
    const platform::Context context;
    return command->Run(context, rest);
}
