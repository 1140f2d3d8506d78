#include "serial/sio_comm.h"

#include "serial/sio_error.h"
#include "serial/sio_threads.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <thread>
#include <utility>

namespace torv {

namespace {

using Clock = std::chrono::steady_clock;

// How often a held-off CTS or DSR is read again: Linux has no modem-line wait with a
// deadline (TIOCMIWAIT can neither time out nor be cancelled).
constexpr std::chrono::milliseconds kModemRecheck{10};
// Longest pause between two readings of a draining output queue.
constexpr int kLongestRecheckMs = 100;
// How often a blocked direct write raises OnWriteWait.
constexpr std::chrono::milliseconds kWriteWaitNotePeriod{100};

int BitsPerSecond(TSioBaudrate baudrate, int userBaudrate)
{
    static constexpr int kRates[] = {0,     110,   300,   600,   1200,   2400,   4800,   9600,
                                     14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    return baudrate == brUser ? userBaudrate : kRates[baudrate];
}

int BitsPerCharacter(const tty::LineSettings& line)
{
    const int dataBits = 4 + static_cast<int>(line.databits);
    return 1 + dataBits + (line.parity == paNone ? 0 : 1) + (line.stopbits == sb1 ? 1 : 2);
}

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

// ---- Properties

void TSioCustomComm::RefuseWhileOpen() const
{
    if (IsOpen()) {
        throw ESioCommError(sio_message::kPortIsOpen);
    }
}

void TSioCustomComm::SetBaudrate(TSioBaudrate value)
{
    if (value == baudrate_) {
        return;
    }
    baudrate_ = value;
    if (value != brUser) {
        userBaudrate_ = 0;
    }
    ApplyLineSettings();
}

void TSioCustomComm::SetUserBaudrate(int value)
{
    if (value == userBaudrate_) {
        return;
    }
    userBaudrate_ = value;
    baudrate_ = brUser;
    ApplyLineSettings();
}

void TSioCustomComm::SetParity(TSioParity value)
{
    if (value != parity_) {
        parity_ = value;
        ApplyLineSettings();
    }
}

void TSioCustomComm::SetDatabits(TSioDatabits value)
{
    if (value != databits_) {
        databits_ = value;
        ApplyLineSettings();
    }
}

void TSioCustomComm::SetStopbits(TSioStopbits value)
{
    if (value != stopbits_) {
        stopbits_ = value;
        ApplyLineSettings();
    }
}

void TSioCustomComm::SetOptions(TSioCommOptions value)
{
    if (value != options_) {
        options_ = value;
        ApplyLineSettings();
    }
}

void TSioCustomComm::SetPortNum(int value)
{
    RefuseWhileOpen();
    portNum_ = std::max(value, 0);
}

void TSioCustomComm::SetDeviceName(const std::string& value)
{
    RefuseWhileOpen();
    deviceName_ = value;
}

void TSioCustomComm::SetMonitorEvents(TSioCommEvents value)
{
    RefuseWhileOpen();
    monitorEvents_ = value;
}

void TSioCustomComm::SetBuffers(const TSioBuffers& value)
{
    RefuseWhileOpen();
    buffers_.Assign(value);
}

void TSioCustomComm::SetDirectWrite(bool value)
{
    RefuseWhileOpen();
    directWrite_ = value;
}

void TSioCustomComm::SetUpdateDCB(bool value)
{
    RefuseWhileOpen();
    updateDcb_ = value;
}

void TSioCustomComm::SetEventPriority(TSioThreadPriority value)
{
    eventPriority_ = value;
    if (eventThread_) {
        eventThread_->SetPriority(value);
    }
}

void TSioCustomComm::SetWritePriority(TSioThreadPriority value)
{
    writePriority_ = value;
    if (writeThread_) {
        writeThread_->SetPriority(value);
    }
}

void TSioCustomComm::SetModemStatusSource(ModemStatusSource source)
{
    RefuseWhileOpen();
    modemStatus_ = std::move(source);
}

void TSioCustomComm::BuffersChanged()
{
    // The new value is kept for the next OpenPort; the open port cannot change it.
    if (IsOpen()) {
        throw ESioCommError(sio_message::kPortIsOpen);
    }
}

std::string TSioCustomComm::DevicePath() const
{
    std::string path = deviceName_;
    const auto placeholder = path.find("%d");
    if (placeholder != std::string::npos) {
        path.replace(placeholder, 2, std::to_string(portNum_));
    }
    return path;
}

// ---- Line settings

tty::LineSettings TSioCustomComm::CurrentLineSettings()
{
    tty::LineSettings line;
    line.baudrate = BitsPerSecond(baudrate_, userBaudrate_);
    line.parity = parity_;
    line.databits = databits_;
    line.stopbits = stopbits_;
    line.options = options_;
    line.controlDtr = flowControl_.ControlDtr();
    line.controlRts = flowControl_.ControlRts();
    line.xonXoffOut = flowControl_.XonXoffOut();
    line.xonXoffIn = flowControl_.XonXoffIn();
    line.xonChar = eventChars_.XonChar();
    line.xoffChar = eventChars_.XoffChar();
    line.gateOnCts = flowControl_.OutCtsFlow() && !tty::KernelHandshake(line);
    line.gateOnDsr = flowControl_.OutDsrFlow();
    return line;
}

void TSioCustomComm::ApplyLineSettings()
{
    if (!IsOpen() || !updateDcb_) {
        return;
    }
    const tty::LineSettings line = CurrentLineSettings();
    if (const int error = tty::ApplyLineSettings(device_, line)) {
        throw SystemError(sio_message::kWritingDcb, error);
    }
    std::lock_guard lock(appliedMutex_);
    applied_ = line;
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
    return directWrite_ ? monitorEvents_ : (monitorEvents_ & ~TSioCommEvents{ceTxEmpty});
}

void TSioCustomComm::OpenPort()
{
    RefuseWhileOpen();
    const std::string path = DevicePath();
    const int opened = tty::OpenExclusive(path);
    if (opened == -ENOENT) {
        throw DeviceNotFoundError(path);
    }
    if (opened < 0) {
        throw DeviceOpenError(path, -opened);
    }
    device_ = opened;
    try {
        {
            std::lock_guard lock(appliedMutex_);
            applied_ = tty::LineSettings{};  // no gating when the device keeps its own settings
        }
        ApplyLineSettings();
        // Linux has no recommended queue sizes: ReadSize is not used, WriteSize sizes
        // the write thread's buffer.
        if (const int error = tty::SetNonWaitingReads(device_)) {
            throw SystemError(sio_message::kSettingTimeouts, error);
        }
        eventMask_ = EventMask();
        {
            std::lock_guard lock(countersMutex_);
            counters_ = tty::ReadErrorCounters(device_);
        }
        StartThreads();
    } catch (...) {
        StopThreads();
        CloseDevice();
        throw;
    }
    if (OnOpen) {
        try {
            OnOpen(Sender());
        } catch (const std::exception& error) {
            HandleApplicationException(error);
        }
    }
}

void TSioCustomComm::StartThreads()
{
    if (eventMask_ != 0) {
        eventThread_ = std::make_unique<TSioCommEventThread>(*this, device_, eventMask_);
        eventThread_->Start(eventPriority_);
    }
    if (!directWrite_) {
        writeThread_ = std::make_unique<TSioCommWriteThread>(*this, device_, buffers_.WriteSize());
        writeThread_->Start(writePriority_);
    }
}

void TSioCustomComm::StopThreads()
{
    if (eventThread_) {
        eventThread_->Stop();
        eventThread_.reset();
    }
    if (writeThread_) {
        writeThread_->Stop();
        writeThread_.reset();
    }
}

void TSioCustomComm::CloseDevice()
{
    tty::ReleaseAndClose(device_);
    device_ = -1;
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
    if (!destroying_ && OnClose) {
        OnClose(Sender());
    }
    std::this_thread::sleep_for(kCloseSettleTime);
}

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
    if (!WaitClearToSend(deadline)) {
        return 0;
    }
    int written = 0;
    while (written < count) {
        const ssize_t sent = ::write(device_, data + written, static_cast<size_t>(count - written));
        if (sent > 0) {
            written += static_cast<int>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent < 0 && errno != EAGAIN) {
            throw SystemError(sio_message::kWriteError, errno);
        }
        if (!WaitWritable(deadline)) {
            break;  // the bytes not taken by now are dropped; nothing refers to data afterwards
        }
    }
    if (written > 0 && eventThread_) {
        eventThread_->WatchOutput();
    }
    return written == count && WaitOutputSent(deadline) ? count : 0;
}

int TSioCustomComm::WriteQueued(const std::uint8_t* data, int count)
{
    if (!writeThread_->Append(data, count, buffers_.WriteTimeout())) {
        throw ESioCommError(sio_message::kOutputBufferFull);
    }
    return count;
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
    const std::optional<int> lines = modemStatus_ ? modemStatus_(device_) : tty::ModemStatus(device_);
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
    pollfd wait{device_, POLLOUT, 0};
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
        if (tty::OutputQueue(device_, queued) != 0) {
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

// ---- Reading and status

int TSioCustomComm::ReadBytes(void* buffer, int count)
{
    if (!IsOpen() || buffer == nullptr || count <= 0) {
        return 0;
    }
    std::lock_guard lock(portLock_);
    for (;;) {
        const ssize_t got = ::read(device_, buffer, static_cast<size_t>(count));
        if (got >= 0) {
            return static_cast<int>(got);
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN) {
            return 0;
        }
        if (tty::IsDeviceLost(errno)) {
            NoteDeviceError(errno);
            return 0;
        }
        throw SystemError(sio_message::kReadError, errno);
    }
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

// Queue counts. Line errors found on the way join the pending set, which only CheckErrors
// empties, so a status read from a handler cannot swallow them before OnError.
TSioCustomComm::Status TSioCustomComm::ReadStatus()
{
    std::lock_guard lock(portLock_);
    Status status;
    if (!deviceLost_) {
        int error = tty::InputQueue(device_, status.inQueue);
        if (error == 0) {
            error = tty::OutputQueue(device_, status.outQueue);
        }
        if (error != 0) {
            if (!tty::IsDeviceLost(error)) {
                throw SystemError(sio_message::kRetrievingStatistics, error);
            }
            NoteDeviceError(error);
            status = Status{};
        }
    }
    if (!deviceLost_) {
        CollectLineEvents();
    }
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
    if (const int error = tty::Purge(device_)) {
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
        return 0;  // the driver keeps no error counters
    }
    const auto now = tty::ReadErrorCounters(device_);
    if (!now) {
        return 0;
    }
    const int errors = tty::LineErrors(*counters_, *now);
    counters_ = now;
    pendingErrors_ |= errors;
    TSioCommEvents events = 0;
    if ((errors & ~line_error::kBreak) != 0) {
        events |= ceError;
    }
    if ((errors & line_error::kBreak) != 0) {
        events |= ceBreak;
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
    if (errors != 0 && OnError) {
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
        if ((word & ceRxChar) != 0) {
            word &= ~TSioCommEvents{ceRxChar};
            const int waiting = InputCount();
            if (waiting > 0 && OnRxChar) {
                OnRxChar(Sender(), waiting);
            }
        }
        if (word != 0) {
            RaiseLineStateEvents(word);
        }
    } catch (const std::exception& error) {
        HandleApplicationException(error);
    }
}

void TSioCustomComm::RaiseLineStateEvents(TSioCommEvents word)
{
    using Handler = std::function<void(TSioComm*)> TSioCustomComm::*;
    static constexpr std::pair<TSioCommEvent, Handler> kInOrder[] = {
        {ceRxFlag, &TSioCustomComm::OnRxFlag},     {ceCts, &TSioCustomComm::OnCts},
        {ceDsr, &TSioCustomComm::OnDsr},           {ceRing, &TSioCustomComm::OnRing},
        {ceRlsd, &TSioCustomComm::OnRlsd},         {ceTxEmpty, &TSioCustomComm::OnTxEmpty},
        {ceBreak, &TSioCustomComm::OnBreak},       {cePErr, &TSioCustomComm::OnPErr},
        {ceRx80Full, &TSioCustomComm::OnRx80Full}, {ceEvent1, &TSioCustomComm::OnEvent1},
        {ceEvent2, &TSioCustomComm::OnEvent2},
    };
    if ((word & ceError) != 0) {
        CheckErrors();
    }
    for (const auto& [bit, handler] : kInOrder) {
        if ((word & bit) != 0 && this->*handler) {
            (this->*handler)(Sender());
        }
    }
}

// ---- The programmer's port

void ApplyProgrammerPortSettings(TSioCustomComm& port)
{
    port.SetBaudrate(br2400);
    port.SetParity(paEven);
    port.SetDatabits(db8);
    port.SetStopbits(sb1);
    port.SetOptions(coParityCheck);
    TSioFlowControl flow;
    flow.SetOutCtsFlow(true);
    flow.SetOutDsrFlow(false);
    flow.SetControlDtr(dtrDisabled);
    flow.SetControlRts(rtsDisabled);
    flow.SetXonXoffOut(false);
    flow.SetXonXoffIn(false);
    flow.SetDsrSensitivity(false);
    flow.SetTxContinueOnXoff(false);
    port.SetFlowControl(flow);
    port.Buffers().SetReadTimeout(1500);
    port.Buffers().SetWriteTimeout(1500);
    port.SetDirectWrite(true);
}

}  // namespace torv
