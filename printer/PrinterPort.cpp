#include "printer/PrinterPort.h"

#include <array>
#include <cerrno>
#include <cstring>

#include "platform/FileChooser.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/Version.h"
#include "platform/Wait.h"
#include "printer/EscPos.h"
#include "printer/OpenLink.h"
#include "printer/PortNames.h"

namespace {

// The trace lines of one writer; each starts with its prefix.
struct WriteTraces {
    const char* prefix;
    const char* failed;
    const char* pending;
    bool reportShortCount;
};
constexpr WriteTraces kUploadPageTraces{"[VARNEX] WriteBuffer()", "-WriteFile failed.\r\n",
                                        "-Write is pending", false};
constexpr WriteTraces kProgressTraces{"[VARNEX] CPrograss::WriteBuffer()", "-WriteFile failed\r\n",
                                      "-Write is pending\r\n", true};

bool TracedWrite(const platform::Context& context, printer::Link& link, const uint8_t* buffer,
                 uint32_t length, const WriteTraces& traces)
{
    context.Trace("%s-Issue write\r\n", traces.prefix);
    const printer::Link::Written written = link.Write({buffer, length});
    if (!written.waited) {
        if (!written.Complete(length))
            context.Trace("%s%s", traces.prefix, traces.failed);
        return written.Complete(length);
    }
    context.Trace("%s%s", traces.prefix, traces.pending);
    context.Trace("%s-Event fired![%d]\r\n", traces.prefix, 0);
    if (traces.reportShortCount && written.bytes != length)
        context.Trace("%s-IO Pending [%ld/%ld]\r\n", traces.prefix, static_cast<long>(written.bytes),
                      static_cast<long>(length));
    return written.Complete(length);
}

} // namespace

void CPrinterPort::Slices::OnSlice()
{
    platform::KeepAlive();
    if (watcher)
        watcher->OnSlice();
}

void CPrinterPort::Slices::OnNotTakingData(const printer::WaitReport& report)
{
    if (watcher)
        watcher->OnNotTakingData(report);
}

CPrinterPort::CPrinterPort(const printer::LinkOptions& options, WriteReport report)
    : m_options(options), m_report(report)
{
}

CPrinterPort::~CPrinterPort() = default;

bool CPrinterPort::Opened(std::unique_ptr<printer::Link> link)
{
    m_link = std::move(link);
    if (!m_link) {
        m_nOpenError = m_openStatus.error;
        errno = m_nOpenError;
        return false;
    }
    m_bToFile = m_link->GetKind() == printer::Link::Kind::File;
    return true;
}

bool CPrinterPort::Open(const platform::Context& context, const printer::PortRecord& settings)
{
    m_link.reset();
    m_context = &context;
    std::string name = "temp.prn";
    const bool toFile =
        settings.m_nPortType != 1 && m_options.fileTarget && settings.m_strPortDevice == printer::kFileDevice;
    if (toFile && !platform::GetFileChooser().AskOutputFileName(name))
        name = "temp.prn";
    return Opened(printer::OpenLink(context, settings, m_options, m_openStatus, {&m_slices, m_cancel}, name));
}

bool CPrinterPort::OpenLpt(const platform::Context& context, const std::string& lptName)
{
    // The consumer line also zeroed the port's time-outs here; a Linux printer device
    // has none to set, so the version makes no difference.
    printer::PortRecord settings;
    settings.m_nPortType = 1;
    settings.m_strPortDevice = lptName;
    return Open(context, settings);
}

bool CPrinterPort::OpenPort(const platform::Context& context, const std::string& device, uint32_t baud,
                            uint8_t byteSize, uint8_t parity, uint8_t stopBits, int32_t handshake)
{
    printer::PortRecord settings;
    settings.m_nPortType = device == printer::kFileDevice ? 2 : 0;
    settings.m_strPortDevice = device;
    settings.m_dwBaudRate = baud;
    settings.m_byByteSize = byteSize;
    settings.m_byParity = parity;
    settings.m_byStopBits = stopBits;
    settings.m_nHandshake = handshake;
    return Open(context, settings);
}

void CPrinterPort::WarnBox(const char* text) const
{
    if (m_context)
        m_context->Show(text, platform::MB_ICONEXCLAMATION);
    else
        platform::AfxMessageBox(text, platform::MB_ICONEXCLAMATION);
}

bool CPrinterPort::WriteBuffer(const uint8_t* buffer, uint32_t length)
{
    if (!m_link)
        return false;
    switch (m_report) {
    case WriteReport::Traced:
        m_context->Trace("[VARNEX] WriteBuffer()\r\n");
        if (m_bToFile)
            return WritePlain(buffer, length);
        return TracedWrite(*m_context, *m_link, buffer, length, kUploadPageTraces);
    case WriteReport::BoxWhenAWaitFails: {
        const printer::Link::Written written = m_link->Write({buffer, length});
        if (!written.Complete(length) && written.waited)
            m_context->Show(msg::kOverlappedWriteFailed, platform::MB_OK);
        return written.Complete(length);
    }
    case WriteReport::Quiet:
        break;
    }
    return WritePlain(buffer, length);
}

