#include "printer/LineSettings.h"

#include <array>
#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

#include "platform/Context.h"

namespace printer {
namespace {

struct SpeedCode {
    uint32_t baud;
    tcflag_t code;
};
constexpr std::array<SpeedCode, 10> kSpeedCodes = {{{1200, B1200},
                                                    {2400, B2400},
                                                    {4800, B4800},
                                                    {9600, B9600},
                                                    {19200, B19200},
                                                    {38400, B38400},
                                                    {57600, B57600},
                                                    {115200, B115200},
                                                    {230400, B230400},
                                                    {460800, B460800}}};

bool Valid(const LineSettings& s)
{
    return s.baud > 0 && s.byteSize >= 5 && s.byteSize <= 8 && s.parity <= 2 &&
           (s.stopBits == 0 || s.stopBits == 2);
}

void SetSpeed(termios2& t, uint32_t baud)
{
    t.c_cflag &= ~(CBAUD | CIBAUD);
    for (const SpeedCode& speed : kSpeedCodes)
        if (speed.baud == baud) {
            t.c_cflag |= speed.code;
            t.c_ispeed = t.c_ospeed = baud;
            return;
        }
    t.c_cflag |= BOTHER;
    t.c_ispeed = t.c_ospeed = baud;
}

tcflag_t SizeFlag(uint8_t byteSize)
{
    switch (byteSize) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

} // namespace

bool IsTerminal(int fd)
{
    termios2 t{};
    return ::ioctl(fd, TCGETS2, &t) == 0;
}

LineFlags ComposeLineFlags(const LineSettings& s, LineFlags t)
{
    t.iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
    t.oflag &= ~OPOST;
    t.lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.cflag |= SizeFlag(s.byteSize) | CREAD | CLOCAL;
    if (s.parity != 0) {
        t.cflag |= PARENB | (s.parity == 1 ? PARODD : 0);
        t.iflag |= INPCK;
    }
    if (s.stopBits == 2)
        t.cflag |= CSTOPB;
    if (s.ctsFlow)
        t.cflag |= CRTSCTS;
    if (s.xonXoff)
        t.iflag |= IXON | IXOFF;
    t.startChar = 0x11;
    t.stopChar = 0x13;
    return t;
}

bool ApplyLineSettings(int fd, const LineSettings& s)
{
    if (!Valid(s)) {
        errno = EINVAL;
        return false;
    }
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0)
        return false;
    const LineFlags flags = ComposeLineFlags(s, {t.c_cflag, t.c_iflag, t.c_oflag, t.c_lflag, 0, 0});
    t.c_cflag = flags.cflag;
    t.c_iflag = flags.iflag;
    t.c_oflag = flags.oflag;
    t.c_lflag = flags.lflag;
    t.c_cc[VSTART] = flags.startChar;
    t.c_cc[VSTOP] = flags.stopChar;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    SetSpeed(t, s.baud);
    return ::ioctl(fd, TCSETS2, &t) == 0;
}

bool ReadLineSettings(int fd, LineSettings& s)
{
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0)
        return false;
    s.baud = t.c_ospeed;
    switch (t.c_cflag & CSIZE) {
    case CS5:
        s.byteSize = 5;
        break;
    case CS6:
        s.byteSize = 6;
        break;
    case CS7:
        s.byteSize = 7;
        break;
    default:
        s.byteSize = 8;
        break;
    }
    s.parity = (t.c_cflag & PARENB) ? ((t.c_cflag & PARODD) ? 1 : 2) : 0;
    s.stopBits = (t.c_cflag & CSTOPB) ? 2 : 0;
    s.ctsFlow = (t.c_cflag & CRTSCTS) != 0;
    s.xonXoff = (t.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF) && !(t.c_iflag & IXANY);
    return true;
}

bool FlushLine(int fd, bool input, bool output)
{
    const int which = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    return ::ioctl(fd, TCFLSH, which) == 0;
}

int PendingOutput(const platform::Context& context, int fd)
{
    if (context.outputQueue)
        return context.outputQueue(fd);
    int pending = 0;
    return ::ioctl(fd, TIOCOUTQ, &pending) == 0 ? pending : -1;
}

int QueryModemLines(const platform::Context& context, int fd, int& lines)
{
    if (context.modemLines)
        return context.modemLines(fd, lines);
    return ::ioctl(fd, TIOCMGET, &lines);
}

void ReleaseFlowControl(int fd)
{
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) == 0 && ((t.c_cflag & CRTSCTS) || (t.c_iflag & IXON))) {
        t.c_cflag &= ~CRTSCTS;
        t.c_iflag &= ~IXON;
        ::ioctl(fd, TCSETS2, &t);
    }
    ::ioctl(fd, TCXONC, TCOON);
}

void SuspendOutput(int fd)
{
    ::ioctl(fd, TCXONC, TCOOFF);
}

void ResumeOutput(int fd)
{
    ::ioctl(fd, TCXONC, TCOON);
}

bool SetModemLines(int fd, int lines, bool on)
{
    return ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &lines) == 0;
}

bool SetExclusive(int fd, bool on)
{
    return ::ioctl(fd, on ? TIOCEXCL : TIOCNXCL) == 0;
}

} // namespace printer
