#pragma once
// TSioComm: the component that owns one serial port. It opens the device on demand,
// applies the line settings, reads and writes with bounded waits, and raises line events
// on the Qt main thread. All operations are called on the main thread.
//
// On Linux:
// - CTS (and DSR) output flow with RTS held off is done by the component: the kernel's
//   CRTSCTS would drive RTS too. A direct write then goes out in pieces of about 10 ms of
//   line time, each sent only while the lines are on, so a CTS drop stops the output
//   within a piece (plus what the UART's own FIFO holds). A device without modem lines
//   (a pseudo-terminal) never holds output. rtsHandshake uses CRTSCTS.
// - A direct write is complete when the kernel's output queue is empty. When WriteTimeout
//   ends first, the result is the number of bytes that left the queue by then; bytes not
//   handed to the kernel are dropped.
// - Received bytes are moved from the kernel into the component's own receive buffer as
//   they are counted or read, decoded on the way, so that OnRxChar's Count, InputCount
//   and ReadBytes agree on the data bytes whatever the kernel queued for them.
// - Parity and framing errors and breaks are marked by the kernel (PARMRK) and taken out
//   of the input: a data 0xFF (queued twice) is one byte, a mark cut by the end of a read
//   is held until its second half comes, a byte with an error is kept, or replaced by
//   ErrorChar with coErrorChar;
//   a break gives no byte. The error flags come from the driver's counters, or from the
//   marks when it keeps none (a marked byte then counts as a parity error when parity is
//   on, else as a framing error). A zero byte received with an error cannot be told from
//   a break and is taken as one. coNullStrip drops received zero bytes.
// - ceCts, ceDsr, ceRlsd and ceRing come from a thread that waits on the modem lines
//   (TIOCMIWAIT, ended by a signal) while one of them is in the event mask. Like the
//   kernel's wait, it may see a change made just before it began only with the next one.
// - rtsToggle: RTS is raised by the component before a write and lowered when the kernel's
//   queue is empty (the UART may still be sending its last bytes). dtrHandshake: Linux has
//   no DTR input handshake; DTR is held on. XonLimit and XoffLimit: the kernel throttles
//   input at limits of its own; the values are kept but not used, as are the queue sizes.
// - Accepted and ignored: DsrSensitivity, TxContinueOnXoff, the event character, and the
//   events ceRxFlag, cePErr, ceRx80Full, ceEvent1, ceEvent2.
// - With UpdateDCB false the device keeps its line settings, but the line is made binary
//   (no canonical input, echo or translation); its marks are read if it has PARMRK set.
// - A hang-up (adapter unplugged) gives one OnError with line_error::kIoError; then
//   counts are 0, reads give nothing, writes raise, and ClosePort works as ever.

#include "serial/sio_classes.h"
#include "serial/sio_settings.h"
#include "serial/sio_types.h"
#include "serial/line_input.h"
#include "serial/tty_device.h"
#include "serial/tty_port.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace torv {

class TSioComm;
class TSioCommEventThread;
class TSioCommWriteThread;
class TSioCommModemThread;
class TSioCommThread;

class TSioCustomComm : public TSioComponent {
    Q_OBJECT
public:
    ~TSioCustomComm() override;

    // Properties. Setters of DeviceName, PortNum, MonitorEvents, DirectWrite, UpdateDCB and
    // SetBuffers raise while the port is open; line settings are applied at once when open.
    bool AutoOpen() const { return autoOpen_; }
    void SetAutoOpen(bool value) { autoOpen_ = value; }
    TSioBaudrate Baudrate() const { return baudrate_; }
    void SetBaudrate(TSioBaudrate value);
    TSioParity Parity() const { return parity_; }
    void SetParity(TSioParity value);
    TSioDatabits Databits() const { return databits_; }
    void SetDatabits(TSioDatabits value);
    TSioStopbits Stopbits() const { return stopbits_; }
    void SetStopbits(TSioStopbits value);
    TSioEventChars& EventChars() { return eventChars_; }
    void SetEventChars(const TSioEventChars& value) { eventChars_.Assign(value); }
    TSioFlowControl& FlowControl() { return flowControl_; }
    void SetFlowControl(const TSioFlowControl& value) { flowControl_.Assign(value); }
    TSioCommOptions Options() const { return options_; }
    void SetOptions(TSioCommOptions value);
    int PortNum() const { return portNum_; }
    void SetPortNum(int value);
    const std::string& DeviceName() const { return deviceName_; }
    void SetDeviceName(const std::string& value);
    TSioCommEvents MonitorEvents() const { return monitorEvents_; }
    void SetMonitorEvents(TSioCommEvents value);
    TSioBuffers& Buffers() { return buffers_; }
    void SetBuffers(const TSioBuffers& value);
    TSioThreadPriority EventPriority() const { return eventPriority_; }
    void SetEventPriority(TSioThreadPriority value);
    TSioThreadPriority WritePriority() const { return writePriority_; }
    void SetWritePriority(TSioThreadPriority value);
    bool DirectWrite() const { return directWrite_; }
    void SetDirectWrite(bool value);
    bool UpdateDCB() const { return updateDcb_; }
    void SetUpdateDCB(bool value);
    int UserBaudrate() const { return userBaudrate_; }
    void SetUserBaudrate(int value);
    static std::string Version() { return "1.3.8.0"; }

