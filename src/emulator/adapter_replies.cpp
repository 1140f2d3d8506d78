#include "emulator/adapter_replies.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "device/adapter_protocol.h"
#include "device/info_text.h"

namespace torv {
namespace {

constexpr std::size_t kRecordCrcLowByte = kRecord1Offset + 7;

// Uses one occasion of a fault count; true when the fault applies this time.
bool Consume(int& count)
{
    if (count == 0)
        return false;
    if (count > 0)
        --count;
    return true;
}

std::string UnitName(TransmitterContents contents)
{
    return "unit " + SerialText(contents.info);
}

}  // namespace

AdapterReply AdapterReplies::Respond(const ReceivedCommand& command)
{
    AdapterReply reply;
    ConnectDueUnit(command.at, reply.unitChange);
    if (command.command == AdapterCommand::Identify)
        TakeAwayDoneUnit(command.at, reply.unitChange);

    if (const auto silent = faults_.silent.find(command.command);
        silent != faults_.silent.end() && Consume(silent->second)) {
        reply.withheld = "silent";
        return reply;
    }
    if (const auto split = faults_.split.find(command.command); split != faults_.split.end())
        reply.split = split->second;

    const bool transmitterAttached = contents_.info[3] != kNoTransmitter;
    switch (command.command) {
    case AdapterCommand::Identify:
        reply.bytes = faults_.identificationPrefix;
        reply.bytes.insert(reply.bytes.end(), faults_.identification.begin(), faults_.identification.end());
        break;
    case AdapterCommand::Probe:
        if (faults_.writeLock)
            reply.bytes.assign(protocol::kWriteLock.begin(), protocol::kWriteLock.end());
        else
            reply.bytes.assign(protocol::kProbeReplySize, 0x00);
        break;
    case AdapterCommand::SelectType: reply.bytes = {Consume(faults_.nakCount) ? protocol::kNak : protocol::kAck}; break;
    case AdapterCommand::InfoRequest: reply.bytes = InfoReply(); break;
    case AdapterCommand::ParamRequest: {
        if (!transmitterAttached) {
            reply.withheld = "no transmitter";
            break;
        }
        const ParameterBlock block = ParameterReply();
        reply.bytes.assign(block.begin(), block.end());
        unitDone_ = true;
        break;
    }
    case AdapterCommand::ParamWrite:
        if (!transmitterAttached) {
            reply.withheld = "no transmitter";
            break;
        }
        contents_.block = *command.written;
        readbackPending_ = true;
        break;
    }
    return reply;
}

void AdapterReplies::SetFaults(EmulatorFaults faults)
{
    if (faults.corruptByte >= std::tuple_size_v<ParameterBlock>)
        throw std::invalid_argument("the corrupted byte must lie within the 32-byte block");
    for (const auto& [command, split] : faults.split)
        if (std::find(split.pieces.begin(), split.pieces.end(), 0u) != split.pieces.end())
            throw std::invalid_argument("a reply piece must hold at least one byte");
    unitFaults_ = faults;
    faults_ = std::move(faults);
}

const TransmitterContents& AdapterReplies::Contents(EmulatorClock::time_point now)
{
    std::string change;
    ConnectDueUnit(now, change);
    return contents_;
}

void AdapterReplies::QueueUnits(const std::vector<TransmitterContents>& units)
{
    queuedUnits_.insert(queuedUnits_.end(), units.begin(), units.end());
}

void AdapterReplies::TakeAwayDoneUnit(EmulatorClock::time_point at, std::string& change)
{
    if (!std::exchange(unitDone_, false))
        return;
    if (!swapTime_) {
        if (!queuedUnits_.empty()) {
            Connect(queuedUnits_.front(), change);
            queuedUnits_.pop_front();
        }
        return;
    }
    change = UnitName(contents_) + " taken away";
    contents_ = TransmitterContents{};  // all zero: device type 0, no transmitter
    readbackPending_ = false;
    nextUnitAt_ = at + *swapTime_;
    ConnectDueUnit(at, change);  // a swap time of 0
}

void AdapterReplies::ConnectDueUnit(EmulatorClock::time_point now, std::string& change)
{
    if (!nextUnitAt_ || now < *nextUnitAt_)
        return;
    nextUnitAt_.reset();
    if (queuedUnits_.empty())
        return;
    Connect(queuedUnits_.front(), change);
    queuedUnits_.pop_front();
}

void AdapterReplies::Connect(const TransmitterContents& unit, std::string& change)
{
    contents_ = unit;
    faults_ = unitFaults_;
    readbackPending_ = false;
    change += (change.empty() ? "" : "; ") + UnitName(unit) + " connected";
}

std::vector<std::uint8_t> AdapterReplies::InfoReply()
{
    InfoBlock info = contents_.info;
    if (Consume(faults_.wrongTypeCount))
        info[3] = faults_.wrongType;
    std::vector<std::uint8_t> bytes(info.begin(), info.end());
    bytes.insert(bytes.end(), faults_.infoTrailer.begin(), faults_.infoTrailer.end());
    return bytes;
}

// The stored block as it goes out, damaged where a fault asks for it.
ParameterBlock AdapterReplies::ParameterReply()
{
    ParameterBlock block = contents_.block;
    if (std::exchange(readbackPending_, false) && Consume(faults_.corruptReadbackCount))
        block[faults_.corruptByte] ^= 0xFF;
    if (Consume(faults_.badCrcCount))
        block[kRecordCrcLowByte] ^= 0xFF;
    return block;
}

}  // namespace torv
