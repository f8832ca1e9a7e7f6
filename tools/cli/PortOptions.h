#pragma once
// The port options shared by the commands that talk to a printer (check, download,
// print): -p PORT and the serial line settings, with the Setup page's defaults.
//
//   cli::PortOptions port;
//   for (size_t i = 0; i < args.size(); ++i) {
//       std::string error;
//       switch (cli::TakePortOption(args, i, port, error)) {
//       case cli::OptionResult::Taken: continue;
//       case cli::OptionResult::Error: /* print error, exit 2 */
//       case cli::OptionResult::NotMine: /* the command's own options */
//       }
//   }
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Context.h"
#include "printer/PortRecord.h"

namespace cli {

struct PortOptions {
    std::string port; // COM1 ... COM255, LPT1, LPT2, a device path such as /dev/pts/3, or tcp://HOST[:PORT]
    uint32_t baud = 115200;
    uint8_t byteSize = 8;
    uint8_t parity = 0;    // 0 none, 1 odd, 2 even
    uint8_t stopBits = 0;  // 0 one, 2 two
    int32_t handshake = 0; // 0 DTR/DSR, 1 XON/XOFF
    int stallSeconds = 0;  // --stall-timeout: a write the printer takes nothing of for this long
                           // fails; 0 when not given (the context keeps its limit, 30 s)
};

enum class OptionResult { Taken, NotMine, Error };

// Looks at args[i]. A port option ("--baud 9600" or "--baud=9600") is stored and i
// is left on its last word; a bad value gives Error with a message; anything else
// is NotMine and i is unchanged.
OptionResult TakePortOption(const std::vector<std::string>& args, size_t& i, PortOptions& options,
                            std::string& error);

// The usage lines of these options, for a command's help text.
extern const char kPortOptionsUsage[];

// The settings a run on port opens it with: an LPT name as the parallel port, anything
// else (a COM name, a device path, a network printer) with the serial settings.
printer::PortRecord PortSettingsFor(const PortOptions& options, const std::string& port);
// The context of a run on a port: base with the options' stall limit.
platform::Context RunContext(const platform::Context& base, const PortOptions& options);

// "COM1 (/dev/ttyS0)", or the device path itself, for messages; printable.
std::string DescribePort(const platform::Context& context, const std::string& port);

} // namespace cli
