#include "tests/support/FakeUsbPrinter.h"

#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace testing_support {

FakeUsbPrinter::FakeUsbPrinter() : m_path(m_dir.File("lp0"))
{
    if (::mkfifo(m_path.c_str(), 0600) != 0)
        throw std::runtime_error("mkfifo failed");
    m_reader = ::open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_reader < 0 || ::fcntl(m_reader, F_SETPIPE_SZ, 4096) < 0)
        throw std::runtime_error("cannot set up the FIFO");
}

FakeUsbPrinter::~FakeUsbPrinter()
{
    Unplug();
}

bool FakeUsbPrinter::CompleteTransfer()
{
    pollfd fd{m_reader, POLLIN, 0};
    ::poll(&fd, 1, 0);
    const bool writerOpen = !(fd.revents & POLLHUP);
    unsigned char buffer[4096];
    for (ssize_t n; (n = ::read(m_reader, buffer, sizeof buffer)) > 0;)
        m_bytes.insert(m_bytes.end(), buffer, buffer + n);
    return writerOpen;
}

void FakeUsbPrinter::Unplug()
{
    if (m_reader >= 0)
        ::close(m_reader);
    m_reader = -1;
}

} // namespace testing_support
