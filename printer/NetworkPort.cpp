// The network printer's side of Port: a TcpPort behind the port operations.
#include "printer/Port.h"

namespace printer {

bool Port::OpenNetwork(const NetAddress& address)
{
    Close();
    if (!m_net.Connect(address))
        return false;
    m_fd = m_net.Fd();
    m_kind = Kind::Device;
    m_canRead = true;
    m_dsrGate = false;
    m_timeoutPerByte = std::chrono::milliseconds(0);
    return true;
}

bool Port::WaitDelivered()
{
    return !m_net.IsOpen() || m_net.Drain();
}

Port::WriteOutcome NetworkWrite(TcpPort& connection, const uint8_t* data, size_t length)
{
    const TcpPort::Outcome sent = connection.Write(data, length);
    Port::WriteOutcome outcome;
    outcome.written = sent.written;
    outcome.waited = sent.waited;
    outcome.error = sent.error;
    return outcome;
}

Port::Answer NetworkReadByte(TcpPort& connection, uint8_t& byte, int waitMs)
{
    switch (connection.ReadByte(byte, waitMs)) {
    case TcpPort::Answer::Byte:
        return Port::Answer::Byte;
    case TcpPort::Answer::None:
        return Port::Answer::None;
    case TcpPort::Answer::Failed:
        break;
    }
    return Port::Answer::Failed;
}

} // namespace printer
