#include "serial/sio_threads.h"

#include "serial/sio_comm.h"
#include "serial/sio_error.h"
#include "serial/tty_port.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <poll.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace torv {

namespace {

constexpr int kDropConfirmationMs = 2000;
constexpr int kModemRecheckMs = 10;
// How often Stop repeats its wake-up: a signal may arrive just before the wait it is to end.
constexpr std::chrono::milliseconds kWakeUpRepeat{10};

// Linux schedules ordinary threads by their nice value.
int NiceValue(TSioThreadPriority priority)
{
    static constexpr int kNice[] = {19, 10, 5, 0, -5, -10, -20};
    return kNice[static_cast<int>(priority)];
}

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

// ---- TSioCommThread

TSioCommThread::~TSioCommThread()
{
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TSioCommThread::Start(TSioThreadPriority priority)
{
    thread_ = std::thread([this, priority] { Run(priority); });
}

void TSioCommThread::SetPriority(TSioThreadPriority priority)
{
    std::lock_guard lock(stateMutex_);
    if (threadId_ != 0) {
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(threadId_), NiceValue(priority));
    }
}

void TSioCommThread::Stop()
{
    stopRequested_ = true;
    WakeUp();
    for (;;) {
        {
            std::unique_lock lock(stateMutex_);
            while (!stateChanged_.wait_for(lock, kWakeUpRepeat, [this] { return handingOver_ || finished_; })) {
                lock.unlock();
                WakeUp();
                lock.lock();
            }
            if (finished_) {
                break;
            }
        }
        // The thread blocks until its dispatch has run: deliver it, and only it.
        QCoreApplication::sendPostedEvents(&owner_, QEvent::MetaCall);
        std::unique_lock lock(stateMutex_);
        stateChanged_.wait_for(lock, std::chrono::milliseconds(1), [this] { return !handingOver_ || finished_; });
    }
    thread_.join();
}

void TSioCommThread::HandOver(TSioCommEvents word)
{
    {
        std::lock_guard lock(stateMutex_);
        if (stopRequested_) {
            return;
        }
        handingOver_ = true;
    }
    stateChanged_.notify_all();
    if (owner_.handOverObserver_) {
        owner_.handOverObserver_(word);
    }
    QMetaObject::invokeMethod(
        &owner_, [owner = &owner_, word] { owner->Dispatch(word); }, Qt::BlockingQueuedConnection);
    {
        std::lock_guard lock(stateMutex_);
        handingOver_ = false;
    }
    stateChanged_.notify_all();
}

void TSioCommThread::Run(TSioThreadPriority priority)
{
    {
        std::lock_guard lock(stateMutex_);
        threadId_ = static_cast<int>(::gettid());
    }
    SetPriority(priority);
    Loop();
    {
        std::lock_guard lock(stateMutex_);
        finished_ = true;
    }
    stateChanged_.notify_all();
}

// ---- TSioCommEventThread

TSioCommEventThread::TSioCommEventThread(TSioCustomComm& owner, tty::Device& device, TSioCommEvents mask)
    : TSioCommThread(owner), device_(device), mask_(mask)
{
    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    if (epoll_ < 0) {
        throw SystemError(sio_message::kSettingEventMask, errno);
    }
    // Edge-triggered: one report per arrival of bytes, none while they merely stay queued.
    epoll_event onDevice{EPOLLIN | EPOLLET, {}};
    onDevice.data.fd = device_.Handle();
    epoll_event onWakeUp{EPOLLIN, {}};
    onWakeUp.data.fd = wakeUp_.Handle();
    if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, device_.Handle(), &onDevice) != 0 ||
        ::epoll_ctl(epoll_, EPOLL_CTL_ADD, wakeUp_.Handle(), &onWakeUp) != 0) {
        const int error = errno;
        ::close(epoll_);
        throw SystemError(sio_message::kSettingEventMask, error);
    }
}

TSioCommEventThread::~TSioCommEventThread()
{
    ::close(epoll_);
}

void TSioCommEventThread::WatchOutput()
{
    outputWatch_ = true;
    wakeUp_.SetEvent();
}

