// CPrinterPort's way to a network printer.
#include <cerrno>
#include <cstring>

#include "platform/MessageBox.h"
#include "printer/NetAddress.h"
#include "printer/PrinterPort.h"

bool CPrinterPort::OpenNetwork(const std::string& name)
{
    printer::NetAddress address;
    if (!printer::ParseNetPortName(name, address, m_strNetError)) {
        errno = EINVAL;
        return false;
    }
    if (m_hPort.OpenNetwork(address))
        return true;
    const int error = errno;
    m_strNetError = m_hPort.Connection().ErrorText();
    errno = error;
    return false;
}

std::string CPrinterPort::OpenErrorText() const
{
    if (!m_strNetError.empty())
        return m_strNetError;
    return std::strerror(m_nOpenError);
}

bool CPrinterPort::WaitDelivered(const char* failureText)
{
    if (m_hPort.WaitDelivered())
        return true;
    platform::AfxMessageBox(failureText, platform::MB_ICONEXCLAMATION);
    return false;
}
