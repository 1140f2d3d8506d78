#include "serial/sio_comm.h"

#include "serial/sio_error.h"
#include "serial/sio_threads.h"

#include <array>
#include <cerrno>
#include <stdexcept>
#include <thread>
#include <utility>

namespace torv {

namespace {

// Restores a flag when the scope ends.
class FlagScope {
public:
    FlagScope(bool& flag, bool value) : flag_(flag), saved_(flag) { flag_ = value; }
    ~FlagScope() { flag_ = saved_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool saved_;
};

}  // namespace

TSioCustomComm::TSioCustomComm(QObject* parent) : TSioComponent(parent)
{
    flowControl_.OnChange = [this] { ApplyLineSettings(); };
    eventChars_.OnChange = [this] { ApplyLineSettings(); };
    buffers_.OnChange = [this] { BuffersChanged(); };
}

TSioCustomComm::~TSioCustomComm() = default;

void TSioCustomComm::CloseForDestruction()
{
    destroying_ = true;
    try {
        ClosePort();
    } catch (const std::exception& error) {
        HandleApplicationException(error);
    }
}

TSioComm* TSioCustomComm::Sender()
{
    // Only TSioComm can construct this class, so every instance is one.
    return static_cast<TSioComm*>(this);
}

// ---- Opening and closing

void TSioCustomComm::Loaded()
{
    if (autoOpen_) {
        OpenPort();
    }
}

TSioCommEvents TSioCustomComm::EventMask() const
{
    // The write thread reports transmit-empty itself.
    return directWrite_ ? monitorEvents_ : (monitorEvents_ & ~TSioCommEvents(TSioCommEvent::ceTxEmpty));
}

void TSioCustomComm::OpenPort()
{
    RefuseWhileOpen();
    const std::string path = DevicePath();
    int openError = 0;
    device_ = openDevice_ ? openDevice_(path, openError) : tty::OpenDevice(path, openError);
    if (!device_) {
        if (openError == ENOENT) {
            throw DeviceNotFoundError(path);
        }
        throw DeviceOpenError(path, openError);
    }
    try {
        received_.clear();
        decoder_.Clear();
        markEvents_ = {};
        if (updateDcb_) {
            try {
                ApplyLineSettings();
            } catch (const ESioCommError& error) {
                // EINVAL: settings the driver does not do; anything else (a file that
                // is no terminal) is the device's.
                const int code = error.OpenFailure().code;
                throw ESioCommError(error.what(),
                                    {code == EINVAL ? PortOpenStep::kLineSettings : PortOpenStep::kDevice, code});
            }
        } else {
            TakeDeviceSettings();
        }
        // Linux has no recommended queue sizes: ReadSize is not used, WriteSize sizes
        // the write thread's buffer.
        if (const int failure = tty::SetNonWaitingReads(*device_)) {
            throw SystemError(sio_message::kSettingTimeouts, failure);
        }
        eventMask_ = EventMask();
        {
            std::lock_guard lock(countersMutex_);
            counters_ = device_->Counters();
        }
        StartThreads();
    } catch (...) {
        StopThreads();
        CloseDevice();
        throw;
    }
    try {
        OnOpen(Sender());
    } catch (const std::exception& error) {
        HandleApplicationException(error);
    }
}

void TSioCustomComm::StartThreads()
{
    if (eventMask_) {
        eventThread_ = std::make_unique<TSioCommEventThread>(*this, *device_, eventMask_);
        eventThread_->Start(eventPriority_);
    }
    if (eventMask_.testAnyFlags(TSioCommModemThread::kEvents)) {
        modemThread_ = std::make_unique<TSioCommModemThread>(*this, *device_, eventMask_);
        modemThread_->Start(eventPriority_);
    }
    if (!directWrite_) {
        writeThread_ = std::make_unique<TSioCommWriteThread>(*this, *device_, buffers_.WriteSize());
        writeThread_->Start(writePriority_);
    }
}

void TSioCustomComm::StopThreads()
{
    if (eventThread_) {
        eventThread_->Stop();
        eventThread_.reset();
    }
    if (modemThread_) {
        modemThread_->Stop();
        modemThread_.reset();
    }
    if (writeThread_) {
        writeThread_->Stop();
        writeThread_.reset();
    }
}

void TSioCustomComm::CloseDevice()
{
    device_.reset();
    deviceLost_ = false;
    pendingErrors_ = 0;
}

void TSioCustomComm::ClosePort()
{
    if (!IsOpen()) {
        return;
    }
    if (dispatching_) {
        // The event thread waits for this handler, so waiting for the thread would never end.
        throw std::logic_error("ClosePort cannot be called from inside a port event handler");
    }
    {
        std::lock_guard lock(portLock_);
        StopThreads();
    }
    CloseDevice();
    if (!destroying_) {
        OnClose(Sender());
    }
    std::this_thread::sleep_for(closeSettleTime_);
}

// ---- Reading and status

int TSioCustomComm::ReadBytes(void* buffer, int count)
{
    if (!IsOpen() || buffer == nullptr || count <= 0) {
        return 0;
    }
    std::lock_guard lock(portLock_);
    FillReceiveBuffer();
    const size_t taken = std::min(received_.size(), static_cast<size_t>(count));
    received_.copy(static_cast<char*>(buffer), taken);
    received_.erase(0, taken);
    return static_cast<int>(taken);
}

void TSioCustomComm::FillReceiveBuffer()
{
    std::array<std::uint8_t, 256> raw;
    const size_t before = received_.size();
    while (!deviceLost_ && received_.size() < kReceiveCapacity) {
        const int got = ReadRaw(raw.data(), static_cast<int>(raw.size()));
        if (got <= 0) {
            break;
        }
        NoteMarks(decoder_.Decode(raw.data(), got, receiveRules_, received_));
    }
    if (received_.size() > before && eventThread_) {
        eventThread_->NoteArrival();
    }
    if (deviceLost_) {
        received_.clear();  // a line that has gone away has nothing more to hand over
    }
}

int TSioCustomComm::ReadRaw(void* buffer, int count)
{
    for (;;) {
        const long got = device_->Read(buffer, static_cast<size_t>(count));
        if (got >= 0) {
            return static_cast<int>(got);
        }
        const int error = static_cast<int>(-got);
        if (error == EINTR) {
            continue;
        }
        if (error == EAGAIN) {
            return 0;
        }
        if (tty::IsDeviceLost(error)) {
            NoteDeviceError(error);
            return 0;
        }
        throw SystemError(sio_message::kReadError, error);
    }
}

void TSioCustomComm::NoteMarks(const tty::MarksFound& found)
{
    bool counted = false;
    {
        std::lock_guard lock(countersMutex_);
        counted = counters_.has_value();
    }
    if (counted || (found.errorBytes == 0 && found.breaks == 0)) {
        return;  // the driver's counters report these errors, with their kind
    }
    int errors = found.breaks > 0 ? line_error::kBreak : 0;
    if (found.errorBytes > 0) {
        errors |= applied_.parity != TSioParity::paNone ? line_error::kParity : line_error::kFrame;
        markEvents_ |= TSioCommEvent::ceError;
    }
    if (found.breaks > 0) {
        markEvents_ |= TSioCommEvent::ceBreak;
    }
    pendingErrors_ |= errors;
}

std::string TSioCustomComm::ReadAllText()
{
    const int waiting = InputCount();
    if (waiting <= 0) {
        return {};
    }
    std::string text(static_cast<size_t>(waiting), '\0');
    text.resize(static_cast<size_t>(ReadBytes(text.data(), waiting)));
    return text;
}

// Queue counts: the data bytes received and not yet read (what the kernel holds is moved
// into the receive buffer first), and the kernel's output queue. Line errors found on the
// way join the pending set, which only CheckErrors empties, so a status read from a
// handler cannot swallow them before OnError.
TSioCustomComm::Status TSioCustomComm::ReadStatus()
{
    std::lock_guard lock(portLock_);
    Status status;
    FillReceiveBuffer();
    if (!deviceLost_) {
        if (const int error = device_->OutputQueue(status.outQueue)) {
            if (!tty::IsDeviceLost(error)) {
                throw SystemError(sio_message::kRetrievingStatistics, error);
            }
            NoteDeviceError(error);
        }
    }
    if (deviceLost_) {
        received_.clear();
        return Status{};
    }
    status.inQueue = static_cast<int>(received_.size());
    CollectLineEvents();
    return status;
}

int TSioCustomComm::InputCount()
{
    return IsOpen() ? ReadStatus().inQueue : 0;
}

int TSioCustomComm::OutputCount()
{
    if (!IsOpen()) {
        return 0;
    }
    if (!directWrite_) {
        return writeThread_ ? writeThread_->Fill() : 0;
    }
    return ReadStatus().outQueue;
}

void TSioCustomComm::PurgeAll()
{
    if (!IsOpen()) {
        return;
    }
    std::lock_guard lock(portLock_);
    if (writeThread_) {
        writeThread_->Drop();
    }
    if (eventThread_) {
        eventThread_->CancelOutputWatch();
    }
    if (deviceLost_) {
        return;  // nothing left to discard
    }
    received_.clear();
    decoder_.Clear();
    if (const int error = device_->Purge()) {
        if (!tty::IsDeviceLost(error)) {
            throw SystemError(sio_message::kClearingBuffers, error);
        }
        NoteDeviceError(error);
    }
}

// ---- Line errors

TSioCommEvents TSioCustomComm::CollectLineEvents()
{
    std::lock_guard lock(countersMutex_);
    if (!counters_) {
        return {};  // the driver keeps no error counters
    }
    const auto now = device_->Counters();
    if (!now) {
        return {};
    }
    const int errors = tty::LineErrors(*counters_, *now);
    counters_ = now;
    pendingErrors_ |= errors;
    TSioCommEvents events;
    if ((errors & ~line_error::kBreak) != 0) {
        events |= TSioCommEvent::ceError;
    }
    if ((errors & line_error::kBreak) != 0) {
        events |= TSioCommEvent::ceBreak;
    }
    return events;
}

void TSioCustomComm::NoteDeviceError(int error)
{
    // A lost device is reported once, however many operations find it gone.
    if (!tty::IsDeviceLost(error) || !deviceLost_.exchange(true)) {
        pendingErrors_ |= line_error::kIoError;
    }
}

void TSioCustomComm::CheckErrors()
{
    ReadStatus();
    const int errors = pendingErrors_.exchange(0);
    if (errors != 0) {
        try {
            OnError(Sender(), errors);
        } catch (const std::exception& error) {
            HandleApplicationException(error);
        }
    }
}

// ---- Dispatch on the main thread

void TSioCustomComm::Dispatch(TSioCommEvents word)
{
    FlagScope inDispatch(dispatching_, true);
    try {
        if (word.testFlag(TSioCommEvent::ceRxChar)) {
            word.setFlag(TSioCommEvent::ceRxChar, false);
            const int waiting = InputCount();
            if (eventThread_) {
                eventThread_->ForgetArrival();  // this count reports every byte received so far
            }
            if (waiting > 0) {
                OnRxChar(Sender(), waiting);
            }
            // Errors and breaks the handler's reads found in the input's marks.
            word |= std::exchange(markEvents_, {}) & eventMask_;
        }
        if (word) {
            RaiseLineStateEvents(word);
        }
    } catch (const std::exception& error) {
        HandleApplicationException(error);
    }
}

void TSioCustomComm::RaiseLineStateEvents(TSioCommEvents word)
{
    using Handler = TNotifyEvent TSioCustomComm::*;
    using enum TSioCommEvent;
    static constexpr std::pair<TSioCommEvent, Handler> kInOrder[] = {
        {ceRxFlag, &TSioCustomComm::OnRxFlag},     {ceCts, &TSioCustomComm::OnCts},
        {ceDsr, &TSioCustomComm::OnDsr},           {ceRing, &TSioCustomComm::OnRing},
        {ceRlsd, &TSioCustomComm::OnRlsd},         {ceTxEmpty, &TSioCustomComm::OnTxEmpty},
        {ceBreak, &TSioCustomComm::OnBreak},       {cePErr, &TSioCustomComm::OnPErr},
        {ceRx80Full, &TSioCustomComm::OnRx80Full}, {ceEvent1, &TSioCustomComm::OnEvent1},
        {ceEvent2, &TSioCustomComm::OnEvent2},
    };
    if (word.testFlag(ceError)) {
        CheckErrors();
    }
    for (const auto& [bit, handler] : kInOrder) {
        if (word.testFlag(bit)) {
            (this->*handler)(Sender());
        }
    }
}

}  // namespace torv
