#include "serial/sio_comm.h"

#include "serial/sio_error.h"
#include "serial/sio_threads.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace torv {

namespace {

using Clock = std::chrono::steady_clock;

// How often a held-off CTS or DSR is read again while a write waits: TIOCMIWAIT has no
// deadline, and a signal to end it would reach the caller's thread.
constexpr std::chrono::milliseconds kModemRecheck{10};
// Longest pause between two readings of a draining output queue.
constexpr int kLongestRecheckMs = 100;
// How often a blocked direct write raises OnWriteWait.
constexpr std::chrono::milliseconds kWriteWaitNotePeriod{100};
// Line time of one piece of a gated write.
constexpr int kPieceMs = 10;

int BitsPerCharacter(const tty::LineSettings& line)
{
    const int dataBits = 4 + static_cast<int>(line.databits);
    return 1 + dataBits + (line.parity == TSioParity::paNone ? 0 : 1) + (line.stopbits == TSioStopbits::sb1 ? 1 : 2);
}

}  // namespace

// ---- Writing

int TSioCustomComm::WriteBytes(const void* data, int count)
{
    if (!IsOpen() || data == nullptr || count <= 0) {
        return 0;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return directWrite_ ? WriteDirect(bytes, count) : WriteQueued(bytes, count);
}

int TSioCustomComm::WriteDirect(const std::uint8_t* data, int count)
{
    std::lock_guard lock(writeLock_);
    lastWriteWaitNote_ = Clock::now();
    const auto deadline = lastWriteWaitNote_ + std::chrono::milliseconds(buffers_.WriteTimeout());
    // A piece goes out only while CTS (DSR) is on, and the next waits until it has left:
    // the kernel itself would keep sending after the line went off.
    const int piece = PieceSize(count);
    SetRtsForSending(true);
    struct RtsAfterSending {
        TSioCustomComm& port;
        ~RtsAfterSending() { port.SetRtsForSending(false); }
    } lowerRts{*this};

    int written = 0;
    bool allSent = true;
    while (written < count && allSent) {
        const int size = std::min(piece, count - written);
        allSent = WaitClearToSend(deadline);
        if (allSent) {
            const int taken = HandToKernel(data + written, size, deadline);
            written += taken;
            allSent = taken == size && (written == count || WaitOutputSent(deadline));
        }
    }
    // Bytes not taken by now are dropped; nothing refers to data afterwards.
    if (written > 0 && eventThread_) {
        eventThread_->WatchOutput();
    }
    if (allSent && WaitOutputSent(deadline)) {
        return count;
    }
    return BytesSent(written);
}

int TSioCustomComm::HandToKernel(const std::uint8_t* data, int count, Clock::time_point deadline)
{
    int written = 0;
    while (written < count) {
        const long sent = device_->Write(data + written, static_cast<size_t>(count - written));
        if (sent > 0) {
            written += static_cast<int>(sent);
            continue;
        }
        if (sent == -EINTR) {
            continue;
        }
        if (sent < 0 && sent != -EAGAIN) {
            throw SystemError(sio_message::kWriteError, static_cast<int>(-sent));
        }
        if (!WaitWritable(deadline)) {
            break;
        }
    }
    return written;
}

int TSioCustomComm::PieceSize(int count) const
{
    if (!Gated()) {
        return count;
    }
    std::lock_guard lock(appliedMutex_);
    const long long perPiece = 1LL * std::max(applied_.baudrate, 1) * kPieceMs / (1000LL * BitsPerCharacter(applied_));
    return static_cast<int>(std::clamp(perPiece, 1LL, 1LL * count));
}

int TSioCustomComm::BytesSent(int written)
{
    // A queue that can no longer be read (the device went away) may have sent them all:
    // counted as unsent they would be reported as never having reached the other end.
    int queued = 0;
    if (device_->OutputQueue(queued) != 0) {
        return written;
    }
    return std::clamp(written - queued, 0, written);
}

int TSioCustomComm::WriteQueued(const std::uint8_t* data, int count)
{
    if (!writeThread_->Append(data, count, buffers_.WriteTimeout())) {
        throw ESioCommError(sio_message::kOutputBufferFull);
    }
    return count;
}

bool TSioCustomComm::Gated() const
{
    {
        std::lock_guard lock(appliedMutex_);
        if (!applied_.gateOnCts && !applied_.gateOnDsr) {
            return false;
        }
    }
    return device_->ModemStatus().has_value();
}

void TSioCustomComm::SetRtsForSending(bool on)
{
    bool toggle = false;
    {
        std::lock_guard lock(appliedMutex_);
        toggle = applied_.controlRts == TSioControlRts::rtsToggle;
    }
    if (toggle) {
        device_->SetModemLines(tty::kRts, on);
    }
}

bool TSioCustomComm::ClearToSend()
{
    bool gateOnCts = false;
    bool gateOnDsr = false;
    {
        std::lock_guard lock(appliedMutex_);
        gateOnCts = applied_.gateOnCts;
        gateOnDsr = applied_.gateOnDsr;
    }
    if (!gateOnCts && !gateOnDsr) {
        return true;
    }
    const std::optional<int> lines = device_->ModemStatus();
    if (!lines) {
        return true;  // no modem lines (a pseudo-terminal): nothing holds the output
    }
    const int needed = (gateOnCts ? tty::kCts : 0) | (gateOnDsr ? tty::kDsr : 0);
    return (*lines & needed) == needed;
}

bool TSioCustomComm::WaitClearToSend(Clock::time_point deadline)
{
    while (!ClearToSend()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(WritePause(deadline, kModemRecheck));
        NoteWriteWait();
    }
    return true;
}

bool TSioCustomComm::WaitWritable(Clock::time_point deadline)
{
    pollfd wait{device_->Handle(), POLLOUT, 0};
    while (Clock::now() < deadline) {
        const auto pause = std::chrono::ceil<std::chrono::milliseconds>(WritePause(deadline, deadline - Clock::now()));
        const int ready = ::poll(&wait, 1, static_cast<int>(pause.count()));
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
        NoteWriteWait();
    }
    return false;
}

bool TSioCustomComm::WaitOutputSent(Clock::time_point deadline)
{
    for (;;) {
        int queued = 0;
        if (device_->OutputQueue(queued) != 0) {
            return false;
        }
        if (queued <= 0) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(WritePause(deadline, std::chrono::milliseconds(RecheckMilliseconds(queued))));
        NoteWriteWait();
    }
}

Clock::duration TSioCustomComm::WritePause(Clock::time_point deadline, Clock::duration wanted)
{
    Clock::duration pause = std::min(wanted, deadline - Clock::now());
    if (OnWriteWait)
        pause = std::min(pause, lastWriteWaitNote_ + kWriteWaitNotePeriod - Clock::now());
    return std::max(pause, Clock::duration::zero());
}

void TSioCustomComm::NoteWriteWait()
{
    const Clock::time_point now = Clock::now();
    if (!OnWriteWait || now - lastWriteWaitNote_ < kWriteWaitNotePeriod)
        return;
    lastWriteWaitNote_ = now;
    OnWriteWait(Sender());
}

int TSioCustomComm::RecheckMilliseconds(int queuedBytes) const
{
    tty::LineSettings line;
    {
        std::lock_guard lock(appliedMutex_);
        line = applied_;
    }
    const long long bitsPerSecond = std::max(line.baudrate, 1);
    const long long sendTimeMs = 1LL * std::max(queuedBytes, 0) * BitsPerCharacter(line) * 1000 / bitsPerSecond;
    return static_cast<int>(std::clamp(sendTimeMs + 1, 1LL, 1LL * kLongestRecheckMs));
}

}  // namespace torv
