#pragma once
// Test helper: a UART as the component sees it through the device seam. Modem lines that
// change, input with the kernel's error marks, counters that move, and a record of what
// was sent and whether CTS was on for each byte. Output leaves at once.

#include "serial/sio_comm.h"
#include "serial/tty_device.h"
#include "serial/tty_port.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace torv::test {

// The state a test reads and drives; the device handed to the component refers to it.
class FakeUart {
public:
    FakeUart() : event_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~FakeUart() { ::close(event_); }
    FakeUart(const FakeUart&) = delete;
    FakeUart& operator=(const FakeUart&) = delete;

    // Makes port open this UART (whatever its DeviceName).
    void Attach(TSioCustomComm& port);

    // Sets the modem lines (TIOCM_* bits); changed input lines move their counters.
    void SetLines(int lines)
    {
        std::lock_guard lock(mutex_);
        const int changed = lines ^ lines_;
        counters_.cts += (changed & tty::kCts) != 0 ? 1 : 0;
        counters_.dsr += (changed & tty::kDsr) != 0 ? 1 : 0;
        counters_.carrier += (changed & tty::kCarrier) != 0 ? 1 : 0;
        counters_.ring += (changed & tty::kRing) != 0 ? 1 : 0;
        lines_ = lines;
        modemChanged_.notify_all();
    }
    int Lines()
    {
        std::lock_guard lock(mutex_);
        return lines_;
    }

    // Bytes as the kernel queues them (marks included); moves the counters given.
    void Receive(const std::string& raw, const std::function<void(tty::LineCounters&)>& count = {})
    {
        {
            std::lock_guard lock(mutex_);
            input_.insert(input_.end(), raw.begin(), raw.end());
            if (count) {
                count(counters_);
            }
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(event_, &one, sizeof one);
    }

    // Bytes received and not yet read by the component.
    int Queued()
    {
        std::lock_guard lock(mutex_);
        return static_cast<int>(input_.size());
    }

    // Called after the UART has taken each write, with everything sent so far.
    std::function<void(const std::string& sent)> onWrite;
    std::string Sent()
    {
        std::lock_guard lock(mutex_);
        return sent_;
    }
    int SentWhileCtsOff()
    {
        std::lock_guard lock(mutex_);
        return sentWhileCtsOff_;
    }

    // True while a wait on the modem lines runs: a change made before it began would be
    // seen only by the next wait, as with the kernel's.
    bool ModemWaiting()
    {
        std::lock_guard lock(mutex_);
        return modemWaiting_;
    }
    int ModemWaits()
    {
        std::lock_guard lock(mutex_);
        return modemWaits_;
    }

    tty::TermiosWords attributes;  // as the component last wrote them
    // A driver that runs at this rate only, whatever it is asked for (without an error).
    std::optional<std::uint32_t> onlySpeed;
    bool keepsCounters = true;
    // The output queue can no longer be read (the device went away).
    std::atomic<bool> outputQueueFails{false};

private:
    friend class FakeUartDevice;

    std::mutex mutex_;
    std::condition_variable modemChanged_;
    int event_;
    int lines_ = tty::kDtr | tty::kRts;  // the kernel raises both when a port opens
    tty::LineCounters counters_;
    std::deque<char> input_;
    std::string sent_;
    int sentWhileCtsOff_ = 0;
    bool interrupted_ = false;
    bool modemWaiting_ = false;
    int modemWaits_ = 0;
};

class FakeUartDevice final : public tty::Device {
public:
    explicit FakeUartDevice(FakeUart& uart) : uart_(uart) {}

    int Handle() const override { return uart_.event_; }
    int GetAttributes(tty::TermiosWords& words) override
    {
        std::lock_guard lock(uart_.mutex_);
        words = uart_.attributes;
        return 0;
    }
    int SetAttributes(const tty::TermiosWords& words) override
    {
        std::lock_guard lock(uart_.mutex_);
        uart_.attributes = words;
        if (uart_.onlySpeed)
            uart_.attributes.speed = *uart_.onlySpeed;
        return 0;
    }
    std::optional<int> ModemStatus() override { return uart_.Lines(); }
    int SetModemLines(int lines, bool on) override
    {
        std::lock_guard lock(uart_.mutex_);
        uart_.lines_ = on ? (uart_.lines_ | lines) : (uart_.lines_ & ~lines);
        return 0;
    }
    int WaitModemChange(int lines) override
    {
        std::unique_lock lock(uart_.mutex_);
        ++uart_.modemWaits_;
        uart_.modemWaiting_ = true;
        const tty::LineCounters before = uart_.counters_;
        uart_.modemChanged_.wait(
            lock, [&] { return uart_.interrupted_ || (tty::ModemChanges(before, uart_.counters_) & lines) != 0; });
        uart_.modemWaiting_ = false;
        const bool interrupted = std::exchange(uart_.interrupted_, false);
        return interrupted ? EINTR : 0;
    }
    void InterruptModemWait(pthread_t) override
    {
        std::lock_guard lock(uart_.mutex_);
        uart_.interrupted_ = true;
        uart_.modemChanged_.notify_all();
    }
    std::optional<tty::LineCounters> Counters() override
    {
        std::lock_guard lock(uart_.mutex_);
        return uart_.keepsCounters ? std::optional(uart_.counters_) : std::nullopt;
    }
    int OutputQueue(int& count) override
    {
        count = 0;
        return uart_.outputQueueFails ? -1 : 0;
    }
    int Purge() override
    {
        std::lock_guard lock(uart_.mutex_);
        uart_.input_.clear();
        DrainEvent();
        return 0;
    }
    long Read(void* buffer, std::size_t count) override
    {
        std::lock_guard lock(uart_.mutex_);
        const std::size_t taken = std::min(count, uart_.input_.size());
        std::copy_n(uart_.input_.begin(), taken, static_cast<char*>(buffer));
        uart_.input_.erase(uart_.input_.begin(), uart_.input_.begin() + static_cast<long>(taken));
        if (uart_.input_.empty()) {
            DrainEvent();
        }
        return taken > 0 ? static_cast<long>(taken) : -EAGAIN;
    }
    long Write(const void* data, std::size_t count) override
    {
        std::string sent;
        {
            std::lock_guard lock(uart_.mutex_);
            uart_.sent_.append(static_cast<const char*>(data), count);
            if ((uart_.lines_ & tty::kCts) == 0) {
                uart_.sentWhileCtsOff_ += static_cast<int>(count);
            }
            sent = uart_.sent_;
        }
        if (uart_.onWrite) {
            uart_.onWrite(sent);
        }
        return static_cast<long>(count);
    }

private:
    void DrainEvent()
    {
        std::uint64_t value = 0;
        [[maybe_unused]] const auto got = ::read(uart_.event_, &value, sizeof value);
    }

    FakeUart& uart_;
};

inline void FakeUart::Attach(TSioCustomComm& port)
{
    port.SetDeviceOpener([this](const std::string&, int&) { return std::make_unique<FakeUartDevice>(*this); });
}

}  // namespace torv::test
