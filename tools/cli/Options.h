#pragma once
// Option parsing shared by nivora-cli's commands: short options (-o FILE, -oFILE), long
// options (--output FILE, --output=FILE), "--" to end the options, and "-" as an
// ordinary argument (standard input or output).
#include <map>
#include <string>
#include <vector>

namespace cli {

struct OptionDef {
    char shortName;       // 'o'; 0 for a long-only option
    std::string longName; // "output": the key under which the value is found
    bool takesValue;
};

class ParsedOptions {
public:
    bool Has(const std::string& longName) const { return m_values.count(longName) != 0; }
    // The last value given for the option, or fallback.
    std::string Get(const std::string& longName, const std::string& fallback = "") const;
    // Every value given, in order (options that may be repeated).
    std::vector<std::string> GetAll(const std::string& longName) const;

    std::vector<std::string> positional;

private:
    friend bool ParseOptions(const std::vector<std::string>&, const std::vector<OptionDef>&, ParsedOptions&,
                             std::string&);
    std::map<std::string, std::vector<std::string>> m_values;
};

// False with a one-line error for an unknown option or a missing value.
bool ParseOptions(const std::vector<std::string>& args, const std::vector<OptionDef>& definitions,
                  ParsedOptions& out, std::string& error);

// A whole decimal number within [low, high].
bool ParseNumber(const std::string& text, int low, int high, int& value);
// A print size by name ("normal", "double-width", "double-height", "quadruple") or as
// its FS p mode byte 0..3.
bool ParsePrintMode(const std::string& text, int& mode);
// Comma-separated numbers, each within [low, high]; empty items are errors.
bool ParseNumberList(const std::string& text, int low, int high, std::vector<int>& values);

// Writes "nivora-cli COMMAND: message" and a pointer to the help, returns exit status 2.
int UsageError(const std::string& command, const std::string& message);

// Exit statuses of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // refused input, unreadable file, write error, bad stream
inline constexpr int kExitUsage = 2;

} // namespace cli
