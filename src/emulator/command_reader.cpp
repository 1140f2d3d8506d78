#include "emulator/command_reader.h"

#include <array>
#include <utility>

#include "device/adapter_protocol.h"

namespace torv {
namespace {

constexpr std::array<std::pair<AdapterCommand, std::string_view>, 6> kNames = {{
    {AdapterCommand::Identify, "identify"},
    {AdapterCommand::Probe, "probe"},
    {AdapterCommand::SelectType, "select"},
    {AdapterCommand::InfoRequest, "info"},
    {AdapterCommand::ParamRequest, "read"},
    {AdapterCommand::ParamWrite, "write"},
}};

}  // namespace

std::string_view CommandName(AdapterCommand command)
{
    for (const auto& [known, name] : kNames)
        if (known == command)
            return name;
    return "?";
}

std::optional<AdapterCommand> CommandFromName(std::string_view name)
{
    for (const auto& [command, known] : kNames)
        if (known == name)
            return command;
    return std::nullopt;
}

void CommandReader::Reset()
{
    expect_ = Expect::CommandByte;
    payloadSize_ = 0;
}

std::optional<ReceivedCommand> CommandReader::Feed(std::uint8_t byte, EmulatorClock::time_point at)
{
    if (expect_ != Expect::CommandByte && at - lastByteAt_ > kGapLimit)
        Reset();
    lastByteAt_ = at;

    switch (expect_) {
    case Expect::CommandByte: return StartCommand(byte, at);
    case Expect::InfoSecond:
        if (byte == protocol::kInfoRequest[1]) {
            Reset();
            return ReceivedCommand{AdapterCommand::InfoRequest, at, std::nullopt};
        }
        break;
    case Expect::ParamSecond:
        if (byte == protocol::kParamRequest[1]) {
            Reset();
            return ReceivedCommand{AdapterCommand::ParamRequest, at, std::nullopt};
        }
        break;
    case Expect::WriteSecond:
        if (byte == protocol::kParamWrite[1]) {
            expect_ = Expect::WritePayload;
            return std::nullopt;
        }
        break;
    case Expect::WritePayload:
        payload_[payloadSize_++] = byte;
        if (payloadSize_ < payload_.size())
            return std::nullopt;
        Reset();
        return ReceivedCommand{AdapterCommand::ParamWrite, at, payload_};
    }
    // The second byte did not fit: it may begin a command of its own.
    Reset();
    return StartCommand(byte, at);
}

std::optional<ReceivedCommand> CommandReader::StartCommand(std::uint8_t byte, EmulatorClock::time_point at)
{
    switch (byte) {
    case protocol::kIdentify: return ReceivedCommand{AdapterCommand::Identify, at, std::nullopt};
    case protocol::kProbe: return ReceivedCommand{AdapterCommand::Probe, at, std::nullopt};
    case protocol::kSelectType: return ReceivedCommand{AdapterCommand::SelectType, at, std::nullopt};
    case protocol::kInfoRequest[0]: expect_ = Expect::InfoSecond; break;
    case protocol::kParamRequest[0]: expect_ = Expect::ParamSecond; break;
    case protocol::kParamWrite[0]: expect_ = Expect::WriteSecond; break;
    default: break;  // not a command byte: ignored
    }
    return std::nullopt;
}

}  // namespace torv
