#pragma once
// One open printer port, device or output file. All pages use this one implementation;
// the page's variant (PortVariant.h) decides access, time-outs and flow control.
//
// The descriptor stays non-blocking; blocking is done here with poll in short slices
// so that platform::KeepAlive can repaint the window while a printer holds the line.
// A failed open leaves nothing open and errno as the failing call left it.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "printer/PortVariant.h"
#include "printer/TcpPort.h"

namespace printer {

struct SerialSettings {
    uint32_t baud = 115200;
    uint8_t byteSize = 8;  // 7 or 8
    uint8_t parity = 0;    // 0 none, 1 odd, 2 even
    uint8_t stopBits = 0;  // 0 one, 2 two
    int32_t handshake = 0; // 0 DTR/DSR, 1 XON/XOFF
};

class Port {
public:
    Port() = default;
    ~Port();
    Port(Port&& other) noexcept;
    Port& operator=(Port&& other) noexcept;
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    // A serial device: exclusive (flock, and TIOCEXCL for other users), pending data
    // discarded, raw mode with the settings, DTR raised, the variant's flow control.
    // A device that is no terminal (a USB printer) opens without line settings.
    bool OpenSerial(const std::string& device, const SerialSettings& settings, const PortVariant& variant);
    // A printer device used as it is (LPT): exclusive, for writing, and for reading
    // too when readAccess is set and the device allows it.
    bool OpenPrinterDevice(const std::string& device, bool readAccess);
    // An output file, created or emptied; a name without a folder lands in the
    // current folder.
    bool OpenOutputFile(const std::string& path);
    // A network printer (TcpPort.h). Reads, writes and the close then go over the
    // connection; errno and Connection().ErrorText() tell why an open failed.
    bool OpenNetwork(const NetAddress& address);
    // True once the printer has everything written so far: a network printer has
    // acknowledged every byte (under the stall rule); other ports have nothing to wait
    // for here.
    bool WaitDelivered();
    bool IsNetwork() const { return m_net.IsOpen(); }
    const TcpPort& Connection() const { return m_net; }

    struct WriteOutcome {
        size_t written = 0;  // bytes handed to the device
        bool waited = false; // the write could not complete at once
        int error = 0;       // errno of the failure, ETIMEDOUT when M ms per byte ran out
        bool Complete(size_t length) const { return error == 0 && written == length; }
    };
    // Returns when all bytes are handed over, the device hung up or failed, or the
    // write time-out ran out. A write of nothing succeeds at once.
    WriteOutcome Write(const uint8_t* data, size_t length);
    // One try without waiting: true when the device took all bytes at once.
    bool WriteAtOnce(const uint8_t* data, size_t length);

    enum class Answer {
        Byte,   // one byte was read into byte
        None,   // nothing came within the wait, or nothing ever will (end of file)
        Failed, // the device cannot be read, or it hung up
    };
    // Waits up to waitMs for one byte; byte is untouched unless one came.
    Answer ReadByte(uint8_t& byte, int waitMs);

    // Gives the device up to half a second without progress to send what it still
    // holds, throws the rest away and closes; never stalls in the kernel's closing
    // wait. Keeps errno.
    void Close();

    bool IsOpen() const { return m_fd >= 0; }
    bool IsFile() const { return m_fd >= 0 && m_kind == Kind::File; }
    bool IsTerminal() const { return m_fd >= 0 && m_kind == Kind::Terminal; }
    int Fd() const { return m_fd; }

    // Opens device as discovery does and closes it again: true when it could be
    // had exclusively right now.
    static bool CanOpenExclusively(const std::string& device);

private:
    enum class Kind { Terminal, Device, File };
    using Clock = std::chrono::steady_clock;

    bool OpenExclusive(const std::string& device, int access);
    bool ConfigureTerminal(const SerialSettings& settings, const PortVariant& variant);
    WriteOutcome WriteFile(const uint8_t* data, size_t length);
    bool WaitWritable(Clock::time_point deadline, bool backOff, int& error);
    bool WaitForDsr(Clock::time_point deadline, WriteOutcome& outcome);
    void DrainOrDiscard();

    int m_fd = -1;
    Kind m_kind = Kind::Device;
    bool m_canRead = false;
    bool m_dsrGate = false;
    std::chrono::milliseconds m_timeoutPerByte{0};
    TcpPort m_net; // open for a network printer; m_fd is then its socket
};

// The network branches of Port's operations (NetworkPort.cpp).
Port::WriteOutcome NetworkWrite(TcpPort& connection, const uint8_t* data, size_t length);
Port::Answer NetworkReadByte(TcpPort& connection, uint8_t& byte, int waitMs);

} // namespace printer