    // The path given to the system: DeviceName with PortNum put into its "%d"; a path
    // outside /dev is used as it is.
    std::string DevicePath() const;

    // To be called once the properties are set up: opens the port if AutoOpen is set.
    void Loaded();

    void OpenPort();
    void ClosePort();
    bool IsOpen() const { return device_ != nullptr; }
    int WriteBytes(const void* data, int count);
    int ReadBytes(void* buffer, int count);
    std::string ReadAllText();
    int InputCount();
    int OutputCount();
    void PurgeAll();

    // Events, raised on the main thread, never nested for one port. Each has one handler,
    // which ends with its receiver (see TSioHandler). All pass the component as the
    // sender; OnError adds the line_error flags, OnRxChar the number of bytes waiting.
    using TNotifyEvent = TSioHandler<TSioComm*>;
    using TSioCommErrorEvent = TSioHandler<TSioComm*, int>;
    using TSioCommRxCharEvent = TSioHandler<TSioComm*, int>;
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;
    TNotifyEvent OnCts;
    TNotifyEvent OnDsr;
    TNotifyEvent OnRlsd;
    TNotifyEvent OnRing;
    TNotifyEvent OnBreak;
    TSioCommErrorEvent OnError;
    TSioCommRxCharEvent OnRxChar;
    TNotifyEvent OnRxFlag;
    TNotifyEvent OnTxEmpty;
    TNotifyEvent OnPErr;
    TNotifyEvent OnRx80Full;
    TNotifyEvent OnEvent1;
    TNotifyEvent OnEvent2;
    // Raised on the calling thread about every 100 ms while a direct write waits for the
    // line, so that a window can repaint a progress display meanwhile. It must not
    // process events: nothing else is to run while the write blocks.
    TNotifyEvent OnWriteWait;

    // Seam for tests: what opens the device (nothing, with the errno value, on failure).
    // Default: tty::OpenDevice (a terminal, or a port on a network serial server).
    using DeviceOpener = std::function<std::unique_ptr<tty::Device>(const std::string& path, int& error)>;
    void SetDeviceOpener(DeviceOpener opener);

    // Seam for tests: called on a port thread as it hands a dispatch over to the main
    // thread, before the dispatch can run, so that a test knows one is pending without
    // running events. Set while the port is closed.
    using HandOverObserver = std::function<void(TSioCommEvents word)>;
    void SetHandOverObserver(HandOverObserver observer);

    // How long ClosePort waits after closing the device: kCloseSettleTime unless set
    // (tests that do not check the wait set 0).
    static constexpr std::chrono::milliseconds kCloseSettleTime{300};
    std::chrono::milliseconds CloseSettleTime() const { return closeSettleTime_; }
    void SetCloseSettleTime(std::chrono::milliseconds value) { closeSettleTime_ = value; }

private:
    friend class TSioComm;
    friend class TSioCommThread;
    friend class TSioCommEventThread;
    friend class TSioCommWriteThread;
    friend class TSioCommModemThread;

    explicit TSioCustomComm(QObject* parent);
    // Closes the port (with its wait, without OnClose) while the object is still whole,
    // since handlers of a dispatch delivered meanwhile receive it as their sender.
    void CloseForDestruction();

    struct Status {
        int inQueue = 0;
        int outQueue = 0;
    };

    TSioComm* Sender();
    void RefuseWhileOpen() const;
    void BuffersChanged();
    tty::LineSettings CurrentLineSettings();
    void ApplyLineSettings();
    // With UpdateDCB false: binary line, the device's own settings, nothing gated.
    void TakeDeviceSettings();
    TSioCommEvents EventMask() const;
    void StartThreads();
    void StopThreads();
    void CloseDevice();