void TSioCommEventThread::NoteArrival()
{
    if (!arrival_.exchange(true))
        wakeUp_.SetEvent();
}

void TSioCommEventThread::Loop()
{
    while (!StopRequested()) {
        epoll_event ready[2];
        const int count = ::epoll_wait(epoll_, ready, 2, WaitMilliseconds());
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            qWarning("Serial event wait failed: %s", ErrorText(errno).c_str());
            return;
        }
        TSioCommEvents word;
        for (int i = 0; i < count; ++i) {
            if (ready[i].data.fd == wakeUp_.Handle()) {
                wakeUp_.ResetEvent();
            } else {
                word |= TakeDeviceEvents(ready[i].events);
            }
        }
        if (arrival_.exchange(false))
            word |= TSioCommEvent::ceRxChar;
        word = (word | TakeOutputDrained()) & mask_;
        if (word) {
            HandOver(word);
        }
    }
}

TSioCommEvents TSioCommEventThread::TakeDeviceEvents(std::uint32_t ready)
{
    if ((ready & (EPOLLHUP | EPOLLERR)) != 0) {
        // Hung up for good: every further wait would return at once.
        ::epoll_ctl(epoll_, EPOLL_CTL_DEL, device_.Handle(), nullptr);
        outputWatch_ = false;
        owner_.NoteDeviceError(EIO);
        return TSioCommEvent::ceError;
    }
    return TSioCommEvent::ceRxChar | owner_.CollectLineEvents();
}

TSioCommEvents TSioCommEventThread::TakeOutputDrained()
{
    if (!outputWatch_) {
        return {};
    }
    int queued = 0;
    if (device_.OutputQueue(queued) != 0) {
        outputWatch_ = false;
        return {};
    }
    if (queued > 0) {
        return {};
    }
    outputWatch_ = false;
    return TSioCommEvent::ceTxEmpty;
}

int TSioCommEventThread::WaitMilliseconds() const
{
    if (!outputWatch_) {
        return -1;
    }
    int queued = 0;
    device_.OutputQueue(queued);
    return owner_.RecheckMilliseconds(queued);
}

// ---- TSioCommModemThread

namespace {

struct ModemEvent {
    TSioCommEvent event;
    const int& line;
};
const ModemEvent kModemEvents[] = {
    {TSioCommEvent::ceCts, tty::kCts},
    {TSioCommEvent::ceDsr, tty::kDsr},
    {TSioCommEvent::ceRlsd, tty::kCarrier},
    {TSioCommEvent::ceRing, tty::kRing},
};

}  // namespace

void TSioCommModemThread::Loop()
{
    int lines = 0;
    for (const auto& [event, line] : kModemEvents) {
        lines |= mask_.testFlag(event) ? line : 0;
    }
    std::optional<tty::LineCounters> counters = device_.Counters();
    std::optional<int> status = device_.ModemStatus();
    if (!status) {
        return;  // no modem lines: nothing will ever change
    }
    while (!StopRequested()) {
        // Changes are found by comparing with the last reading, so those that came while
        // a dispatch ran are reported before the next wait.
        int changed = 0;
        if (counters) {
            const std::optional<tty::LineCounters> now = device_.Counters();
            changed = now ? tty::ModemChanges(*counters, *now) : 0;
            counters = now ? now : counters;
        } else {
            const std::optional<int> now = device_.ModemStatus();
            changed = now ? (*now ^ *status) : 0;
            status = now ? now : status;
        }
        TSioCommEvents word;
        for (const auto& [event, line] : kModemEvents) {
            word.setFlag(event, (changed & line & lines) != 0);
        }
        if (word != 0) {
            HandOver(word);
            continue;
        }
        const int error = device_.WaitModemChange(lines);
        if (error != 0 && error != EINTR) {
            return;  // the device cannot wait (no modem lines, hung up)
        }
    }
}

// ---- TSioCommWriteThread

TSioCommWriteThread::TSioCommWriteThread(TSioCustomComm& owner, tty::Device& device, int capacity)
    : TSioCommThread(owner), device_(device), buffer_(capacity)
{
}

