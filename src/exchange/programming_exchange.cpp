#include "exchange/programming_exchange.h"

#include <algorithm>
#include <exception>

#include "device/checksum.h"
#include "exchange/exchange_texts.h"
#include "exchange/paced_wait.h"
#include "exchange/status_text.h"
#include "exchange/timing.h"

namespace torv {
namespace {

constexpr std::uint8_t kIdentifyCommand = 0x55;
constexpr std::uint8_t kProbeCommand = 0x57;
constexpr std::uint8_t kSelectTypeCommand = 0x61;
constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNak = 0x15;
constexpr std::uint8_t kInfoRequest[] = {0x88, 0x80};
constexpr std::uint8_t kParamRequest[] = {0xA0, 0x10};
constexpr std::uint8_t kParamWrite[] = {0xE0, 0x10};

constexpr int kIdentificationMinBytes = 7;
constexpr int kWriteLockBytes = 5;
constexpr int kProbeReplyBytes = 5;
constexpr int kInfoBytes = 8;
constexpr int kParamBytes = 32;
constexpr int kRetriesBeforePrompt = 4;

// The identification is searched up to the first zero byte of the reply.
bool IdentifiesAdapter(const std::string& reply)
{
    const std::string text = reply.substr(0, reply.find('\0'));
    return text.find("Quasar2") != std::string::npos || text.find("Quasar3") != std::string::npos;
}

}  // namespace

ProgrammingExchange::ProgrammingExchange(ExchangeHost& host, ExchangePort& port) : host_(host), port_(port)
{
    QObject::connect(&responseTimer_, &QTimer::timeout, &responseTimer_, [this] { OnResponseTimeout(); });
    portCloseTimer_.setSingleShot(true);
    QObject::connect(&portCloseTimer_, &QTimer::timeout, &portCloseTimer_, [this] { PortCloseTimerTick(); });
}

// ---- entry points -------------------------------------------------------------------

void ProgrammingExchange::StartRead()
{
    retryCounter_ = 0;
    host_.SetControlState(ControlState::Busy);
    SendIdentify();
}

void ProgrammingExchange::StartWrite(const ParameterBlock& block)
{
    retryCounter_ = 0;
    block_ = block;
    host_.ShowParameters();
    Guarded([this] { SendParamWrite(); });
}

void ProgrammingExchange::ChangePort(const std::string& devicePath)
{
    port_.ClosePort();
    portDevicePath_ = devicePath;
}

void ProgrammingExchange::Shutdown()
{
    responseTimer_.Stop();
    portCloseTimer_.stop();
    try {
        port_.PurgeAll();
    } catch (const std::exception&) {
        // A line that has gone away cannot be purged; it is closed all the same.
    }
    port_.ClosePort();
}

void ProgrammingExchange::AbortToIdle()
{
    // A late reply handled while a time-out prompt was open may have armed the timer
    // again; the abandoned exchange must not raise a time-out prompt in the idle window.
    responseTimer_.Stop();
    host_.ShowParameters();
    retryCounter_ = 0;
    stage_ = kIdle;
    host_.SetControlState(ControlState::IdleAfterAbort);
    portCloseTimer_.start(timing::Scaled(timing::kPortCloseDelayMs));
}

void ProgrammingExchange::PortCloseTimerTick()
{
    portCloseTimer_.stop();
    if (!port_.IsOpen())
        return;
    if (portHandlerDepth_ > 0) {
        // The tick came inside a pause of a port handler. Closing waits for the port's
        // event thread, which waits for that handler: close once it has returned.
        portCloseTimer_.start(timing::Scaled(timing::kPortCloseDelayMs));
        return;
    }
    try {
        port_.PurgeAll();
    } catch (const std::exception&) {
        // A line that has gone away cannot be purged; it is closed all the same.
    }
    port_.ClosePort();
}

// ---- send steps ---------------------------------------------------------------------

void ProgrammingExchange::ArmResponseTimer()
{
    responseTimer_.Start(timing::Scaled(timing::kResponseTimeoutMs));
}

void ProgrammingExchange::SendIdentify()
{
    responseTimer_.Stop();
    try {
        if (!port_.IsOpen()) {
            port_.Open(portDevicePath_);
            port_.PurgeAll();
            PacedWait(static_cast<std::uint16_t>(timing::Scaled(timing::kOpenSettleMs)));
        }
        port_.WriteBytes(&kIdentifyCommand, 1);
        stage_ = kIdentification;
        ArmResponseTimer();
    } catch (const std::exception&) {
        host_.ShowMessage(texts::PortBusy(portDevicePath_));
        AbortToIdle();
    }
}

void ProgrammingExchange::SendCommand(std::initializer_list<std::uint8_t> command, int pauseMs, Stage next)
{
    PacedWait(static_cast<std::uint16_t>(timing::Scaled(pauseMs)));
    port_.WriteBytes(command.begin(), static_cast<int>(command.size()));
    stage_ = next;
    ArmResponseTimer();
}

void ProgrammingExchange::SendProbe()
{
    SendCommand({kProbeCommand}, timing::kProbePauseMs, kProbe);
}

void ProgrammingExchange::SendSelectType()
{
    SendCommand({kSelectTypeCommand}, timing::kSelectTypePauseMs, kTypeSelection);
}

void ProgrammingExchange::SendInfoRequest()
{
    SendCommand({kInfoRequest[0], kInfoRequest[1]}, timing::kInfoPauseMs, kInfoBlock);
}

void ProgrammingExchange::SendParamRequest(bool verification)
{
    SendCommand({kParamRequest[0], kParamRequest[1]}, timing::kParamPauseMs,
                verification ? kReadBack : kParameterRead);
}

void ProgrammingExchange::SendParamWrite()
{
    std::array<std::uint8_t, 2 + kParamBytes> message{kParamWrite[0], kParamWrite[1]};
    std::copy(block_.begin(), block_.end(), message.begin() + 2);
    port_.WriteBytes(message.data(), static_cast<int>(message.size()));
    stage_ = kWriteDrain;
    ArmResponseTimer();
}

// ---- receive handling ---------------------------------------------------------------

void ProgrammingExchange::PortRxChar(int count)
{
    const PortHandlerScope scope(portHandlerDepth_);
    Guarded([this, count] {
        switch (stage_) {
        case kIdentification: ReceiveIdentification(count); break;
        case kProbe: ReceiveProbeReply(count); break;
        case kTypeSelection: ReceiveTypeSelection(); break;
        case kInfoBlock: ReceiveInfoBlock(count); break;
        case kParameterRead: ReceiveParameters(count); break;
        case kReadBack: ReceiveReadBack(count); break;
        default: ReceiveStray(count); break;
        }
    });
}

void ProgrammingExchange::PortTxEmpty()
{
    const PortHandlerScope scope(portHandlerDepth_);
    Guarded([this] {
        if (stage_ != kWriteDrain || port_.OutputCount() != 0)
            return;
        responseTimer_.Stop();
        SendParamRequest(true);
    });
}

void ProgrammingExchange::OnResponseTimeout()
{
    responseTimer_.Stop();
    const Message& prompt = stage_ == kIdentification                                ? texts::kAdapterNotFoundTimeout
                            : (stage_ == kProbe || stage_ == kTypeSelection) ? texts::kAdapterNotResponding
                                                                                    : texts::kTransmitterNotResponding;
    if (host_.ShowMessage(prompt) == Answer::Cancel)
        AbortToIdle();
    else
        SendIdentify();
}

void ProgrammingExchange::ReceiveIdentification(int count)
{
    if (count < kIdentificationMinBytes)
        return;
    const std::string reply = port_.ReadAllText();
    responseTimer_.Stop();
    if (IdentifiesAdapter(reply)) {
        retryCounter_ = 0;
        SendSelectType();
        return;
    }
    ApplyFailureRule([this] { SendIdentify(); }, texts::kAdapterNotFoundAfterRetries, [this] { SendProbe(); });
}

void ProgrammingExchange::ReceiveProbeReply(int count)
{
    if (count < kProbeReplyBytes)
        return;
    responseTimer_.Stop();
    if (ReplyIsWriteLock(ReadReply(count)))
        host_.DisableWrite();
    SendIdentify();
}

void ProgrammingExchange::ReceiveTypeSelection()
{
    std::uint8_t reply = 0;
    if (port_.ReadBytes(&reply, 1) != 1)
        return;
    if (reply == kAck) {
        responseTimer_.Stop();
        retryCounter_ = 0;
        SendInfoRequest();
    } else if (reply == kNak) {
        responseTimer_.Stop();
        ApplyFailureRule([this] { SendSelectType(); }, texts::kDeviceTypeRefused, [this] { SendIdentify(); });
    }
    // Any other byte is dropped; the response timer keeps running.
}

void ProgrammingExchange::ReceiveInfoBlock(int count)
{
    if (!TakeWholeReply(count, kInfoBytes))
        return;
    std::copy_n(receiveBuffer_.begin(), kInfoBytes, info_.begin());
    const std::uint8_t deviceType = InfoBlockView(info_).DeviceType();
    if (FindTransmitterType(deviceType)) {
        retryCounter_ = 0;
        host_.ShowDeviceInfo();
        SendParamRequest(false);
        return;
    }
    ApplyFailureRule([this] { SendInfoRequest(); },
                     deviceType == kNoTransmitter ? texts::kNoTransmitter : texts::kNotATransmitter,
                     [this] { SendIdentify(); });
}

void ProgrammingExchange::ReceiveParameters(int count)
{
    if (!TakeWholeReply(count, kParamBytes))
        return;
    stage_ = kIdle;
    std::copy_n(receiveBuffer_.begin(), kParamBytes, block_.begin());
    if (ParameterBlockIntact(block_)) {
        AcceptBlock(&texts::kReadSucceeded);
        return;
    }
    // Cancel accepts the block as read, without a status text.
    ApplyFailureRule([this] { SendParamRequest(false); }, texts::kChecksumError, [this] { SendIdentify(); },
                     [this] { AcceptBlock(nullptr); });
}

void ProgrammingExchange::ReceiveReadBack(int count)
{
    if (!TakeWholeReply(count, kParamBytes))
        return;
    stage_ = kIdle;
    if (std::equal(block_.begin(), block_.end(), receiveBuffer_.begin())) {
        AcceptBlock(&texts::kWriteSucceeded);
        return;
    }
    ApplyFailureRule([this] { SendParamWrite(); }, texts::kWriteVerifyError, [this] { SendParamWrite(); });
}

void ProgrammingExchange::ReceiveStray(int count)
{
    // While a written block drains, the timer keeps running: a lost transmit-empty
    // notification then ends in the time-out prompt instead of a window busy for ever.
    if (stage_ != kWriteDrain)
        responseTimer_.Stop();
    if (count >= kWriteLockBytes && ReplyIsWriteLock(ReadReply(count)))
        host_.DisableWrite();
}

// ---- helpers ------------------------------------------------------------------------

bool ProgrammingExchange::TakeWholeReply(int count, int size)
{
    if (count < size)
        return false;  // not all of it yet: the response timer keeps running
    responseTimer_.Stop();
    if (ReadReply(count) < size) {
        ArmResponseTimer();  // the bytes went away: counts as silence
        return false;
    }
    return true;
}

int ProgrammingExchange::ReadReply(int count)
{
    // At most the buffer's size is kept; what a flood brings beyond it is read and dropped,
    // so that it neither overruns the buffer nor stays queued.
    const int kept = std::clamp(count, 0, kReceiveBufferSize);
    const int received = std::max(port_.ReadBytes(receiveBuffer_.data(), kept), 0);
    std::array<std::uint8_t, kReceiveBufferSize> dropped;
    for (int rest = count - kept; rest > 0;) {
        const int n = port_.ReadBytes(dropped.data(), std::min(rest, kReceiveBufferSize));
        if (n <= 0)
            break;
        rest -= n;
    }
    return received;
}

bool ProgrammingExchange::ReplyIsWriteLock(int received) const
{
    return received >= kWriteLockBytes &&
           std::all_of(receiveBuffer_.begin(), receiveBuffer_.begin() + kWriteLockBytes,
                       [](std::uint8_t b) { return b == 0x01; });
}

void ProgrammingExchange::AcceptBlock(const std::string* statusMessage)
{
    host_.ShowParameters();
    retryCounter_ = 0;
    host_.SetControlState(ControlState::IdleAfterSuccess);
    if (statusMessage && showStatusMessages_)
        host_.ShowStatusText(StatusText(*statusMessage));
}

void ProgrammingExchange::ApplyFailureRule(const Step& resend, const Message& prompt, const Step& restart,
                                           const Step& onCancel)
{
    ++retryCounter_;
    if (retryCounter_ <= kRetriesBeforePrompt) {
        resend();
        return;
    }
    if (host_.ShowMessage(prompt) == Answer::Cancel) {
        if (onCancel)
            onCancel();
        else
            AbortToIdle();
        return;
    }
    retryCounter_ = 0;
    restart();
}

void ProgrammingExchange::Guarded(const Step& handler)
{
    // A port error inside the exchange (a line that went away while bytes were read or
    // written) is shown with the port's own text and ends the exchange, rather than
    // leaving the window busy.
    try {
        handler();
    } catch (const std::exception& error) {
        responseTimer_.Stop();
        host_.ShowMessage(Message{error.what(), "Ошибка", MessageFlags::kOkError});
        AbortToIdle();
    }
}

}  // namespace torv
