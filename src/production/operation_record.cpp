#include "production/operation_record.h"

#include <algorithm>

#include "device/info_text.h"
#include "device/parameters.h"
#include "exchange/exchange_texts.h"

namespace torv {
namespace {

constexpr const char* kDamagedAccepted = "prompt G: Cancel";

std::optional<double> MHz(const std::optional<double>& hz)
{
    return hz ? std::optional<double>(*hz / 1e6) : std::nullopt;
}

}  // namespace

void JournalingHost::Begin()
{
    notes_.clear();
    infoReached_ = false;
}

void JournalingHost::ShowDeviceInfo()
{
    infoReached_ = true;
    host_.ShowDeviceInfo();
}

void JournalingHost::SetControlState(ControlState state)
{
    host_.SetControlState(state);
    if (state != ControlState::Busy && OnFinished)
        OnFinished(state);
}

Answer JournalingHost::ShowMessage(const Message& message)
{
    const Answer answer = host_.ShowMessage(message);
    const std::string name = texts::MessageName(message);
    if (name.size() == 1)
        notes_.push_back("prompt " + name + (answer == Answer::Cancel ? ": Cancel" : ": Retry"));
    else if (!name.empty())
        notes_.push_back(name);
    else if (message.flags == MessageFlags::kOkError)
        notes_.push_back(message.text);  // the port's own text for a line that failed
    return answer;
}

bool JournalingHost::DamagedDataAccepted() const
{
    return std::find(notes_.begin(), notes_.end(), kDamagedAccepted) != notes_.end();
}

bool JournalingHost::Succeeded(ControlState end) const
{
    return end == ControlState::IdleAfterSuccess && !DamagedDataAccepted();
}

std::string JournalingHost::Outcome(ControlState end) const
{
    std::string notes;
    for (const std::string& note : notes_)
        notes += (notes.empty() ? "" : "; ") + note;
    if (end == ControlState::IdleAfterSuccess)
        return DamagedDataAccepted() ? notes + " (damaged data accepted)"
               : notes.empty()       ? "success"
                                     : "success after " + notes;
    return notes.empty() ? "ended without a reply" : notes;
}

void DescribeRead(JournalEntry& entry, InfoBlock info, const ParameterBlock& block)
{
    const std::uint8_t type = InfoBlockView(info).DeviceType();
    entry.deviceType = type;
    entry.infoHex = HexText(info);
    entry.date = DateText(info);
    entry.serial = SerialText(info);
    entry.version = VersionText(info);
    entry.blockReadHex = HexText(block);
    const ShownParameters shown = DecodeParameterBlock(block, type);
    entry.f1BeforeMHz = MHz(shown.firstHz);
    entry.f2BeforeMHz = shown.secondEnabled ? MHz(shown.secondHz) : std::nullopt;
}

void DescribeWrite(JournalEntry& entry, const ParameterBlock& written, const std::optional<ParameterBlock>& readBack)
{
    entry.blockWrittenHex = HexText(written);
    if (!readBack)
        return;
    entry.readBackHex = HexText(*readBack);
    const auto deviceType = static_cast<std::uint8_t>(entry.deviceType.value_or(0));  // a byte of the info block
    const ShownParameters shown = DecodeParameterBlock(*readBack, deviceType);
    entry.f1AfterMHz = MHz(shown.firstHz);
    entry.f2AfterMHz = shown.secondEnabled ? MHz(shown.secondHz) : std::nullopt;
}

}  // namespace torv
