#pragma once
// The window program's own command-line options. Everything else on the command line
// is left for Qt (-platform, -style, ...).
#include <string>

struct StartOptions {
    bool userDir = false;    // --user-dir: work in the per-user folder (the menu entry)
    bool version = false;    // -V, --version
    bool help = false;       // -h, --help
    std::string instanceDir; // --instance-dir DIR: the one-copy lock there (a separate copy)
};

StartOptions ReadStartOptions(int argc, const char* const argv[]);

// The text of --help.
std::string StartUsage();

// "nivora 1.13": the line --version prints, for any of the programs.
std::string VersionLine(const std::string& program);
