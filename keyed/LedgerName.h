#pragma once
// The name a printer's ledger goes by, so that the ledger follows the printer rather
// than the way it is reached today: a network printer by its address
// ("tcp://10.0.0.7:9100"), a USB printer by the IEEE 1284 serial number its device ID
// carries ("Acme TM-1 SN:X2HF012345", whatever USB port it hangs on), any other
// printer by the port it was named by ("COM1", "/dev/ttyUSB0").
//
// Thread-safety: reads sysfs and the ledger's file only; safe from any thread.
#include <string>

#include "keyed/Ledger.h"
#include "platform/Context.h"
#include "printer/Link.h"

namespace keyed {

std::string LedgerName(const platform::Context& context, const printer::Link& link, const std::string& port);

// The ledger of the printer on link, read from its file in dir; false with the reason in
// why when that file cannot be read (a run that writes must then not go on).
bool LoadLedger(const platform::Context& context, const printer::Link& link, const std::string& port,
                const std::string& dir, Ledger& ledger, std::string& why);

} // namespace keyed
