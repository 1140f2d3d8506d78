#pragma once
// The conversation with the programming adapter: a stage machine that identifies the
// adapter, selects the device, reads the info and parameter blocks, and writes a
// parameter block with read-back verification. Every command arms the response timer;
// replies arrive through PortRxChar, the end of a write through PortTxEmpty, silence
// through OnResponseTimeout. Rejected replies are retried four times, then the
// operator is asked whether to repeat.
//
// Everything runs on the thread of the hosting window. Pauses and prompts re-enter
// the event loop, so a notification handled there is handled in the stage current
// at that moment. Nothing here throws: a failed port operation ends the exchange
// with a message where it arises.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include <QTimer>

#include "device/blocks.h"
#include "exchange/exchange_host.h"
#include "exchange/exchange_port.h"
#include "exchange/time_out.h"

namespace torv {

class ProgrammingExchange {
public:
    // Exchange stages: which reply is awaited.
    enum class Stage : std::uint8_t {
        kIdle = 0,
        kIdentification = 1,
        kProbe = 2,
        kTypeSelection = 3,
        kInfoBlock = 4,
        kParameterRead = 5,
        kWriteDrain = 6,
        kReadBack = 7,
    };

    static constexpr int kReceiveBufferSize = 64;
    // The most bytes of identification text collected before it is judged.
    static constexpr int kIdentificationMaxBytes = 64;

    ProgrammingExchange(ExchangeHost& host, ExchangePort& port);
    ProgrammingExchange(const ProgrammingExchange&) = delete;
    ProgrammingExchange& operator=(const ProgrammingExchange&) = delete;

    // The blocks last read or written. DateText and SerialText may correct the info block.
    InfoBlock& Info() { return info_; }
    // The adapter's identification text as last accepted ("Quasar3 v2.1"), "" before.
    const std::string& AdapterIdentification() const { return adapterIdentification_; }
    const ParameterBlock& Block() const { return block_; }
    // The block read back after the last write, matching it or not; nothing before one.
    const std::optional<ParameterBlock>& ReadBack() const { return readBack_; }
    // True when the last write ended because another unit was found connected when the
    // operator asked to write again: nothing was written to that unit.
    bool OtherUnitFound() const { return otherUnitFound_; }
    // Replaces the block shown (start-up contents).
    void SetBlock(const ParameterBlock& block) { block_ = block; }

    Stage StageNow() const { return stage_; }
    // True from the moment a write put a byte on the line until a read-back matched it or a
    // read found what the transmitter holds: until then its state is unknown.
    bool WriteUnverified() const { return writeUnverified_; }
    int RetryCounter() const { return retryCounter_; }
    bool ResponseTimerArmed() const { return responseTimer_.isActive(); }
    int ResponseTimerInterval() const { return responseTimer_.interval(); }
    bool PortCloseTimerArmed() const { return portCloseTimer_.isActive(); }
    // Runs the calling thread's events until the port close an earlier abort scheduled has
    // happened, which would otherwise close the port the next operation opens. For callers
    // that start operations one after another without an event loop of their own.
    void AwaitScheduledClose();

    const std::string& PortDevicePath() const { return portDevicePath_; }
    void SetPortDevicePath(const std::string& path) { portDevicePath_ = path; }
    void SetShowStatusMessages(bool show) { showStatusMessages_ = show; }
    // A production station polls its adapter for the next unit: an info block that says
    // no transmitter ends the read at once, without the repeats and the prompt that an
    // operator's read gets, and NoTransmitterFound tells it.
    void SetPollingForUnits(bool polling) { pollingForUnits_ = polling; }
    bool NoTransmitterFound() const { return noTransmitterFound_; }

    // Starts a read: busy state, then the identification (opening the port if needed).
    void StartRead();
    // Starts a write of an assembled block on the port left open by the last read.
    void StartWrite(const ParameterBlock& block);
    // The operator chose another port. The new path holds at once (the next read opens
    // it); the current port is closed at once, or right after a running port handler
    // returns, since a handler inside one of its pauses still holds the port.
    void ChangePort(const std::string& devicePath);
    // The window goes away: timers stopped, port purged and closed.
    void Shutdown();

