#pragma once
// The Download button's work around the transfer, shared by the window and nivora-cli:
// opening and checking the port before the images go, and completing a run that was
// stopped between two images.
#include <chrono>

#include "printer/PortRecord.h"
#include "printer/PrinterPort.h"

// How a download uses its link: CTS output flow and a write time-out of M ms a byte on
// a serial line, a printer device for reading too, "FILE" as an output file, and half
// a second for the printer's answer to the check.
inline constexpr printer::LinkOptions kDownloadLink{true, printer::OutputFlow::Cts, true, true,
                                                    std::chrono::milliseconds(500)};

// Which text a failed open of the serial port or output file shows.
enum class OpenFailureMessage {
    Numbered, // "ERROR[%d] - Open port or file." with the errno of the open (logos listed)
    Plain,    // "ERROR - Open port." (the delete-all run)
};

// Opens the port the settings name (printer/OpenLink.h), then, on a port and not a
// file, checks the printer (GS I 1 and the wait for its answer) and, unless it is the
// parallel port, sends ESC @. Every failure shows its message through the context, but
// for an open the run's own cancel ended. True when the run may go on; opened tells
// whether the port is open, so that the caller closes it also after a failed check.
bool OpenDownloadPort(CPrinterPort& port, const platform::Context& context,
                      const printer::PortRecord& settings, OpenFailureMessage message, bool& opened);

// "Complete the NV bit image definition.\r\nPlease wait some paper feed."
void ReportDownloadComplete(const platform::Context& context);
