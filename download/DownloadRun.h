#pragma once
// The Download button's work around the transfer, shared by the window and nivora-cli:
// opening and checking the port before the images go, and completing a run that was
// stopped between two images.
#include "printer/PortRecord.h"
#include "printer/PrinterPort.h"

// Which text a failed open of the serial port or output file shows.
enum class OpenFailureMessage {
    Numbered, // "ERROR[%d] - Open port or file." with the errno of the open (logos listed)
    Plain,    // "ERROR - Open port." (the delete-all run)
};

// Opens the port the settings name: the parallel port when m_nPortType is 1 (LPT1, or
// the LPT name in m_strPortDevice), otherwise m_strPortDevice with the serial settings
// (a COM name, a device path, or "FILE" for an output file). On a port, not a file, it
// then checks the printer (GS I 1 and the wait for its answer) and, unless it is the
// parallel port, sends ESC @. Every failure shows its message. True when the run may go
// on; opened tells whether the port is open, so that the caller closes it also after a
// failed check.
bool OpenDownloadPort(CPrinterPort& port, const printer::PortRecord& settings, OpenFailureMessage message,
                      bool& opened);

// "Complete the NV bit image definition.\r\nPlease wait some paper feed."
void ReportDownloadComplete();
