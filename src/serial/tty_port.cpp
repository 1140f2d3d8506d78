#include "serial/tty_port.h"

// The kernel's own termios2 (any bit rate through BOTHER); glibc's <termios.h> would clash.
#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>

namespace torv::tty {

const int kCts = TIOCM_CTS;
const int kDsr = TIOCM_DSR;
const int kDtr = TIOCM_DTR;
const int kRts = TIOCM_RTS;

namespace {

struct StandardRate {
    int bitsPerSecond;
    std::uint32_t code;
};

constexpr StandardRate kStandardRates[] = {
    {110, B110},       {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},
    {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

std::uint32_t SpeedCode(int bitsPerSecond)
{
    for (const auto& rate : kStandardRates) {
        if (rate.bitsPerSecond == bitsPerSecond) {
            return rate.code;
        }
    }
    return BOTHER;  // 14400, 56000, 128000, 256000 and user rates: the exact number
}

std::uint32_t SizeFlag(TSioDatabits databits)
{
    switch (databits) {
    case db5: return CS5;
    case db6: return CS6;
    case db7: return CS7;
    default: return CS8;
    }
}

std::uint32_t ParityFlags(TSioParity parity)
{
    switch (parity) {
    case paOdd: return PARENB | PARODD;
    case paEven: return PARENB;
    case paMark: return PARENB | CMSPAR | PARODD;
    case paSpace: return PARENB | CMSPAR;
    default: return 0;
    }
}

// Drivers without modem lines or without a request answer one of these.
bool Unsupported(int error)
{
    return error == ENOTTY || error == EINVAL || error == EOPNOTSUPP;
}

}  // namespace

bool KernelHandshake(const LineSettings& settings)
{
    return settings.controlRts == rtsHandshake;
}

std::optional<TermiosWords> BuildTermios(const LineSettings& settings)
{
    if (settings.databits == db4 || settings.baudrate <= 0) {
        return std::nullopt;
    }
    TermiosWords words;
    const std::uint32_t code = SpeedCode(settings.baudrate);
    words.cflag = CREAD | CLOCAL | code | SizeFlag(settings.databits) | ParityFlags(settings.parity);
    if (settings.stopbits != sb1) {
        words.cflag |= CSTOPB;  // 1.5 stop bits where the UART gives them with 5 data bits
    }
    if (KernelHandshake(settings)) {
        words.cflag |= CRTSCTS;
    }
    // Without PARMRK or IGNPAR the kernel hands on a byte with a parity error as 0.
    if ((settings.options & coParityCheck) != 0) {
        words.iflag |= INPCK;
    }
    if (settings.xonXoffOut) {
        words.iflag |= IXON;
    }
    if (settings.xonXoffIn) {
        words.iflag |= IXOFF;
    }
    words.speed = static_cast<std::uint32_t>(settings.baudrate);
    words.startChar = settings.xonChar;
    words.stopChar = settings.xoffChar;
    return words;
}

int OpenExclusive(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -errno;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return -error;
    }
    if (::ioctl(fd, TIOCEXCL) != 0 && !Unsupported(errno)) {
        const int error = errno;
        ReleaseAndClose(fd);
        return -error;
    }
    return fd;
}

void ReleaseAndClose(int fd)
{
    // Output the line cannot send (flow stopped) would hold the close for up to 30 s.
    ::ioctl(fd, TCFLSH, TCOFLUSH);
    ::ioctl(fd, TIOCNXCL);
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

int ApplyLineSettings(int fd, const LineSettings& settings)
{
    const auto words = BuildTermios(settings);
    if (!words) {
        return EINVAL;
    }
    termios2 current{};
    if (::ioctl(fd, TCGETS2, &current) != 0) {
        return errno;
    }
    current.c_iflag = words->iflag;
    current.c_oflag = words->oflag;
    current.c_cflag = words->cflag;
    current.c_lflag = words->lflag;
    current.c_ispeed = words->speed;
    current.c_ospeed = words->speed;
    current.c_cc[VSTART] = words->startChar;
    current.c_cc[VSTOP] = words->stopChar;
    if (::ioctl(fd, TCSETS2, &current) != 0) {
        return errno;
    }
    const bool dtrOn = settings.controlDtr != dtrDisabled;
    const bool rtsOn = settings.controlRts == rtsEnabled || settings.controlRts == rtsHandshake;
    if (const int error = SetModemLines(fd, kDtr, dtrOn)) {
        return error;
    }
    return SetModemLines(fd, kRts, rtsOn);
}

int SetNonWaitingReads(int fd)
{
    termios2 current{};
    if (::ioctl(fd, TCGETS2, &current) != 0) {
        return errno;
    }
    current.c_cc[VMIN] = 0;
    current.c_cc[VTIME] = 0;
    return ::ioctl(fd, TCSETS2, &current) == 0 ? 0 : errno;
}

std::optional<int> ModemStatus(int fd)
{
    int lines = 0;
    if (::ioctl(fd, TIOCMGET, &lines) != 0) {
        return std::nullopt;
    }
    return lines;
}

int SetModemLines(int fd, int lines, bool on)
{
    if (::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &lines) == 0 || Unsupported(errno)) {
        return 0;
    }
    return errno;
}

int InputQueue(int fd, int& count)
{
    return ::ioctl(fd, FIONREAD, &count) == 0 ? 0 : errno;
}

int OutputQueue(int fd, int& count)
{
    return ::ioctl(fd, TIOCOUTQ, &count) == 0 ? 0 : errno;
}

std::optional<ErrorCounters> ReadErrorCounters(int fd)
{
    serial_icounter_struct counts{};
    if (::ioctl(fd, TIOCGICOUNT, &counts) != 0) {
        return std::nullopt;
    }
    return ErrorCounters{counts.frame, counts.overrun, counts.parity, counts.brk, counts.buf_overrun};
}

int LineErrors(const ErrorCounters& before, const ErrorCounters& now)
{
    int flags = 0;
    if (now.bufferOverrun != before.bufferOverrun) {
        flags |= line_error::kRxOverflow;
    }
    if (now.overrun != before.overrun) {
        flags |= line_error::kOverrun;
    }
    if (now.parity != before.parity) {
        flags |= line_error::kParity;
    }
    if (now.frame != before.frame) {
        flags |= line_error::kFrame;
    }
    if (now.brk != before.brk) {
        flags |= line_error::kBreak;
    }
    return flags;
}

int Purge(int fd)
{
    return ::ioctl(fd, TCFLSH, TCIOFLUSH) == 0 ? 0 : errno;
}

bool IsDeviceLost(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV;
}

}  // namespace torv::tty
