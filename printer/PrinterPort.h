#pragma once
// The port operations of a window page that talks to the printer, over one printer
// link (Link.h): the Download, Print and Setup pages each hold one with their own link
// options, open it for one run, and close it at the end of that run; the progress
// dialogs borrow it. Failures are reported by the result; only the check and the
// Setup page's waiting write show messages of their own (through the context's message
// sink), the callers show the rest.
//
// Until the runs leave the window's thread, every slice of a wait lets the window
// repaint (platform::KeepAlive), and a progress dialog watches the waits for the
// length of its run (Watching). Used from one thread.
#include <cstdint>
#include <memory>
#include <string>

#include "printer/ByteSink.h"
#include "printer/Link.h"
#include "printer/PortRecord.h"

class CPrinterPort : public ByteSink {
public:
    // What WriteBuffer tells besides its result.
    enum class WriteReport {
        Quiet,
        Traced,            // the trace lines of the Download page's writes
        BoxWhenAWaitFails, // "GetOverlappedResult (write) failed" when a write that waited fails
    };
    explicit CPrinterPort(const printer::LinkOptions& options, WriteReport report = WriteReport::Quiet);
    ~CPrinterPort() override;
    CPrinterPort(const CPrinterPort&) = delete;
    CPrinterPort& operator=(const CPrinterPort&) = delete;

    // Opens the printer the settings name (printer/OpenLink.h); for "FILE" where the
    // options have a file target, the name is asked for ("temp.prn" when the question is
    // cancelled). Sets m_bToFile. On failure m_nOpenError (and errno) hold the error for
    // "ERROR[%d] - Open port or file." and OpenStatus() says the rest.
    bool Open(const platform::Context& context, const printer::PortRecord& settings);
    // The same for the parallel port (LPT1 unless another LPT name is given).
    bool OpenLpt(const platform::Context& context, const std::string& lptName = "LPT1");
    // The same for device with the serial settings.
    bool OpenPort(const platform::Context& context, const std::string& device, uint32_t baud,
                  uint8_t byteSize, uint8_t parity, uint8_t stopBits, int32_t handshake);
    const printer::LinkStatus& OpenStatus() const { return m_openStatus; }
    // Why the last open failed, in words.
    std::string OpenErrorText() const { return m_openStatus.Describe(); }
    bool IsOpen() const { return m_link && m_link->IsOpen(); }
    // The open link; null when none is open.
    printer::Link* GetLink() const { return m_link.get(); }

    // True when all length bytes were handed over; a write of nothing succeeds.
    bool WriteBuffer(const uint8_t* buffer, uint32_t length) override;
    // The same without any report.
    bool WritePlain(const uint8_t* buffer, uint32_t length);
    // One direct write that must be taken at once (a write that would have to wait
    // counts as failed); the judging check's way of writing.
    bool WriteDirect(const uint8_t* buffer, uint32_t length);
    // Waits until the printer has everything written (a network printer has
    // acknowledged every byte, a USB transfer is through); no message.
    bool Deliver();
    // Deliver, but shows failureText when it fails.
    bool WaitDelivered(const char* failureText);
    // Closes the link (draining first); always true.
    bool ClosePort();
    // Closes at once, throwing away what is still pending (the user gave up).
    void Abandon();
    // The last failure of the open link (Ok when none).
    printer::LinkStatus LastFailure() const;

    // GS I 1 through WriteBuffer ("ERROR - Write to port." and false when that
    // fails), then waits the options' time for the one-byte answer without judging
    // it. m_nAnswer holds the byte, or -1 when none came.
    bool CheckPrinter();
    // The judging check: GS I 1 written directly, one byte read, and it must be 0x20;
    // otherwise "ERROR - Write to port.", "ERROR - Receive data." or "ERROR - Comm.".
    // True only when no message was shown.
    bool JudgePrinter();

    const printer::LinkOptions& Options() const { return m_options; }
    const platform::Context* OpenedWith() const { return m_context; }

    // Someone who watches the waits and a token that cancels them, for as long as the
    // port lives (the command line), or for a scope (a progress dialog: Watching).
    void Supervise(printer::WaitObserver* observer, const printer::CancelToken* cancel);
    class Watching {
    public:
        Watching(CPrinterPort* port, printer::WaitObserver* observer, const printer::CancelToken* cancel);
        ~Watching();
        Watching(const Watching&) = delete;
        Watching& operator=(const Watching&) = delete;

    private:
        CPrinterPort* m_port;
        printer::WaitObserver* m_observer;
        const printer::CancelToken* m_cancel;
    };

    bool m_bToFile = false; // the open target is an output file
    int m_nOpenError = 0;   // errno of the last failed open
    int m_nAnswer = -1;     // the answer byte of the last check, -1 when none came

private:
    // Tells the window to repaint on every slice, and the watcher what it should hear.
    class Slices final : public printer::WaitObserver {
    public:
        void OnSlice() override;
        void OnNotTakingData(const printer::WaitReport& report) override;
        printer::WaitObserver* watcher = nullptr;
    };

    bool Opened(std::unique_ptr<printer::Link> link);
    void WarnBox(const char* text) const;
    // The answer of the printer, into byte; -1 when the link cannot be read.
    long ReadAnswer(uint8_t& byte);

    printer::LinkOptions m_options;
    WriteReport m_report;
    const platform::Context* m_context = nullptr;
    std::unique_ptr<printer::Link> m_link;
    printer::LinkStatus m_openStatus;
    Slices m_slices;
    const printer::CancelToken* m_cancel = nullptr;
};

// The download progress dialog's WriteBuffer on the port it borrowed: traced like a
// port write when the chosen device starts with "COM" or "LPT", a plain write otherwise.
bool ProgressWriteBuffer(CPrinterPort& port, const std::string& device, const uint8_t* buffer,
                         uint32_t length);

// How the Setup page's connection test (Apply) uses its link: DSR output flow, no write
// time-out, a printer device for writing only, and a second for the answer.
inline constexpr printer::LinkOptions kConnectionTestLink{false, printer::OutputFlow::Dsr, false, false,
                                                          std::chrono::milliseconds(1000)};

// The Setup page's Apply test on an open serial port: ESC @, GS I 1 and the answer.
// Waits for the answer on most systems, judges it on the consumer line
// (platform::IsConsumerLine). Shows its own messages; true when none was shown.
bool RunPrinterTest(CPrinterPort& port);
