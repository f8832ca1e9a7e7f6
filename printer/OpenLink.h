#pragma once
// Opening the printer the settings name: the one way for the window's runs, its Apply
// test and every command of the command line.
//
//   - a parallel setup (m_nPortType 1): the LPT name in m_strPortDevice, else LPT1;
//   - "FILE" where the run has a file target: the output file named (temp.prn when the
//     name was not asked for);
//   - NET:HOST[:PORT] or tcp://HOST[:PORT]: a network printer;
//   - otherwise a COM or LPT name, or a device path (absolute, or from the current
//     folder): a serial line with the settings when it is a terminal, else a printer
//     device used as it is.
// Every open is exclusive and looks at the device and at the lock files under the
// context's device root. Null with status on failure; nothing is left open then.
#include <memory>
#include <string>

#include "printer/Link.h"
#include "printer/PortRecord.h"
#include "printer/SerialLink.h"

namespace printer {

std::unique_ptr<Link> OpenLink(const platform::Context& context, const PortRecord& settings,
                               const LinkOptions& options, LinkStatus& status,
                               WaitSupervision supervision = {}, const std::string& outputFile = "temp.prn");

// A device named by path or port name, exclusively: a serial line with the settings
// when it is a terminal, else a printer device (for reading too when readAccess).
std::unique_ptr<Link> OpenDevice(const platform::Context& context, const std::string& name,
                                 const SerialSettings& settings, const LinkOptions& options, bool readAccess,
                                 LinkStatus& status, WaitSupervision supervision = {});

// Opens device as discovery does and closes it again: true when it could be had
// exclusively right now.
bool CanOpenExclusively(const platform::Context& context, const std::string& device);

} // namespace printer
