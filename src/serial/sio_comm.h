#pragma once
// TSioComm: the component that owns one serial port. It opens the device on demand,
// applies the line settings, reads and writes with bounded waits, and raises line events
// on the Qt main thread. All operations are called on the main thread.
//
// On Linux:
// - CTS (and DSR) output flow with RTS held off is done by the component: the kernel's
//   CRTSCTS would drive RTS too, so writes wait until the lines are on. A device without
//   modem lines (a pseudo-terminal) never holds output. rtsHandshake uses CRTSCTS.
// - A direct write is complete when the kernel's output queue is empty; bytes it could
//   not hand over before WriteTimeout are dropped and the result is 0.
// - Accepted and ignored: DsrSensitivity, TxContinueOnXoff, coNullStrip, the ErrorChar
//   value (a parity-error byte reads as 0), rtsToggle (RTS stays off), dtrHandshake (DTR
//   stays on), the queue sizes, and the events ceRxFlag, ceCts, ceDsr, ceRlsd, ceRing,
//   cePErr, ceRx80Full, ceEvent1, ceEvent2 (Linux has no cancellable wait for them).
// - A hang-up (adapter unplugged) gives one OnError with line_error::kIoError; then
//   counts are 0, reads give nothing, writes raise, and ClosePort works as ever.

#include "serial/sio_classes.h"
#include "serial/sio_settings.h"
#include "serial/sio_types.h"
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

    // The path given to the system: DeviceName with PortNum put into its "%d".
    std::string DevicePath() const;

    // To be called once the properties are set up: opens the port if AutoOpen is set.
    void Loaded();

    void OpenPort();
    void ClosePort();
    bool IsOpen() const { return device_ >= 0; }
    int WriteBytes(const void* data, int count);
    int ReadBytes(void* buffer, int count);
    std::string ReadAllText();
    int InputCount();
    int OutputCount();
    void PurgeAll();

    // Events, raised on the main thread, never nested for one port.
    std::function<void(TSioComm* sender)> OnOpen;
    std::function<void(TSioComm* sender)> OnClose;
    std::function<void(TSioComm* sender)> OnCts;
    std::function<void(TSioComm* sender)> OnDsr;
    std::function<void(TSioComm* sender)> OnRlsd;
    std::function<void(TSioComm* sender)> OnRing;
    std::function<void(TSioComm* sender)> OnBreak;
    std::function<void(TSioComm* sender, int errors)> OnError;
    std::function<void(TSioComm* sender, int count)> OnRxChar;
    std::function<void(TSioComm* sender)> OnRxFlag;
    std::function<void(TSioComm* sender)> OnTxEmpty;
    std::function<void(TSioComm* sender)> OnPErr;
    std::function<void(TSioComm* sender)> OnRx80Full;
    std::function<void(TSioComm* sender)> OnEvent1;
    std::function<void(TSioComm* sender)> OnEvent2;
    // Raised on the calling thread about every 100 ms while a direct write waits for the
    // line, so that a window can repaint a progress display meanwhile. It must not
    // process events: nothing else is to run while the write blocks.
    std::function<void(TSioComm* sender)> OnWriteWait;

    // Seam for tests: where the state of the modem lines (TIOCM_* bits) comes from;
    // nothing means the device has no modem lines. Default: the device itself.
    using ModemStatusSource = std::function<std::optional<int>(int device)>;
    void SetModemStatusSource(ModemStatusSource source);

    // How long ClosePort waits after closing the device.
    static constexpr std::chrono::milliseconds kCloseSettleTime{300};

private:
    friend class TSioComm;
    friend class TSioCommThread;
    friend class TSioCommEventThread;
    friend class TSioCommWriteThread;

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
    TSioCommEvents EventMask() const;
    void StartThreads();
    void StopThreads();
    void CloseDevice();

    int WriteDirect(const std::uint8_t* data, int count);
    int WriteQueued(const std::uint8_t* data, int count);
    bool WaitClearToSend(std::chrono::steady_clock::time_point deadline);
    bool WaitWritable(std::chrono::steady_clock::time_point deadline);
    bool WaitOutputSent(std::chrono::steady_clock::time_point deadline);
    // The next pause of a blocked write: at most until the deadline, and short enough to
    // raise OnWriteWait on time.
    std::chrono::steady_clock::duration WritePause(std::chrono::steady_clock::time_point deadline,
                                                   std::chrono::steady_clock::duration wanted);
    void NoteWriteWait();

    Status ReadStatus();
    // Reads the status and raises OnError with the line errors found since the last check.
    void CheckErrors();
    void Dispatch(TSioCommEvents word);
    void RaiseLineStateEvents(TSioCommEvents word);

    // Shared with the threads.
    bool ClearToSend();
    int RecheckMilliseconds(int queuedBytes) const;
    TSioCommEvents CollectLineEvents();
    void NoteDeviceError(int error);

    bool autoOpen_ = false;
    TSioBaudrate baudrate_ = br1200;
    TSioParity parity_ = paNone;
    TSioDatabits databits_ = db8;
    TSioStopbits stopbits_ = sb1;
    TSioEventChars eventChars_;
    TSioFlowControl flowControl_;
    TSioCommOptions options_ = 0;
    int portNum_ = 0;
    std::string deviceName_ = "COM%d";
    TSioCommEvents monitorEvents_ = ceError | ceRxChar | ceTxEmpty;
    TSioBuffers buffers_;
    TSioThreadPriority eventPriority_ = tpNormal;
    TSioThreadPriority writePriority_ = tpHighest;
    bool directWrite_ = false;
    bool updateDcb_ = true;
    int userBaudrate_ = 0;

    int device_ = -1;
    TSioCommEvents eventMask_ = 0;
    TSioCriticalSection writeLock_;
    TSioCriticalSection portLock_;
    std::unique_ptr<TSioCommEventThread> eventThread_;
    std::unique_ptr<TSioCommWriteThread> writeThread_;
    ModemStatusSource modemStatus_;
    tty::LineSettings applied_;  // line settings in force, read by the threads for timing and gating
    mutable std::mutex appliedMutex_;

    // Line errors found but not yet reported, and the counter readings they were taken from.
    std::mutex countersMutex_;
    std::optional<tty::ErrorCounters> counters_;
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
