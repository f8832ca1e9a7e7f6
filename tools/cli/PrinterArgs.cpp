#include "tools/cli/PrinterArgs.h"

#include <chrono>

#include "printer/PortNames.h"

namespace cli {

bool ReadPrinterArgs(const std::vector<std::string>& args, const std::vector<OptionDef>& own,
                     PrinterArgs& out, std::string& error)
{
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--") {
            rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
            break;
        }
        const bool isPort = args[i] == "-p" || args[i].rfind("--port", 0) == 0;
        switch (TakePortOption(args, i, out.port, error)) {
        case OptionResult::Taken:
            if (isPort)
                out.fleet.ports.push_back(out.port.port);
            continue;
        case OptionResult::Error:
            return false;
        case OptionResult::NotMine:
            rest.push_back(args[i]);
            break;
        }
    }
    std::vector<OptionDef> definitions = own;
    definitions.insert(definitions.end(), FleetOptionDefs().begin(), FleetOptionDefs().end());
    if (!ParseOptions(rest, definitions, out.parsed, error))
        return false;
    if (error = ReadFleetOptions(out.parsed, out.fleet); !error.empty())
        return false;
    if (out.fleet.ports.empty()) {
        error = "no printer given (-p PORT or --printers FILE)";
        return false;
    }
    for (const std::string& port : out.fleet.ports)
        if (port == printer::kFileDevice) {
            error = "a file cannot answer; name a printer port";
            return false;
        }
    return true;
}

bool ReadSeconds(const ParsedOptions& parsed, const std::string& name, int low, int high,
                 std::chrono::milliseconds& value, std::string& error)
{
    if (!parsed.Has(name))
        return true;
    int seconds = 0;
    if (!ParseNumber(parsed.Get(name), low, high, seconds)) {
        error = "--" + name + " needs a number of seconds from " + std::to_string(low) + " to " +
                std::to_string(high) + ", not '" + parsed.Get(name) + "'";
        return false;
    }
    value = std::chrono::seconds(seconds);
    return true;
}

} // namespace cli
