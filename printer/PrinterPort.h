#pragma once
// The port operations of a page that talks to the printer. The Download, Print and
// Setup pages each hold one (or derive from it) with their own variant, open it for
// one run, and close it at the end of that run; the progress dialogs borrow m_hPort.
// Failures are reported by the result; only the check and the Setup page's write show
// messages of their own, the callers show the rest.
#include <cstdint>
#include <string>

#include "printer/ByteSink.h"
#include "printer/Port.h"
#include "printer/PortVariant.h"

class CPrinterPort : public ByteSink {
public:
    explicit CPrinterPort(const printer::PortVariant& variant);

    // Opens the parallel port (LPT1 unless another LPT name is given) into m_hPort.
    bool OpenLpt(const std::string& lptName = "LPT1");
    // Opens device into m_hPort: a COM or LPT name, a device path, or, where the
    // variant has a file target, "FILE" (the name is asked for; "temp.prn" when the
    // question is cancelled). Sets m_bToFile. On failure m_nOpenError (and errno)
    // hold the error for "ERROR[%d] - Open port or file.".
    // A network printer ("NET:HOST:PORT", "tcp://HOST[:PORT]") is connected to instead;
    // the serial settings do not apply to it.
    bool OpenPort(const std::string& device, uint32_t baud, uint8_t byteSize, uint8_t parity,
                  uint8_t stopBits, int32_t handshake);
    // Why the last open failed, in words: the network printer's reason, else errno's.
    std::string OpenErrorText() const;
    // The network printer's reason alone; "" when the last open was of no network printer.
    const std::string& NetErrorText() const { return m_strNetError; }
    // Before a run counts as done: true once the printer has everything written (a
    // network printer has acknowledged every byte; other ports at once). Otherwise
    // shows failureText and returns false.
    bool WaitDelivered(const char* failureText);
    // True when all length bytes were handed over; a write of nothing succeeds.
    bool WriteBuffer(const uint8_t* buffer, uint32_t length) override;
    // Releases m_hPort; always true.
    bool ClosePort();

    // GS I 1 through WriteBuffer ("ERROR - Write to port." and false when that
    // fails), then waits the variant's time for the one-byte answer without judging
    // it. m_nAnswer holds the byte, or -1 when none came.
    bool CheckPrinter();
    // The judging check: GS I 1 written directly, one byte read, and it must be 0x20;
    // otherwise "ERROR - Write to port.", "ERROR - Receive data." or "ERROR - Comm.".
    // True only when no message was shown.
    bool JudgePrinter();
    // One direct write that must be taken at once (a write that would have to wait
    // counts as failed); the judging check's way of writing.
    bool WriteDirect(const uint8_t* buffer, uint32_t length);

    const printer::PortVariant& Variant() const { return m_variant; }

    printer::Port m_hPort;
    bool m_bToFile = false; // the open target is an output file
    int m_nOpenError = 0;   // errno of the last failed open
    int m_nAnswer = -1;     // the answer byte of the last check, -1 when none came

private:
    bool OpenNetwork(const std::string& name); // NetworkPrinterPort.cpp

    printer::PortVariant m_variant;
    std::string m_strNetError; // a malformed network address
};

// The download progress dialog's WriteBuffer on the handle it borrowed: traced like
// a port write when the chosen device starts with "COM" or "LPT", a plain write
// otherwise.
bool ProgressWriteBuffer(printer::Port& port, const std::string& device, const uint8_t* buffer,
                         uint32_t length);

// The Setup page's Apply test on an open serial port: ESC @, GS I 1 and the answer.
// Waits for the answer on most systems, judges it on the consumer line
// (platform::IsConsumerLine). Shows its own messages; true when none was shown.
bool RunPrinterTest(CPrinterPort& port);
