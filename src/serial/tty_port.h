#pragma once
// The Linux side of the serial component: line settings as termios words, applied to a
// terminal device. Functions that can fail return 0 or the errno value; features a device
// lacks (a pseudo-terminal has no modem lines, some USB drivers no error counters) are
// reported as absent, not as failures.

#include "serial/sio_types.h"
#include "serial/tty_device.h"

#include <cstdint>
#include <optional>
#include <string>

namespace torv::tty {

// The items of the line settings, gathered from the component's properties.
struct LineSettings {
    int baudrate = 1200;
    TSioParity parity = TSioParity::paNone;
    TSioDatabits databits = TSioDatabits::db8;
    TSioStopbits stopbits = TSioStopbits::sb1;
    TSioCommOptions options;
    TSioControlDtr controlDtr = TSioControlDtr::dtrDisabled;
    TSioControlRts controlRts = TSioControlRts::rtsDisabled;
    bool xonXoffOut = false;
    bool xonXoffIn = false;
    std::uint8_t xonChar = 17;
    std::uint8_t xoffChar = 19;
    std::uint8_t errorChar = 0;
    // Not termios items: the component itself holds its writes while these lines are off.
    bool gateOnCts = false;
    bool gateOnDsr = false;
};

// Raw, binary, receiver on, carrier ignored, no hang-up on close. Errors and breaks are
// marked in the input (PARMRK: 0xFF 0x00 before a byte received with a parity or framing
// error, 0xFF 0x00 0x00 for a break, 0xFF 0xFF for a data byte 0xFF); a break never
// flushes the queues. RTS/CTS handshake is left to the kernel only for rtsHandshake: on
// Linux it always drives RTS for input flow as well, so with RTS held off the component
// itself gates its writes on CTS. Nothing for settings Linux cannot give (4 data bits, a
// bit rate of 0 or less).
std::optional<TermiosWords> BuildTermios(const LineSettings& settings);

// True when the kernel does RTS/CTS handshaking for these settings.
bool KernelHandshake(const LineSettings& settings);

// True for a character device number of a pseudo-terminal follower (Unix 98: majors 136
// to 143), which takes any line settings and drops parity itself.
bool IsPseudoTerminalNumber(unsigned long long deviceNumber);

// Writes the line settings (keeping the device's VMIN and VTIME) and sets DTR and RTS:
// DTR on for dtrEnabled and dtrHandshake, RTS on for rtsEnabled and rtsHandshake. The
// settings are read back: a rate or frame the driver kept otherwise is EINVAL (not on a
// pseudo-terminal, which has no line to set).
int ApplyLineSettings(Device& device, const LineSettings& settings);

// Leaves the device's line settings as they are but makes the line binary: no canonical
// input, echo, signals, input or output translation.
int MakeBinary(Device& device);

// True when the device marks errors and breaks in its input (PARMRK).
bool MarksInput(Device& device);

// Reads return at once with whatever is queued (VMIN 0, VTIME 0).
int SetNonWaitingReads(Device& device);

// Line-error flags for the difference between two readings.
int LineErrors(const LineCounters& before, const LineCounters& now);

// TIOCM_* bits of the modem input lines that changed between two readings.
int ModemChanges(const LineCounters& before, const LineCounters& now);

// The modem-line bits used by the component.
extern const int kCts;
extern const int kDsr;
extern const int kDtr;
extern const int kRts;
extern const int kCarrier;
extern const int kRing;

// Errors by which a device tells that it has gone (hung up, unplugged).
bool IsDeviceLost(int error);

}  // namespace torv::tty
