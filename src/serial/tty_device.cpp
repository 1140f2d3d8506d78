#include "serial/tty_device.h"

#include "serial/rfc2217_device.h"

// The kernel's own termios2 (any bit rate through BOTHER); glibc's <termios.h> would clash.
#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace torv::tty {

namespace {

// Drivers without modem lines or without a request answer one of these.
bool Unsupported(int error)
{
    return error == ENOTTY || error == EINVAL || error == EOPNOTSUPP;
}

// TIOCMIWAIT has no time limit: a signal without SA_RESTART is what ends it. The handler
// does nothing; only the interrupted wait matters.
int ModemWaitSignal()
{
    static const int signal = [] {
        const int number = SIGRTMIN + 4;
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        ::sigaction(number, &action, nullptr);
        return number;
    }();
    return signal;
}

class TerminalDevice final : public Device {
public:
    explicit TerminalDevice(int fd) : fd_(fd) {}
    ~TerminalDevice() override
    {
        // Output the line cannot send (flow stopped) would hold the close for up to 30 s.
        ::ioctl(fd_, TCFLSH, TCOFLUSH);
        ::ioctl(fd_, TIOCNXCL);
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
    TerminalDevice(const TerminalDevice&) = delete;
    TerminalDevice& operator=(const TerminalDevice&) = delete;

    int Handle() const override { return fd_; }

    int GetAttributes(TermiosWords& words) override
    {
        termios2 current{};
        if (::ioctl(fd_, TCGETS2, &current) != 0) {
            return errno;
        }
        words.iflag = current.c_iflag;
        words.oflag = current.c_oflag;
        words.cflag = current.c_cflag;
        words.lflag = current.c_lflag;
        words.speed = current.c_ospeed;
        words.startChar = current.c_cc[VSTART];
        words.stopChar = current.c_cc[VSTOP];
        words.minChars = current.c_cc[VMIN];
        words.timeTenths = current.c_cc[VTIME];
        return 0;
    }

    int SetAttributes(const TermiosWords& words) override
    {
        termios2 current{};
        if (::ioctl(fd_, TCGETS2, &current) != 0) {
            return errno;
        }
        current.c_iflag = words.iflag;
        current.c_oflag = words.oflag;
        current.c_cflag = words.cflag;
        current.c_lflag = words.lflag;
        current.c_ispeed = words.speed;
        current.c_ospeed = words.speed;
        current.c_cc[VSTART] = words.startChar;
        current.c_cc[VSTOP] = words.stopChar;
        current.c_cc[VMIN] = words.minChars;
        current.c_cc[VTIME] = words.timeTenths;
        return ::ioctl(fd_, TCSETS2, &current) == 0 ? 0 : errno;
    }

    std::optional<int> ModemStatus() override
    {
        int lines = 0;
        if (::ioctl(fd_, TIOCMGET, &lines) != 0) {
            return std::nullopt;
        }
        return lines;
    }

    int SetModemLines(int lines, bool on) override
    {
        if (::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &lines) == 0 || Unsupported(errno)) {
            return 0;
        }
        return errno;
    }

    int WaitModemChange(int lines) override
    {
        ModemWaitSignal();  // installed before the first wait can be interrupted
        return ::ioctl(fd_, TIOCMIWAIT, static_cast<unsigned long>(lines)) == 0 ? 0 : errno;
    }

    void InterruptModemWait(pthread_t waiter) override { ::pthread_kill(waiter, ModemWaitSignal()); }

    std::optional<LineCounters> Counters() override
    {
        serial_icounter_struct counts{};
        if (::ioctl(fd_, TIOCGICOUNT, &counts) != 0) {
            return std::nullopt;
        }
        return LineCounters{counts.frame, counts.overrun, counts.parity, counts.brk, counts.buf_overrun,
                            counts.cts,   counts.dsr,     counts.rng,    counts.dcd};
    }

    int OutputQueue(int& count) override { return ::ioctl(fd_, TIOCOUTQ, &count) == 0 ? 0 : errno; }
    int Purge() override { return ::ioctl(fd_, TCFLSH, TCIOFLUSH) == 0 ? 0 : errno; }

    long Read(void* buffer, std::size_t count) override
    {
        const ssize_t got = ::read(fd_, buffer, count);
        return got >= 0 ? got : -errno;
    }

    long Write(const void* data, std::size_t count) override
    {
        const ssize_t sent = ::write(fd_, data, count);
        return sent >= 0 ? sent : -errno;
    }

private:
    const int fd_;
};

}  // namespace

std::unique_ptr<Device> OpenTerminal(const std::string& path, int& error)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return nullptr;
    }
    auto device = std::make_unique<TerminalDevice>(fd);
    if (::ioctl(fd, TIOCEXCL) != 0 && !Unsupported(errno)) {
        error = errno;
        return nullptr;
    }
    return device;
}

std::unique_ptr<Device> OpenDevice(const std::string& path, int& error)
{
    return IsRfc2217Name(path) ? OpenRfc2217(path) : OpenTerminal(path, error);
}

}  // namespace torv::tty
