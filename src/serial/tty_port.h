#pragma once
// The Linux side of the serial component: a terminal device driven through termios and
// ioctl calls. Functions that can fail return 0 or the errno value; features a device
// lacks (a pseudo-terminal has no modem lines, some USB drivers no error counters) are
// reported as absent, not as failures.

#include "serial/sio_types.h"

#include <cstdint>
#include <optional>
#include <string>

namespace torv::tty {

// The items of the line settings, gathered from the component's properties.
struct LineSettings {
    int baudrate = 1200;
    TSioParity parity = paNone;
    TSioDatabits databits = db8;
    TSioStopbits stopbits = sb1;
    TSioCommOptions options = 0;
    TSioControlDtr controlDtr = dtrDisabled;
    TSioControlRts controlRts = rtsDisabled;
    bool xonXoffOut = false;
    bool xonXoffIn = false;
    std::uint8_t xonChar = 17;
    std::uint8_t xoffChar = 19;
    // Not termios items: the component itself holds its writes while these lines are off.
    bool gateOnCts = false;
    bool gateOnDsr = false;
};

// The termios words built from line settings (field values as the kernel defines them).
struct TermiosWords {
    std::uint32_t iflag = 0;
    std::uint32_t oflag = 0;
    std::uint32_t cflag = 0;
    std::uint32_t lflag = 0;
    std::uint32_t speed = 0;
    std::uint8_t startChar = 0;
    std::uint8_t stopChar = 0;
};

// Raw, binary, receiver on, carrier ignored, no hang-up on close. RTS/CTS handshake is
// left to the kernel only for rtsHandshake: on Linux it always drives RTS for input
// flow as well, so with RTS held off the component itself gates its writes on CTS.
// Nothing for settings Linux cannot give (4 data bits, a bit rate of 0 or less).
std::optional<TermiosWords> BuildTermios(const LineSettings& settings);

// True when the kernel does RTS/CTS handshaking for these settings.
bool KernelHandshake(const LineSettings& settings);

// Opens read-write, no controlling terminal, non-blocking, close-on-exec, and takes
// the device for this process alone (TIOCEXCL and an exclusive flock, which also
// holds against root). Result: the descriptor, or -errno.
int OpenExclusive(const std::string& path);

// Gives up the exclusive use and closes, so that the next open by any user succeeds
// while another descriptor (an emulator's, say) keeps the terminal alive.
void ReleaseAndClose(int fd);

// Writes the line settings (keeping the device's VMIN and VTIME) and sets DTR and RTS.
int ApplyLineSettings(int fd, const LineSettings& settings);

// Reads return at once with whatever is queued (VMIN 0, VTIME 0).
int SetNonWaitingReads(int fd);

// TIOCM_* bits of the modem lines, or nothing when the device has none.
std::optional<int> ModemStatus(int fd);

// Sets (on) or clears (off) the given TIOCM_* output lines; no modem lines is no error.
int SetModemLines(int fd, int lines, bool on);

// Bytes waiting in the input queue or in the output queue.
int InputQueue(int fd, int& count);
int OutputQueue(int fd, int& count);

// Running totals of the line-error counters, or nothing when the driver keeps none.
struct ErrorCounters {
    int frame = 0;
    int overrun = 0;
    int parity = 0;
    int brk = 0;
    int bufferOverrun = 0;
};
std::optional<ErrorCounters> ReadErrorCounters(int fd);

// Line-error flags for the difference between two readings.
int LineErrors(const ErrorCounters& before, const ErrorCounters& now);

// Discards both queues.
int Purge(int fd);

// The modem-line bits used by the component.
extern const int kCts;
extern const int kDsr;
extern const int kDtr;
extern const int kRts;

// Errors by which a device tells that it has gone (hung up, unplugged).
bool IsDeviceLost(int error);

}  // namespace torv::tty
