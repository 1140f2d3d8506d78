#pragma once
// The component's background threads: the event thread, which waits for line events,
// and the write thread of the queued-write mode. Both hand what they find to the main
// thread synchronously, one dispatch at a time.

#include "serial/sio_classes.h"
#include "serial/sio_types.h"
#include "serial/tty_device.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace torv {

class TSioCustomComm;

// A thread that hands event words to its owner's dispatch on the main thread. The owner
// calls Stop before destroying it.
class TSioCommThread {
public:
    explicit TSioCommThread(TSioCustomComm& owner) : owner_(owner) {}
    TSioCommThread(const TSioCommThread&) = delete;
    TSioCommThread& operator=(const TSioCommThread&) = delete;
    virtual ~TSioCommThread();

    void Start(TSioThreadPriority priority);
    // Takes effect at once; raising it above normal needs the right to do so, and
    // without it the thread keeps normal priority.
    void SetPriority(TSioThreadPriority priority);
    // Main thread: asks the thread to end and waits for it. A dispatch handed over
    // before the request is still delivered meanwhile; nothing else runs.
    void Stop();

protected:
    bool StopRequested() const { return stopRequested_; }
    // Runs the owner's dispatch of word on the main thread and returns when it is done.
    void HandOver(TSioCommEvents word);
    // Releases the thread from whatever it blocks on; Stop repeats it until the thread ends.
    virtual void WakeUp() = 0;
    virtual void Loop() = 0;
    pthread_t NativeHandle() { return thread_.native_handle(); }

    TSioCustomComm& owner_;

private:
    void Run(TSioThreadPriority priority);

    std::thread thread_;
    std::atomic<bool> stopRequested_{false};
    std::mutex stateMutex_;
    std::condition_variable stateChanged_;
    bool handingOver_ = false;
    bool finished_ = false;
    int threadId_ = 0;  // the kernel's id of the thread, for its priority
};

// Waits (blocking, no polling) on the device and on its wake-up signal. Received bytes
// give ceRxChar once per arrival, not while bytes merely stay queued; a hang-up gives one
// ceError, after which the dead descriptor is no longer watched. Bytes the main thread
// moves from the device into the component's receive buffer after the last count was
// taken are an arrival too: the device no longer shows them as readable.
class TSioCommEventThread : public TSioCommThread {
public:
    // Raises " Error setting EventMask" when the wait cannot be set up.
    TSioCommEventThread(TSioCustomComm& owner, tty::Device& device, TSioCommEvents mask);
    ~TSioCommEventThread() override;

    // Main thread: bytes were written; report ceTxEmpty once the output queue is empty.
    void WatchOutput();
    // Main thread: the output queue was purged; nothing is left to report.
    void CancelOutputWatch() { outputWatch_ = false; }
    // Main thread: received bytes were taken off the device into the receive buffer;
    // report ceRxChar for them unless a count is taken first.
    void NoteArrival();
    // Main thread: a count of everything received was just taken for OnRxChar.
    void ForgetArrival() { arrival_ = false; }

protected:
    void WakeUp() override { wakeUp_.SetEvent(); }
    void Loop() override;

private:
    TSioCommEvents TakeDeviceEvents(std::uint32_t ready);
    TSioCommEvents TakeOutputDrained();
    int WaitMilliseconds() const;

    tty::Device& device_;
    const TSioCommEvents mask_;
    int epoll_ = -1;
    TSioWaitEvent wakeUp_;
    std::atomic<bool> outputWatch_{false};
    std::atomic<bool> arrival_{false};
};

// Waits on the modem lines (TIOCMIWAIT) and reports the changes of those in the mask as
// ceCts, ceDsr, ceRlsd and ceRing. Ends at once on a device that has no modem lines.
class TSioCommModemThread : public TSioCommThread {
public:
    static constexpr TSioCommEvents kEvents =
        TSioCommEvent::ceCts | TSioCommEvent::ceDsr | TSioCommEvent::ceRlsd | TSioCommEvent::ceRing;

    TSioCommModemThread(TSioCustomComm& owner, tty::Device& device, TSioCommEvents mask)
        : TSioCommThread(owner), device_(device), mask_(mask & kEvents)
    {
    }

protected:
    void WakeUp() override { device_.InterruptModemWait(NativeHandle()); }
    void Loop() override;

private:
    tty::Device& device_;
    const TSioCommEvents mask_;
};

// The queued-write mode's buffer: bytes in order with a fill count, at most capacity.
class TSioCommBuffer {
public:
    explicit TSioCommBuffer(int capacity) : capacity_(capacity) {}
    int Capacity() const { return capacity_; }
    int Fill() const { return static_cast<int>(bytes_.size()); }
    int Room() const { return capacity_ - Fill(); }
    const std::uint8_t* Data() const { return bytes_.data(); }
    void Append(const std::uint8_t* data, int count) { bytes_.insert(bytes_.end(), data, data + count); }
    void Consume(int count) { bytes_.erase(bytes_.begin(), bytes_.begin() + count); }
    void Clear() { bytes_.clear(); }

private:
    int capacity_;
    std::vector<std::uint8_t> bytes_;
};

// Sends the buffer as the device takes it, and reports ceTxEmpty when the device has
// sent everything, or ceError when a write fails. The buffer is guarded by the
// owner's write lock.
class TSioCommWriteThread : public TSioCommThread {
public:
    TSioCommWriteThread(TSioCustomComm& owner, tty::Device& device, int capacity);

    // Main thread: queues the bytes, waiting up to timeout ms for room; false when no room came.
    bool Append(const std::uint8_t* data, int count, int timeoutMs);
    int Fill();
    // Main thread: has the thread drop its buffer; waits up to 2000 ms for it.
    void Drop();

protected:
    void WakeUp() override { request_.SetEvent(); }
    void Loop() override;

private:
    void ConfirmDrop();
    // Sends the buffer until it is empty and the device has sent it, then reports ceTxEmpty.
    void SendBuffer();
    bool SendAll();
    bool WaitUntilSent();
    void ReportWriteFailure(int error);
    // Waits up to milliseconds (negative: no limit) for a request, or for deviceEvents on
    // the device; false when stop or drop was asked for.
    bool Pause(int milliseconds, short deviceEvents);
    bool Interrupted() const { return StopRequested() || dropRequested_; }

    tty::Device& device_;
    TSioCommBuffer buffer_;
    TSioWaitEvent request_;
    TSioWaitEvent roomMade_;
    TSioWaitEvent dropDone_;
    std::atomic<bool> dropRequested_{false};
};

}  // namespace torv