    int WriteDirect(const std::uint8_t* data, int count);
    // Hands bytes to the kernel until it has taken them all or the deadline passes; the
    // number taken.
    int HandToKernel(const std::uint8_t* data, int count, std::chrono::steady_clock::time_point deadline);
    // Bytes per piece of a gated write, or count when nothing gates the output.
    int PieceSize(int count) const;
    int BytesSent(int written);
    int WriteQueued(const std::uint8_t* data, int count);
    bool WaitClearToSend(std::chrono::steady_clock::time_point deadline);
    bool WaitWritable(std::chrono::steady_clock::time_point deadline);
    bool WaitOutputSent(std::chrono::steady_clock::time_point deadline);
    // The next pause of a blocked write: at most until the deadline, and short enough to
    // raise OnWriteWait on time.
    std::chrono::steady_clock::duration WritePause(std::chrono::steady_clock::time_point deadline,
                                                   std::chrono::steady_clock::duration wanted);
    void NoteWriteWait();

    int ReadRaw(void* buffer, int count);
    // Moves what the device has queued into the receive buffer, decoded, up to its capacity.
    void FillReceiveBuffer();
    void NoteMarks(const tty::MarksFound& found);
    Status ReadStatus();
    // Reads the status and raises OnError with the line errors found since the last check.
    void CheckErrors();
    void Dispatch(TSioCommEvents word);
    void RaiseLineStateEvents(TSioCommEvents word);

    // Shared with the threads.
    bool ClearToSend();
    bool Gated() const;
    // Raises RTS before sending and lowers it after, for rtsToggle.
    void SetRtsForSending(bool on);
    int RecheckMilliseconds(int queuedBytes) const;
    TSioCommEvents CollectLineEvents();
    void NoteDeviceError(int error);

    bool autoOpen_ = false;
    TSioBaudrate baudrate_ = TSioBaudrate::br1200;
    TSioParity parity_ = TSioParity::paNone;
    TSioDatabits databits_ = TSioDatabits::db8;
    TSioStopbits stopbits_ = TSioStopbits::sb1;
    TSioEventChars eventChars_;
    TSioFlowControl flowControl_;
    TSioCommOptions options_;
    int portNum_ = 0;
    std::string deviceName_ = "COM%d";
    TSioCommEvents monitorEvents_ = TSioCommEvent::ceError | TSioCommEvent::ceRxChar | TSioCommEvent::ceTxEmpty;
    TSioBuffers buffers_;
    TSioThreadPriority eventPriority_ = TSioThreadPriority::tpNormal;
    TSioThreadPriority writePriority_ = TSioThreadPriority::tpHighest;
    bool directWrite_ = false;
    bool updateDcb_ = true;
    int userBaudrate_ = 0;
    std::chrono::milliseconds closeSettleTime_ = kCloseSettleTime;

    std::unique_ptr<tty::Device> device_;
    DeviceOpener openDevice_;
    HandOverObserver handOverObserver_;
    TSioCommEvents eventMask_;
    TSioCriticalSection writeLock_;
    TSioCriticalSection portLock_;
    std::unique_ptr<TSioCommEventThread> eventThread_;
    std::unique_ptr<TSioCommWriteThread> writeThread_;
    std::unique_ptr<TSioCommModemThread> modemThread_;
    tty::LineSettings applied_;  // line settings in force, read by the threads for timing and gating
    mutable std::mutex appliedMutex_;

    // Line errors found but not yet reported, and the counter readings they were taken from.
    std::mutex countersMutex_;
    std::optional<tty::LineCounters> counters_;
    // Reading, on the main thread under the port lock: the data bytes received and not yet
    // read, and the decoder of the kernel's marks.
    static constexpr std::size_t kReceiveCapacity = 4096;
    std::string received_;
    tty::InputDecoder decoder_;
    tty::ReceiveRules receiveRules_;
    TSioCommEvents markEvents_;
    std::atomic<int> pendingErrors_{0};
    std::atomic<bool> deviceLost_{false};

    std::chrono::steady_clock::time_point lastWriteWaitNote_{};
    bool dispatching_ = false;
    bool destroying_ = false;
};

class TSioComm final : public TSioCustomComm {
    Q_OBJECT
public:
    explicit TSioComm(QObject* parent = nullptr) : TSioCustomComm(parent) {}
    ~TSioComm() override { CloseForDestruction(); }
};

// Sets the layout values of the programmer's port: 2400 bit/s, even parity checked,
// 8 data bits, 1 stop bit, CTS output flow, DTR and RTS off, no XON/XOFF, direct writes,
// 1500 ms read and write waits.
void ApplyProgrammerPortSettings(TSioCustomComm& port);

}  // namespace torv
