#include "tools/cli/PortOptions.h"

#include <array>
#include <span>

#include "printer/NetAddress.h"
#include "printer/PortNames.h"
#include "printer/PortSettings.h"
#include "printer/PrinterPort.h"

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
    "  --handshake dtr|xon    DTR/DSR or XON/XOFF flow control (default dtr)\n";

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

bool OpenPortFromOptions(CPrinterPort& port, const PortOptions& options)
{
    if (printer::LptNumber(options.port) != 0)
        return port.OpenLpt(options.port);
    return port.OpenPort(options.port, options.baud, options.byteSize, options.parity, options.stopBits,
                         options.handshake);
}

std::string DescribePort(const std::string& port)
{
    const std::string device = printer::ResolveDevice(port);
    if (device.empty() || device == port)
        return port;
    return port + " (" + device + ")";
}

} // namespace cli