bool CPrinterPort::WritePlain(const uint8_t* buffer, uint32_t length)
{
    return m_link && m_link->Write({buffer, length}).Complete(length);
}

bool CPrinterPort::WriteDirect(const uint8_t* buffer, uint32_t length)
{
    return m_link && m_link->WriteAtOnce({buffer, length});
}

bool CPrinterPort::Deliver()
{
    return !m_link || m_link->Drain().Ok();
}

bool CPrinterPort::WaitDelivered(const char* failureText)
{
    if (Deliver())
        return true;
    WarnBox(failureText);
    return false;
}

bool CPrinterPort::ClosePort()
{
    if (m_link)
        m_link->Close();
    m_link.reset();
    return true;
}

void CPrinterPort::Abandon()
{
    if (m_link)
        m_link->Abandon();
    m_link.reset();
}

printer::LinkStatus CPrinterPort::LastFailure() const
{
    return m_link ? m_link->LastFailure() : m_openStatus;
}

long CPrinterPort::ReadAnswer(uint8_t& byte)
{
    uint8_t answer[1] = {};
    const long n = m_link ? m_link->Read(answer, m_options.answerWait) : -1;
    if (n == 1)
        byte = answer[0];
    return n;
}

bool CPrinterPort::CheckPrinter()
{
    m_nAnswer = -1;
    const auto& request = escpos::kTransmitPrinterId;
    if (!WriteBuffer(request.data(), request.size())) {
        WarnBox(msg::kWriteToPortFailed);
        return false;
    }
    uint8_t answer = 0;
    if (ReadAnswer(answer) == 1)
        m_nAnswer = answer;
    return true;
}

bool CPrinterPort::JudgePrinter()
{
    m_nAnswer = -1;
    // The answer is read into the request buffer, so no answer leaves GS (0x1D) there.
    std::array<uint8_t, 50> command{};
    std::memcpy(command.data(), escpos::kTransmitPrinterId.data(), escpos::kTransmitPrinterId.size());
    if (!WriteDirect(command.data(), escpos::kTransmitPrinterId.size())) {
        WarnBox(msg::kWriteToPortFailed);
        return false;
    }
    const long read = ReadAnswer(command[0]);
    if (read < 0) {
        WarnBox(msg::kReceiveFailed);
        return false;
    }
    if (read == 1)
        m_nAnswer = command[0];
    if (command[0] != 0x20) {
        WarnBox(msg::kCommFailed);
        return false;
    }
    return true;
}

void CPrinterPort::Supervise(printer::WaitObserver* observer, const printer::CancelToken* cancel)
{
    m_slices.watcher = observer;
    m_cancel = cancel;
    if (m_link)
        m_link->Supervise({&m_slices, m_cancel});
}

CPrinterPort::Watching::Watching(CPrinterPort* port, printer::WaitObserver* observer,
                                 const printer::CancelToken* cancel)
    : m_port(port), m_observer(port ? port->m_slices.watcher : nullptr),
      m_cancel(port ? port->m_cancel : nullptr)
{
    if (m_port)
        m_port->Supervise(observer, cancel);
}

CPrinterPort::Watching::~Watching()
{
    if (m_port)
        m_port->Supervise(m_observer, m_cancel);
}

bool ProgressWriteBuffer(CPrinterPort& port, const std::string& device, const uint8_t* buffer,
                         uint32_t length)
{
    const platform::Context* context = port.OpenedWith();
    if (!port.GetLink() || !context)
        return false;
    context->Trace("%s\r\n", kProgressTraces.prefix);
    if (device.compare(0, 3, "COM") == 0 || device.compare(0, 3, "LPT") == 0)
        return TracedWrite(*context, *port.GetLink(), buffer, length, kProgressTraces);
    return port.WritePlain(buffer, length);
}

bool RunPrinterTest(CPrinterPort& port)
{
    const bool judging = port.OpenedWith() && platform::IsConsumerLine(*port.OpenedWith());
    const auto& init = escpos::kInitialize;
    const bool written =
        judging ? port.WriteDirect(init.data(), init.size()) : port.WriteBuffer(init.data(), init.size());
    if (!written) {
        if (const platform::Context* context = port.OpenedWith())
            context->Show(msg::kWriteToPortFailed, platform::MB_ICONEXCLAMATION);
        return false;
    }
    return judging ? port.JudgePrinter() : port.CheckPrinter();
}
