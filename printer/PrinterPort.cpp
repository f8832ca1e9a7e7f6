#include "printer/PrinterPort.h"

#include <array>
#include <cerrno>
#include <cstring>

#include "platform/FileChooser.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/Trace.h"
#include "platform/Version.h"
#include "printer/EscPos.h"
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

bool TracedWrite(printer::Port& port, const uint8_t* buffer, uint32_t length, const WriteTraces& traces)
{
    platform::Trace("%s-Issue write\r\n", traces.prefix);
    const printer::Port::WriteOutcome outcome = port.Write(buffer, length);
    if (!outcome.waited) {
        if (!outcome.Complete(length))
            platform::Trace("%s%s", traces.prefix, traces.failed);
        return outcome.Complete(length);
    }
    platform::Trace("%s%s", traces.prefix, traces.pending);
    platform::Trace("%s-Event fired![%d]\r\n", traces.prefix, 0);
    if (traces.reportShortCount && outcome.written != length)
        platform::Trace("%s-IO Pending [%ld/%ld]\r\n", traces.prefix, static_cast<long>(outcome.written),
                        static_cast<long>(length));
    return outcome.Complete(length);
}

void WarnBox(const char* text)
{
    platform::AfxMessageBox(text, platform::MB_ICONEXCLAMATION);
}

// The device behind a port name; "" with errno ENOENT when the name stands for none.
std::string DeviceFor(const std::string& name)
{
    std::string device = printer::ResolveDevice(name);
    if (device.empty())
        errno = ENOENT;
    return device;
}

} // namespace

CPrinterPort::CPrinterPort(const printer::PortVariant& variant) : m_variant(variant)
{
}

bool CPrinterPort::OpenLpt(const std::string& lptName)
{
    // The consumer line also zeroed the port's time-outs here; a Linux printer device
    // has none to set, so the version makes no difference.
    const std::string device = DeviceFor(lptName);
    const bool opened = !device.empty() && m_hPort.OpenPrinterDevice(device, m_variant.lptReadAccess);
    if (!opened)
        m_nOpenError = errno;
    return opened;
}

bool CPrinterPort::OpenPort(const std::string& device, uint32_t baud, uint8_t byteSize, uint8_t parity,
                            uint8_t stopBits, int32_t handshake)
{
    bool opened = false;
    m_strNetError.clear();
    if (m_variant.fileTarget && device == printer::kFileDevice) {
        std::string name;
        if (!platform::GetFileChooser().AskOutputFileName(name))
            name = "temp.prn";
        m_bToFile = true;
        opened = m_hPort.OpenOutputFile(name);
    } else if (printer::HasNetPrefix(device)) {
        m_bToFile = false;
        opened = OpenNetwork(device);
    } else {
        m_bToFile = false;
        const std::string path = DeviceFor(device);
        opened = !path.empty() &&
                 m_hPort.OpenSerial(path, {baud, byteSize, parity, stopBits, handshake}, m_variant);
    }
    if (!opened)
        m_nOpenError = errno;
    return opened;
}

bool CPrinterPort::WriteBuffer(const uint8_t* buffer, uint32_t length)
{
    switch (m_variant.style) {
    case printer::WriteStyle::UploadPage:
        platform::Trace("[VARNEX] WriteBuffer()\r\n");
        if (m_bToFile)
            return m_hPort.Write(buffer, length).Complete(length);
        return TracedWrite(m_hPort, buffer, length, kUploadPageTraces);
    case printer::WriteStyle::SetupPage: {
        const printer::Port::WriteOutcome outcome = m_hPort.Write(buffer, length);
        if (!outcome.Complete(length) && outcome.waited)
            platform::AfxMessageBox(msg::kOverlappedWriteFailed, platform::MB_OK);
        return outcome.Complete(length);
    }
    case printer::WriteStyle::PrintPage:
        break;
    }
    return m_hPort.Write(buffer, length).Complete(length);
}

bool CPrinterPort::ClosePort()
{
    m_hPort.Close();
    return true;
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
    if (m_hPort.ReadByte(answer, m_variant.answerWaitMs) == printer::Port::Answer::Byte)
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
    const printer::Port::Answer answer = m_hPort.ReadByte(command[0], m_variant.answerWaitMs);
    if (answer == printer::Port::Answer::Failed) {
        WarnBox(msg::kReceiveFailed);
        return false;
    }
    if (answer == printer::Port::Answer::Byte)
        m_nAnswer = command[0];
    if (command[0] != 0x20) {
        WarnBox(msg::kCommFailed);
        return false;
    }
    return true;
}

bool CPrinterPort::WriteDirect(const uint8_t* buffer, uint32_t length)
{
    return m_hPort.WriteAtOnce(buffer, length);
}

bool ProgressWriteBuffer(printer::Port& port, const std::string& device, const uint8_t* buffer,
                         uint32_t length)
{
    platform::Trace("%s\r\n", kProgressTraces.prefix);
    if (device.compare(0, 3, "COM") == 0 || device.compare(0, 3, "LPT") == 0)
        return TracedWrite(port, buffer, length, kProgressTraces);
    return port.Write(buffer, length).Complete(length);
}

bool RunPrinterTest(CPrinterPort& port)
{
    const bool judging = platform::IsConsumerLine();
    const auto& init = escpos::kInitialize;
    const bool written =
        judging ? port.WriteDirect(init.data(), init.size()) : port.WriteBuffer(init.data(), init.size());
    if (!written) {
        WarnBox(msg::kWriteToPortFailed);
        return false;
    }
    return judging ? port.JudgePrinter() : port.CheckPrinter();
}