    // Ends the exchange: the stored block shown again, idle controls with Write disabled,
    // and the port closed shortly afterwards (never from inside a port handler).
    void AbortToIdle();

    // Port notifications and timer ticks. The port's notifications are connected with
    // Receiver(), so that they end with the exchange.
    const QObject* Receiver() const { return &receiver_; }
    void PortRxChar(int count);
    void PortTxEmpty();
    void OnResponseTimeout();
    void PortCloseTimerTick();

private:
    using Step = std::function<void()>;

    // Counts the port handlers running on the stack (a pause inside one runs the event
    // loop); when the outermost returns, a close asked for meanwhile is carried out.
    class PortHandlerScope {
    public:
        explicit PortHandlerScope(ProgrammingExchange& exchange);
        ~PortHandlerScope();
        PortHandlerScope(const PortHandlerScope&) = delete;
        PortHandlerScope& operator=(const PortHandlerScope&) = delete;

    private:
        ProgrammingExchange& exchange_;
    };

    void SendIdentify();
    void SendProbe();
    void SendSelectType();
    void SendInfoRequest();
    void SendParamRequest(bool verification);
    void SendParamWrite();
    void SendCommand(std::span<const std::uint8_t> command, int pauseMs, Stage next);
    void ArmResponseTimer();

    void ReceiveIdentification(int count);
    void OnIdentificationQuiet();
    void RefuseIdentification();
    void ReceiveProbeReply(int count);
    void ReceiveTypeSelection();
    void ReceiveInfoBlock(int count);
    void ReceiveParameters(int count);
    void ReceiveReadBack(int count);
    void ReceiveStray(int count);
    // Retry after a failed verification: identifies the unit connected first, as a read
    // does, and writes the block again only to the unit the write was made for.
    void CheckUnitThenRewrite();
    void RewriteIfSameUnit(InfoBlock connected);

    // Reads a reply of size bytes once count says it is all there; false while it is not
    // (or when the port failed, which has then ended the exchange).
    bool TakeWholeReply(int count, int size);
    // Reads count waiting bytes, at most the buffer's size kept; -1 on a port error.
    int ReadReply(int count);
    bool ReplyIsWriteLock(int received) const;
    void AcceptBlock(const std::string* statusMessage);
    // Coming to rest with a write unverified: the host's status bar warns of it.
    void WarnIfWriteUnverified();
    void ApplyFailureRule(const Step& resend, const Message& prompt, const Step& restart, const Step& onCancel = {});
    // A port operation failed during the exchange: its text is shown and the exchange ends.
    void EndOnPortError();
    // Purges and closes the port, or, inside a port handler, once the handler returns.
    void ClosePortWhenFree();

    ExchangeHost& host_;
    ExchangePort& port_;
    InfoBlock info_{};
    ParameterBlock block_{};
    std::optional<ParameterBlock> readBack_;
    std::optional<InfoBlock> unitToRewrite_;  // set while a re-write waits for its check
    bool otherUnitFound_ = false;
    Stage stage_ = Stage::kIdle;
    std::int32_t retryCounter_ = 0;
    bool writeUnverified_ = false;
    std::string portDevicePath_;
    bool showStatusMessages_ = true;
    bool pollingForUnits_ = false;
    bool noTransmitterFound_ = false;
    std::array<std::uint8_t, kReceiveBufferSize> receiveBuffer_{};
    std::string identification_;  // identification text collected in stage 1
    std::string adapterIdentification_;
    int portHandlerDepth_ = 0;
    bool closeAfterHandler_ = false;
    TTimeOut responseTimer_;
    QTimer portCloseTimer_;
    QTimer identificationQuietTimer_;
    QObject receiver_;  // the last member: the notifications end before the rest goes
};

}  // namespace torv
