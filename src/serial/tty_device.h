#pragma once
// The seam under the component's terminal calls: every ioctl, read, write and wait on the
// device goes through Device, so that tests can stand in for a UART (modem lines that
// change, errors marked in the input, counters that move). TerminalDevice is the real one.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <pthread.h>
#include <string>

namespace torv::tty {

// The termios items the component reads and writes (values as the kernel defines them).
struct TermiosWords {
    std::uint32_t iflag = 0;
    std::uint32_t oflag = 0;
    std::uint32_t cflag = 0;
    std::uint32_t lflag = 0;
    std::uint32_t speed = 0;
    std::uint8_t startChar = 0;
    std::uint8_t stopChar = 0;
    std::uint8_t minChars = 0;
    std::uint8_t timeTenths = 0;
};

// Running totals the driver keeps: line errors, and changes of the modem input lines.
struct LineCounters {
    int frame = 0;
    int overrun = 0;
    int parity = 0;
    int brk = 0;
    int bufferOverrun = 0;
    int cts = 0;
    int dsr = 0;
    int ring = 0;
    int carrier = 0;
};

// Functions that can fail return 0 or the errno value; Read and Write return the byte
// count or -errno. All may be called from any thread.
class Device {
public:
    virtual ~Device() = default;

    // What poll and epoll wait on: readable on each arrival of bytes, writable when the
    // output queue has room, hung up when the device has gone.
    virtual int Handle() const = 0;

    virtual int GetAttributes(TermiosWords& words) = 0;
    virtual int SetAttributes(const TermiosWords& words) = 0;

    // TIOCM_* bits of the modem lines, or nothing when the device has none.
    virtual std::optional<int> ModemStatus() = 0;
    // Sets or clears the given output lines; a device without modem lines is no error.
    virtual int SetModemLines(int lines, bool on) = 0;
    // Blocks until one of the given input lines changes: 0, EINTR when interrupted, or
    // another error when the device cannot wait (no modem lines, hung up).
    virtual int WaitModemChange(int lines) = 0;
    // Ends a WaitModemChange running, or about to run, on the thread waiter.
    virtual void InterruptModemWait(pthread_t waiter) = 0;

    // Nothing when the driver keeps no counters.
    virtual std::optional<LineCounters> Counters() = 0;

    virtual int OutputQueue(int& count) = 0;
    // Discards both queues.
    virtual int Purge() = 0;

    virtual long Read(void* buffer, std::size_t count) = 0;
    virtual long Write(const void* data, std::size_t count) = 0;
};

// Opens a terminal read-write, non-blocking, without making it the controlling terminal,
// and takes it for this process alone (TIOCEXCL and an exclusive flock, which also holds
// against root). Nothing on failure, with the errno value in error.
std::unique_ptr<Device> OpenTerminal(const std::string& path, int& error);

// Opens a port by its path: an "rfc2217://HOST:PORT" name through the network
// (rfc2217_device.h, which raises ESioCommError with the reason when it cannot), any
// other path as a terminal (OpenTerminal).
std::unique_ptr<Device> OpenDevice(const std::string& path, int& error);

}  // namespace torv::tty
