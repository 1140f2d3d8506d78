#include "exchange/programming_exchange.h"

#include <QEventLoop>

#include <algorithm>
#include <utility>

#include "device/adapter_protocol.h"
#include "device/checksum.h"
#include "device/info_text.h"
#include "exchange/exchange_texts.h"
#include "exchange/paced_wait.h"
#include "exchange/status_text.h"
#include "exchange/timing.h"

namespace torv {
namespace {

constexpr int kIdentificationMinBytes = 7;  // judged only when quiet after at least this
constexpr int kWriteLockBytes = static_cast<int>(protocol::kWriteLock.size());
constexpr int kProbeReplyBytes = static_cast<int>(protocol::kProbeReplySize);
constexpr int kInfoBytes = static_cast<int>(protocol::kInfoReplySize);
constexpr int kParamBytes = static_cast<int>(protocol::kParamReplySize);
constexpr int kRetriesBeforePrompt = 4;
// The most bytes left over from earlier replies that are dropped before a command.
constexpr int kMostStaleBytes = 4096;

// The identification is searched up to the first zero byte of the reply.
bool IdentifiesAdapter(const std::string& reply)
{
    const std::string text = reply.substr(0, reply.find('\0'));
    return std::any_of(protocol::kAdapterWords.begin(), protocol::kAdapterWords.end(),
                       [&](std::string_view word) { return text.find(word) != std::string::npos; });
}

// The identification up to its first zero byte, its printable ASCII only.
std::string PrintableText(const std::string& reply)
{
    std::string text;
    for (const char c : reply.substr(0, reply.find('\0')))
        if (c >= 0x20 && c < 0x7F)
            text += c;
    return text;
}

// The same transmitter: its device type and serial number agree.
bool SameUnit(InfoBlock a, InfoBlock b)
{
    return InfoBlockView(a).DeviceType() == InfoBlockView(b).DeviceType() && SerialText(a) == SerialText(b);
}

}  // namespace

ProgrammingExchange::ProgrammingExchange(ExchangeHost& host, ExchangePort& port) : host_(host), port_(port)
{
    QObject::connect(&responseTimer_, &QTimer::timeout, &responseTimer_, [this] { OnResponseTimeout(); });
    portCloseTimer_.setSingleShot(true);
    portCloseTimer_.setTimerType(Qt::PreciseTimer);  // a coarse timer may tick 5 % early
    QObject::connect(&portCloseTimer_, &QTimer::timeout, &portCloseTimer_, [this] { PortCloseTimerTick(); });
    identificationQuietTimer_.setSingleShot(true);
    QObject::connect(&identificationQuietTimer_, &QTimer::timeout, &identificationQuietTimer_,
                     [this] { OnIdentificationQuiet(); });
}

ProgrammingExchange::PortHandlerScope::PortHandlerScope(ProgrammingExchange& exchange) : exchange_(exchange)
{
    ++exchange_.portHandlerDepth_;
}

ProgrammingExchange::PortHandlerScope::~PortHandlerScope()
{
    // The port cannot be closed from inside its own notification. The close is posted
    // now, while the port's event thread still waits for this handler, so that it runs
    // before any notification the port hands over next.
    if (--exchange_.portHandlerDepth_ == 0 && exchange_.closeAfterHandler_) {
        exchange_.closeAfterHandler_ = false;
        ProgrammingExchange& exchange = exchange_;
        QMetaObject::invokeMethod(
            &exchange.portCloseTimer_, [&exchange] { exchange.PortCloseTimerTick(); }, Qt::QueuedConnection);
    }
}

// ---- entry points -------------------------------------------------------------------

void ProgrammingExchange::StartRead()
{
    retryCounter_ = 0;
    unitToRewrite_.reset();
    noTransmitterFound_ = false;
    host_.SetControlState(ControlState::Busy);
    SendIdentify();
}

void ProgrammingExchange::StartWrite(const ParameterBlock& block)
{
    retryCounter_ = 0;
    unitToRewrite_.reset();
    otherUnitFound_ = false;
    readBack_.reset();
    block_ = block;
    host_.ShowParameters();
    SendParamWrite();
}

void ProgrammingExchange::AwaitScheduledClose()
{
    while (portCloseTimer_.isActive())
        QEventLoop().processEvents(QEventLoop::WaitForMoreEvents);
}

void ProgrammingExchange::ChangePort(const std::string& devicePath)
{
    portDevicePath_ = devicePath;
    ClosePortWhenFree();
}

void ProgrammingExchange::Shutdown()
{
    responseTimer_.Stop();
    portCloseTimer_.stop();
    identificationQuietTimer_.stop();
    port_.PurgeAll();  // a line that has gone away cannot be purged; it is closed all the same
    port_.ClosePort();
}

void ProgrammingExchange::AbortToIdle()
{
    // A late reply handled while a time-out prompt was open may have armed the timer
    // again; the abandoned exchange must not raise a time-out prompt in the idle window.
    responseTimer_.Stop();
    identificationQuietTimer_.stop();
    unitToRewrite_.reset();
    host_.ShowParameters();
    retryCounter_ = 0;
    stage_ = Stage::kIdle;
    host_.SetControlState(ControlState::IdleAfterAbort);
    WarnIfWriteUnverified();
    portCloseTimer_.start(timing::Scaled(timing::kPortCloseDelayMs));
}

void ProgrammingExchange::PortCloseTimerTick()
{
    portCloseTimer_.stop();
    ClosePortWhenFree();
}

void ProgrammingExchange::ClosePortWhenFree()
{
    if (!port_.IsOpen())
        return;
    if (portHandlerDepth_ > 0) {
        // Inside a pause of a port handler. Closing waits for the port's event thread,
        // which waits for that handler: close once it has returned.
        closeAfterHandler_ = true;
        return;
    }
    port_.PurgeAll();  // a line that has gone away cannot be purged; it is closed all the same
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
    bool portWorks = true;
    if (!port_.IsOpen()) {
        portWorks = port_.Open(portDevicePath_) && port_.PurgeAll();
        if (portWorks)
            PacedWait(static_cast<std::uint16_t>(timing::Scaled(timing::kOpenSettleMs)));
    }
    // A port closed by a change of port during the pause takes no byte (written: 0); the
    // time-out prompt then follows, and its Retry opens the port now chosen.
    if (!portWorks || port_.WriteBytes(&protocol::kIdentify, 1) < 0) {
        host_.ShowMessage(texts::PortBusy(portDevicePath_, host_.PortCauseLine(portDevicePath_, port_.OpenFailure())));
        AbortToIdle();
        return;
    }
    identification_.clear();
    identificationQuietTimer_.stop();
    stage_ = Stage::kIdentification;
    ArmResponseTimer();
}

// Every command sent here expects a reply of a fixed length. Whatever is still queued
// then (the tail of an earlier reply, noise) would be taken as the reply's start: it is
// read and dropped right before the command goes out.
void ProgrammingExchange::SendCommand(std::span<const std::uint8_t> command, int pauseMs, Stage next)
{
    PacedWait(static_cast<std::uint16_t>(timing::Scaled(pauseMs)));
    if (port_.DropBytes(kMostStaleBytes) < 0 ||
        port_.WriteBytes(command.data(), static_cast<int>(command.size())) < 0) {
        EndOnPortError();
        return;
    }
    stage_ = next;
    ArmResponseTimer();
}

void ProgrammingExchange::SendProbe()
{
    SendCommand({&protocol::kProbe, 1}, timing::kProbePauseMs, Stage::kProbe);
}

void ProgrammingExchange::SendSelectType()
{
    SendCommand({&protocol::kSelectType, 1}, timing::kSelectTypePauseMs, Stage::kTypeSelection);
}

void ProgrammingExchange::SendInfoRequest()
{
    SendCommand(protocol::kInfoRequest, timing::kInfoPauseMs, Stage::kInfoBlock);
}

void ProgrammingExchange::SendParamRequest(bool verification)
{
    SendCommand(protocol::kParamRequest, timing::kParamPauseMs,
                verification ? Stage::kReadBack : Stage::kParameterRead);
}

void ProgrammingExchange::SendParamWrite()
{
    std::array<std::uint8_t, protocol::kParamWrite.size() + protocol::kParamReplySize> message{};
    const auto blockStart = std::copy(protocol::kParamWrite.begin(), protocol::kParamWrite.end(), message.begin());
    std::copy(block_.begin(), block_.end(), blockStart);
    // Part of a block, or a failure after an unknown part of it, may have reached the
    // transmitter as well as the whole: only nothing sent leaves its state as it was.
    const int sent = port_.WriteBytes(message.data(), static_cast<int>(message.size()));
    if (sent != 0)
        writeUnverified_ = true;
    if (sent < 0) {
        EndOnPortError();
        return;
    }
    stage_ = Stage::kWriteDrain;
    ArmResponseTimer();
}

// ---- receive handling ---------------------------------------------------------------

void ProgrammingExchange::PortRxChar(int count)
{
    const PortHandlerScope scope(*this);
    switch (stage_) {
    case Stage::kIdentification: ReceiveIdentification(count); break;
    case Stage::kProbe: ReceiveProbeReply(count); break;
    case Stage::kTypeSelection: ReceiveTypeSelection(); break;
    case Stage::kInfoBlock: ReceiveInfoBlock(count); break;
    case Stage::kParameterRead: ReceiveParameters(count); break;
    case Stage::kReadBack: ReceiveReadBack(count); break;
    default: ReceiveStray(count); break;
    }
}

void ProgrammingExchange::PortTxEmpty()
{
    const PortHandlerScope scope(*this);
    if (stage_ != Stage::kWriteDrain)
        return;
    const int unsent = port_.OutputCount();
    if (unsent < 0) {
        EndOnPortError();
        return;
    }
    if (unsent != 0)
        return;
    responseTimer_.Stop();
    SendParamRequest(true);
}

void ProgrammingExchange::OnResponseTimeout()
{
    responseTimer_.Stop();
    // Retry after a time-out starts a read, also when a re-write was waiting for its check.
    unitToRewrite_.reset();
    const bool adapterStage = stage_ == Stage::kProbe || stage_ == Stage::kTypeSelection;
    const Message& prompt = stage_ == Stage::kIdentification ? texts::kAdapterNotFoundTimeout
                            : adapterStage                   ? texts::kAdapterNotResponding
                                                             : texts::kTransmitterNotResponding;
    if (host_.ShowMessage(prompt) == Answer::Cancel)
        AbortToIdle();
    else
        SendIdentify();
}

// A real adapter sends its text a byte at a time, and the text may run on past the word
// or carry something before it: the text is collected across notifications and accepted
// as soon as it holds the word. Without the word it is refused once 64 bytes have come,
// or once at least 7 have come and the line has then been quiet for a while.
void ProgrammingExchange::ReceiveIdentification(int count)
{
    const int room = kIdentificationMaxBytes - static_cast<int>(identification_.size());
    std::array<std::uint8_t, kIdentificationMaxBytes> piece;
    const int received = port_.ReadBytes(piece.data(), room);
    if (received < 0) {
        EndOnPortError();
        return;
    }
    identification_.append(piece.begin(), piece.begin() + received);
    if (IdentifiesAdapter(identification_)) {
        adapterIdentification_ = PrintableText(identification_);
        responseTimer_.Stop();
        identificationQuietTimer_.stop();
        retryCounter_ = 0;
        SendSelectType();
        return;
    }
    if (static_cast<int>(identification_.size()) >= kIdentificationMaxBytes) {
        // What the notification reported beyond the text's room is not looked at.
        if (count > received && port_.DropBytes(count - received) < 0) {
            EndOnPortError();
            return;
        }
        RefuseIdentification();
        return;
    }
    if (static_cast<int>(identification_.size()) >= kIdentificationMinBytes)
        identificationQuietTimer_.start(timing::Scaled(timing::kIdentificationQuietMs));
}

void ProgrammingExchange::OnIdentificationQuiet()
{
    if (stage_ == Stage::kIdentification && static_cast<int>(identification_.size()) >= kIdentificationMinBytes)
        RefuseIdentification();
}

void ProgrammingExchange::RefuseIdentification()
{
    responseTimer_.Stop();
    identificationQuietTimer_.stop();
    // A reply that comes while the prompt is open starts a new text.
    identification_.clear();
    ApplyFailureRule([this] { SendIdentify(); }, texts::kAdapterNotFoundAfterRetries, [this] { SendProbe(); });
}

void ProgrammingExchange::ReceiveProbeReply(int count)
{
    if (count < kProbeReplyBytes)
        return;
    responseTimer_.Stop();
    const int received = ReadReply(count);
    if (received < 0) {
        EndOnPortError();
        return;
    }
    if (ReplyIsWriteLock(received))
        host_.DisableWrite();
    SendIdentify();
}

// Bytes are taken one at a time until the acknowledgement or refusal; every other byte
// (the tail of the identification text, noise) is dropped while the response timer runs.
void ProgrammingExchange::ReceiveTypeSelection()
{
    for (;;) {
        std::uint8_t reply = 0;
        const int received = port_.ReadBytes(&reply, 1);
        if (received < 0) {
            EndOnPortError();
            return;
        }
        if (received == 0)
            return;
        if (reply == protocol::kAck) {
            responseTimer_.Stop();
            retryCounter_ = 0;
            SendInfoRequest();
            return;
        }
        if (reply == protocol::kNak) {
            responseTimer_.Stop();
            ApplyFailureRule([this] { SendSelectType(); }, texts::kDeviceTypeRefused, [this] { SendIdentify(); });
            return;
        }
    }
}

void ProgrammingExchange::ReceiveInfoBlock(int count)
{
    if (!TakeWholeReply(count, kInfoBytes))
        return;
    InfoBlock reply{};
    std::copy_n(receiveBuffer_.begin(), kInfoBytes, reply.begin());
    // Before a re-write the info block names the unit the write was made for: the reply
    // only says who is connected now.
    if (!unitToRewrite_)
        info_ = reply;
    const std::uint8_t deviceType = InfoBlockView(reply).DeviceType();
    if (FindTransmitterType(deviceType)) {
        retryCounter_ = 0;
        if (unitToRewrite_) {
            RewriteIfSameUnit(reply);
            return;
        }
        host_.ShowDeviceInfo();
        SendParamRequest(false);
        return;
    }
    if (deviceType == kNoTransmitter && pollingForUnits_) {
        noTransmitterFound_ = true;
        AbortToIdle();
        return;
    }
    ApplyFailureRule([this] { SendInfoRequest(); },
                     deviceType == kNoTransmitter ? texts::kNoTransmitter : texts::kNotATransmitter,
                     [this] { SendIdentify(); });
}

void ProgrammingExchange::RewriteIfSameUnit(InfoBlock connected)
{
    const InfoBlock intended = *std::exchange(unitToRewrite_, std::nullopt);
    if (SameUnit(connected, intended)) {
        SendParamWrite();
        return;
    }
    otherUnitFound_ = true;
    host_.ShowMessage(texts::OtherUnitConnected(SerialText(connected)));
    AbortToIdle();
}

void ProgrammingExchange::ReceiveParameters(int count)
{
    if (!TakeWholeReply(count, kParamBytes))
        return;
    stage_ = Stage::kIdle;
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
    stage_ = Stage::kIdle;
    readBack_.emplace();
    std::copy_n(receiveBuffer_.begin(), kParamBytes, readBack_->begin());
    if (*readBack_ == block_) {
        AcceptBlock(&texts::kWriteSucceeded);
        return;
    }
    // The operator's Retry may come after the unit was changed: the block is written again
    // only once the unit connected is seen to be the one the write was made for.
    ApplyFailureRule([this] { SendParamWrite(); }, texts::kWriteVerifyError, [this] { CheckUnitThenRewrite(); });
}

void ProgrammingExchange::ReceiveStray(int count)
{
    // While a written block drains, the timer keeps running: a lost transmit-empty
    // notification then ends in the time-out prompt instead of a window busy for ever.
    if (stage_ != Stage::kWriteDrain)
        responseTimer_.Stop();
    if (count < kWriteLockBytes)
        return;
    const int received = ReadReply(count);
    if (received < 0)
        EndOnPortError();
    else if (ReplyIsWriteLock(received))
        host_.DisableWrite();
}

void ProgrammingExchange::CheckUnitThenRewrite()
{
    unitToRewrite_ = info_;
    SendIdentify();
}

// ---- helpers ------------------------------------------------------------------------

bool ProgrammingExchange::TakeWholeReply(int count, int size)
{
    if (count < size)
        return false;  // not all of it yet: the response timer keeps running
    responseTimer_.Stop();
    const int received = ReadReply(count);
    if (received < 0) {
        EndOnPortError();
        return false;
    }
    if (received < size) {
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
    const int received = port_.ReadBytes(receiveBuffer_.data(), kept);
    if (received < 0 || (count > kept && port_.DropBytes(count - kept) < 0))
        return -1;
    return received;
}

bool ProgrammingExchange::ReplyIsWriteLock(int received) const
{
    return received >= kWriteLockBytes &&
           std::equal(protocol::kWriteLock.begin(), protocol::kWriteLock.end(), receiveBuffer_.begin());
}

void ProgrammingExchange::AcceptBlock(const std::string* statusMessage)
{
    host_.ShowParameters();
    retryCounter_ = 0;
    host_.SetControlState(ControlState::IdleAfterSuccess);
    // A block that passed its check, read or read back, is what the transmitter holds. One
    // taken at the damaged-data prompt does not tell that.
    if (statusMessage && writeUnverified_) {
        writeUnverified_ = false;
        if (!showStatusMessages_)
            host_.ShowStatusWarning({});
    }
    if (statusMessage && showStatusMessages_)
        host_.ShowStatusText(StatusText(*statusMessage));
    WarnIfWriteUnverified();
}

void ProgrammingExchange::WarnIfWriteUnverified()
{
    // Shown whether or not success texts are: it is a warning, not a success.
    if (writeUnverified_)
        host_.ShowStatusWarning(StatusText(texts::kWriteUnverified));
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

void ProgrammingExchange::EndOnPortError()
{
    // A line that went away while bytes were read or written: the port's own text is shown
    // and the exchange ends, rather than leaving the window busy.
    responseTimer_.Stop();
    host_.ShowMessage(Message{port_.Failure(), "Ошибка", MessageFlags::kOkError});
    AbortToIdle();
}

}  // namespace torv
