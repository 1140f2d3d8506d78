#include "serial/tty_port.h"

// The kernel's own termios2 (any bit rate through BOTHER); glibc's <termios.h> would clash.
#include <asm/termbits.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <cstdlib>

namespace torv::tty {

const int kCts = TIOCM_CTS;
const int kDsr = TIOCM_DSR;
const int kDtr = TIOCM_DTR;
const int kRts = TIOCM_RTS;
const int kCarrier = TIOCM_CD;
const int kRing = TIOCM_RI;

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
    case TSioDatabits::db5: return CS5;
    case TSioDatabits::db6: return CS6;
    case TSioDatabits::db7: return CS7;
    default: return CS8;
    }
}

std::uint32_t ParityFlags(TSioParity parity)
{
    switch (parity) {
    case TSioParity::paOdd: return PARENB | PARODD;
    case TSioParity::paEven: return PARENB;
    case TSioParity::paMark: return PARENB | CMSPAR | PARODD;
    case TSioParity::paSpace: return PARENB | CMSPAR;
    default: return 0;
    }
}

}  // namespace

bool KernelHandshake(const LineSettings& settings)
{
    return settings.controlRts == TSioControlRts::rtsHandshake;
}

std::optional<TermiosWords> BuildTermios(const LineSettings& settings)
{
    if (settings.databits == TSioDatabits::db4 || settings.baudrate <= 0) {
        return std::nullopt;
    }
    TermiosWords words;
    const std::uint32_t code = SpeedCode(settings.baudrate);
    words.cflag = CREAD | CLOCAL | code | SizeFlag(settings.databits) | ParityFlags(settings.parity);
    if (settings.stopbits != TSioStopbits::sb1) {
        words.cflag |= CSTOPB;  // 1.5 stop bits where the UART gives them with 5 data bits
    }
    if (KernelHandshake(settings)) {
        words.cflag |= CRTSCTS;
    }
    // Marks instead of a bare 0 for a byte with an error, and for a break.
    words.iflag |= PARMRK;
    if (settings.options.testFlag(TSioCommOption::coParityCheck)) {
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

bool IsPseudoTerminalNumber(unsigned long long deviceNumber)
{
    const unsigned major = ::major(static_cast<dev_t>(deviceNumber));
    return major >= 136 && major <= 143;
}

int ApplyLineSettings(Device& device, const LineSettings& settings)
{
    const auto words = BuildTermios(settings);
    if (!words) {
        return EINVAL;
    }
    TermiosWords current;
    if (const int error = device.GetAttributes(current)) {
        return error;
    }
    TermiosWords wanted = *words;
    wanted.minChars = current.minChars;
    wanted.timeTenths = current.timeTenths;
    if (const int error = device.SetAttributes(wanted)) {
        return error;
    }
    // The system takes settings a driver cannot do without an error, and keeps what the
    // driver can: only reading them back tells that the rate or the frame was refused.
    TermiosWords taken;
    if (const int error = device.GetAttributes(taken)) {
        return error;
    }
    struct stat handle {};
    const bool pseudoTerminal =
        ::fstat(device.Handle(), &handle) == 0 && S_ISCHR(handle.st_mode) && IsPseudoTerminalNumber(handle.st_rdev);
    constexpr std::uint32_t kFrameBits = CSIZE | PARENB | PARODD | CSTOPB;
    // A driver may round the rate: within 2 % a UART still reads the line.
    const auto rateOff = std::abs(static_cast<long long>(taken.speed) - static_cast<long long>(wanted.speed));
    if (!pseudoTerminal && (rateOff * 50 > static_cast<long long>(wanted.speed) ||
                            (taken.cflag & kFrameBits) != (wanted.cflag & kFrameBits))) {
        return EINVAL;
    }
    const bool dtrOn = settings.controlDtr != TSioControlDtr::dtrDisabled;
    const bool rtsOn =
        settings.controlRts == TSioControlRts::rtsEnabled || settings.controlRts == TSioControlRts::rtsHandshake;
    if (const int error = device.SetModemLines(kDtr, dtrOn)) {
        return error;
    }
    return device.SetModemLines(kRts, rtsOn);
}

int MakeBinary(Device& device)
{
    TermiosWords words;
    if (const int error = device.GetAttributes(words)) {
        return error;
    }
    words.iflag &= ~static_cast<std::uint32_t>(ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | BRKINT);
    words.oflag &= ~static_cast<std::uint32_t>(OPOST);
    words.lflag &= ~static_cast<std::uint32_t>(ICANON | ECHO | ECHOE | ECHOK | ECHONL | ISIG | IEXTEN);
    return device.SetAttributes(words);
}

bool MarksInput(Device& device)
{
    TermiosWords words;
    return device.GetAttributes(words) == 0 && (words.iflag & PARMRK) != 0;
}

int SetNonWaitingReads(Device& device)
{
    TermiosWords words;
    if (const int error = device.GetAttributes(words)) {
        return error;
    }
    words.minChars = 0;
    words.timeTenths = 0;
    return device.SetAttributes(words);
}

int LineErrors(const LineCounters& before, const LineCounters& now)
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

int ModemChanges(const LineCounters& before, const LineCounters& now)
{
    return (now.cts != before.cts ? kCts : 0) | (now.dsr != before.dsr ? kDsr : 0) |
           (now.carrier != before.carrier ? kCarrier : 0) | (now.ring != before.ring ? kRing : 0);
}

bool IsDeviceLost(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV;
}

}  // namespace torv::tty