bool TSioCommWriteThread::Append(const std::uint8_t* data, int count, int timeoutMs)
{
    if (count > buffer_.Capacity()) {
        return false;  // it would never fit
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        {
            std::lock_guard lock(owner_.writeLock_);
            if (buffer_.Room() >= count) {
                buffer_.Append(data, count);
                request_.SetEvent();
                return true;
            }
            roomMade_.ResetEvent();
        }
        const int left = MillisecondsUntil(deadline);
        if (left == 0) {
            return false;
        }
        roomMade_.WaitFor(left);
    }
}

int TSioCommWriteThread::Fill()
{
    std::lock_guard lock(owner_.writeLock_);
    return buffer_.Fill();
}

void TSioCommWriteThread::Drop()
{
    dropDone_.ResetEvent();
    dropRequested_ = true;
    request_.SetEvent();
    dropDone_.WaitFor(kDropConfirmationMs);
}

void TSioCommWriteThread::Loop()
{
    while (!StopRequested()) {
        request_.WaitFor(-1);
        request_.ResetEvent();
        if (StopRequested()) {
            break;
        }
        if (dropRequested_) {
            ConfirmDrop();
        } else {
            SendBuffer();
        }
    }
}

void TSioCommWriteThread::ConfirmDrop()
{
    {
        std::lock_guard lock(owner_.writeLock_);
        buffer_.Clear();
    }
    dropRequested_ = false;
    roomMade_.SetEvent();
    dropDone_.SetEvent();
}

bool TSioCommWriteThread::Pause(int milliseconds, short deviceEvents)
{
    // New requests need no signal while sending, but stop and drop must end the pause.
    request_.ResetEvent();
    if (Interrupted()) {
        return false;
    }
    pollfd waits[2] = {{request_.Handle(), POLLIN, 0}, {device_.Handle(), deviceEvents, 0}};
    ::poll(waits, deviceEvents != 0 ? 2 : 1, milliseconds);
    return !Interrupted();
}

void TSioCommWriteThread::SendBuffer()
{
    owner_.SetRtsForSending(true);
    bool empty = false;
    while (!empty && SendAll() && WaitUntilSent()) {
        empty = Fill() == 0;
    }
    owner_.SetRtsForSending(false);
    if (empty) {
        HandOver(TSioCommEvent::ceTxEmpty);
    }
}

bool TSioCommWriteThread::SendAll()
{
    for (;;) {
        if (Interrupted()) {
            return false;
        }
        if (!owner_.ClearToSend()) {
            Pause(kModemRecheckMs, 0);
            continue;
        }
        long sent = 0;
        {
            std::lock_guard lock(owner_.writeLock_);
            if (buffer_.Fill() == 0) {
                return true;
            }
            sent = device_.Write(buffer_.Data(), static_cast<size_t>(buffer_.Fill()));
            if (sent > 0) {
                buffer_.Consume(static_cast<int>(sent));
            }
        }
        if (sent > 0) {
            roomMade_.SetEvent();
            continue;
        }
        if (sent == -EINTR) {
            continue;
        }
        if (sent < 0 && sent != -EAGAIN) {
            ReportWriteFailure(static_cast<int>(-sent));
            return false;
        }
        Pause(-1, POLLOUT);
    }
}

void TSioCommWriteThread::ReportWriteFailure(int error)
{
    owner_.NoteDeviceError(error);
    {
        std::lock_guard lock(owner_.writeLock_);
        buffer_.Clear();  // the device took none of it; resending later would be out of order
    }
    roomMade_.SetEvent();
    HandOver(TSioCommEvent::ceError);
}

bool TSioCommWriteThread::WaitUntilSent()
{
    for (;;) {
        int queued = 0;
        if (device_.OutputQueue(queued) != 0) {
            return false;
        }
        if (queued <= 0) {
            return true;
        }
        if (!Pause(owner_.RecheckMilliseconds(queued), 0)) {
            return false;
        }
    }
}

}  // namespace torv
