#include "app/StartOptions.h"

#include <string_view>

StartOptions ReadStartOptions(int argc, const char* const argv[])
{
    StartOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--user-dir")
            options.userDir = true;
        else if (arg == "-V" || arg == "--version")
            options.version = true;
        else if (arg == "-h" || arg == "--help")
            options.help = true;
        else if (arg == "--instance-dir" && i + 1 < argc)
            options.instanceDir = argv[++i];
    }
    return options;
}

std::string StartUsage()
{
    return "Usage: nivora [--user-dir] [--instance-dir DIR] [Qt options]\n"
           "Stores logos in the NV graphics memory of ESC/POS receipt printers and prints them.\n"
           "\n"
           "  --user-dir     keep the settings in ${XDG_DATA_HOME:-~/.local/share}/nivora\n"
           "                 (created when missing) instead of the current directory\n"
           "  --instance-dir DIR\n"
           "                 keep the one-copy lock in DIR instead of ~/.local/state/nivora:\n"
           "                 a copy with a folder of its own runs beside the usual one\n"
           "  -V, --version  print the version and exit\n"
           "  -h, --help     print this help and exit\n"
           "\n"
           "The list of the last download (nivora.INI) and the port kind (Device.INI) are kept\n"
           "in the working directory. See nivora(1) and nivora-cli(1).\n";
}

std::string VersionLine(const std::string& program)
{
    return program + " " NIVORA_VERSION;
}
