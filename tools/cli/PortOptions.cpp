#include "tools/cli/PortOptions.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <span>

#include "printer/NetAddress.h"
#include "printer/PortNames.h"
#include "printer/PortSettings.h"
#include "tools/cli/PortProblems.h"
#include "tools/cli/Printable.h"

namespace cli {
namespace {

using printer::Choice;
constexpr Choice kDataBits[] = {{"7", 7}, {"8", 8}};
constexpr Choice kParities[] = {{"none", 0}, {"odd", 1}, {"even", 2}};
constexpr Choice kStopBits[] = {{"1", 0}, {"2", 2}};
constexpr Choice kHandshakes[] = {{"dtr", 0}, {"xon", 1}};

struct ValueOption {
    const char* name;
    std::span<const Choice> values;
    void (*set)(PortOptions&, uint32_t);
};

const std::array<ValueOption, 5>& ValueOptions()
{
    static const std::array<ValueOption, 5> options = {{
        {"--baud", printer::SerialChoices(printer::SerialBox::Baudrate).entries,
         [](PortOptions& o, uint32_t v) { o.baud = v; }},
        {"--data-bits", kDataBits, [](PortOptions& o, uint32_t v) { o.byteSize = static_cast<uint8_t>(v); }},
        {"--parity", kParities, [](PortOptions& o, uint32_t v) { o.parity = static_cast<uint8_t>(v); }},
        {"--stop-bits", kStopBits, [](PortOptions& o, uint32_t v) { o.stopBits = static_cast<uint8_t>(v); }},
        {"--handshake", kHandshakes,
         [](PortOptions& o, uint32_t v) { o.handshake = static_cast<int32_t>(v); }},
    }};
    return options;
}

// True when args[i] is the option name, as "name value" (i moves to the value) or as
// "name=value"; hasValue tells whether a value was there.
bool Matches(const std::vector<std::string>& args, size_t& i, const std::string& name, std::string& value,
             bool& hasValue)
{
    const std::string& arg = args[i];
    hasValue = false;
    if (arg.compare(0, name.size() + 1, name + "=") == 0) {
        value = arg.substr(name.size() + 1);
        hasValue = true;
        return true;
    }
    if (arg != name)
        return false;
    if (i + 1 < args.size()) {
        value = args[++i];
        hasValue = true;
    }
    return true;
}

std::string Alternatives(std::span<const Choice> values)
{
    std::string text;
    for (size_t k = 0; k < values.size(); ++k)
        text += (k == 0 ? "" : k + 1 == values.size() ? " or " : ", ") + std::string(values[k].text);
    return text;
}

} // namespace

const char kPortOptionsUsage[] =
    "  -p, --port PORT        COM1 ... COM255, LPT1, LPT2, a device path (/dev/pts/3), or\n"
    "                         a network printer tcp://HOST[:PORT] (port 9100 when left out;\n"
    "                         IPv6 in brackets: tcp://[fe80::1]:9100)\n"
    "  --baud N               2400, 4800, 9600, 14400, 19200, 38400, 57600, 115200\n"
    "                         (default 115200)\n"
    "  --data-bits 7|8        (default 8)\n"
    "  --parity none|odd|even (default none)\n"
    "  --stop-bits 1|2        (default 1)\n"
    "  --handshake dtr|xon    DTR/DSR or XON/XOFF flow control (default dtr)\n"
    "  --stall-timeout SECONDS  give up when the printer takes nothing for this long\n"
    "                         (1..86400, default 30)\n";

OptionResult TakePortOption(const std::vector<std::string>& args, size_t& i, PortOptions& options,
                            std::string& error)
{
    std::string value;
    bool hasValue = false;
    printer::NetAddress address;
    if (Matches(args, i, "-p", value, hasValue) || Matches(args, i, "--port", value, hasValue)) {
        if (!hasValue || value.empty()) {
            error = "-p needs a port name or device path";
            return OptionResult::Error;
        }
        if (printer::HasNetPrefix(value) && !printer::ParseNetPortName(value, address, error))
            return OptionResult::Error;
        options.port = value;
        return OptionResult::Taken;
    }
    if (Matches(args, i, "--stall-timeout", value, hasValue)) {
        const bool number = hasValue && !value.empty() && value.size() <= 5 &&
                            value.find_first_not_of("0123456789") == std::string::npos;
        const int seconds = number ? std::stoi(value) : 0;
        if (seconds < 1 || seconds > 86400) {
            error = "--stall-timeout needs a number of seconds from 1 to 86400" +
                    (hasValue ? ", not '" + value + "'" : std::string());
            return OptionResult::Error;
        }
        options.stallSeconds = seconds;
        return OptionResult::Taken;
    }
    for (const ValueOption& option : ValueOptions()) {
        if (!Matches(args, i, option.name, value, hasValue))
            continue;
        for (const Choice& choice : option.values)
            if (hasValue && value == choice.text) {
                option.set(options, choice.value);
                return OptionResult::Taken;
            }
        error = std::string(option.name) + " needs " + Alternatives(option.values) +
                (hasValue ? ", not '" + value + "'" : std::string());
        return OptionResult::Error;
    }
    return OptionResult::NotMine;
}

printer::PortRecord PortSettingsFor(const PortOptions& options, const std::string& port)
{
    printer::PortRecord settings;
    settings.m_nPortType = printer::LptNumber(port) != 0 ? 1 : 0;
    settings.m_strPortDevice = port;
    settings.m_dwBaudRate = options.baud;
    settings.m_byByteSize = options.byteSize;
    settings.m_byParity = options.parity;
    settings.m_byStopBits = options.stopBits;
    settings.m_nHandshake = options.handshake;
    return settings;
}

platform::Context RunContext(const platform::Context& base, const PortOptions& options)
{
    platform::Context context = base;
    if (options.stallSeconds > 0)
        context.stallLimit = std::chrono::seconds(options.stallSeconds);
    return context;
}

std::string DescribePort(const platform::Context& context, const std::string& port)
{
    const std::string device = printer::ResolveDevice(context, port);
    if (device.empty() || device == port)
        return Printable(port);
    return Printable(port + " (" + device + ")");
}

} // namespace cli
