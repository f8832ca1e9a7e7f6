#include "tools/cli/Options.h"

#include <cstdio>
#include <cstdlib>

namespace cli {
namespace {

const OptionDef* FindShort(const std::vector<OptionDef>& definitions, char name)
{
    for (const OptionDef& option : definitions)
        if (option.shortName != 0 && option.shortName == name)
            return &option;
    return nullptr;
}

const OptionDef* FindLong(const std::vector<OptionDef>& definitions, const std::string& name)
{
    for (const OptionDef& option : definitions)
        if (option.longName == name)
            return &option;
    return nullptr;
}

} // namespace

std::string ParsedOptions::Get(const std::string& longName, const std::string& fallback) const
{
    const auto it = m_values.find(longName);
    return it == m_values.end() || it->second.empty() ? fallback : it->second.back();
}

std::vector<std::string> ParsedOptions::GetAll(const std::string& longName) const
{
    const auto it = m_values.find(longName);
    return it == m_values.end() ? std::vector<std::string>{} : it->second;
}

bool ParseOptions(const std::vector<std::string>& args, const std::vector<OptionDef>& definitions,
                  ParsedOptions& out, std::string& error)
{
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            out.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const bool isLong = arg[1] == '-';
        const OptionDef* option;
        std::string value;
        bool hasValue = false;
        if (isLong) {
            const size_t equals = arg.find('=');
            option = FindLong(definitions,
                              arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2));
            if (option && equals != std::string::npos) {
                value = arg.substr(equals + 1);
                hasValue = true;
            }
        } else {
            option = FindShort(definitions, arg[1]);
            if (option && arg.size() > 2) {
                value = arg.substr(2);
                hasValue = true;
            }
        }
        if (!option) {
            error = "unknown option '" + arg + "'";
            return false;
        }
        if (!option->takesValue && hasValue) {
            error = "option '" + arg + "' takes no value";
            return false;
        }
        if (option->takesValue && !hasValue) {
            if (i + 1 >= args.size()) {
                error = "option '" + arg + "' needs a value";
                return false;
            }
            value = args[++i];
        }
        out.m_values[option->longName].push_back(value);
    }
    return true;
}

bool ParsePrintMode(const std::string& text, int& mode)
{
    static const char* const kNames[] = {"normal", "double-width", "double-height", "quadruple"};
    for (int m = 0; m < 4; ++m)
        if (text == kNames[m] || text == std::to_string(m)) {
            mode = m;
            return true;
        }
    return false;
}

bool ParseNumber(const std::string& text, int low, int high, int& value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9)
        return false;
    const long number = std::strtol(text.c_str(), nullptr, 10);
    if (number < low || number > high)
        return false;
    value = static_cast<int>(number);
    return true;
}

bool ParseNumberList(const std::string& text, int low, int high, std::vector<int>& values)
{
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        int number;
        if (!ParseNumber(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start),
                         low, high, number))
            return false;
        values.push_back(number);
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

int UsageError(const std::string& command, const std::string& message)
{
    std::fprintf(stderr, "nivora-cli %s: %s\nTry 'nivora-cli %s --help'.\n", command.c_str(), message.c_str(),
                 command.c_str());
    return kExitUsage;
}

} // namespace cli
