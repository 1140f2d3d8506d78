#pragma once
// Recognises the adapter's commands in the byte stream received from the program.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "device/blocks.h"

namespace torv {

using EmulatorClock = std::chrono::steady_clock;

enum class AdapterCommand {
    Identify,      // 0x55
    Probe,         // 0x57
    SelectType,    // 0x61
    InfoRequest,   // 0x88 0x80
    ParamRequest,  // 0xA0 0x10
    ParamWrite,    // 0xE0 0x10 followed by the 32 bytes of a parameter block
};

// Short lower-case name, as used on the emulator's command line and in its trace.
std::string_view CommandName(AdapterCommand command);
std::optional<AdapterCommand> CommandFromName(std::string_view name);

struct ReceivedCommand {
    AdapterCommand command;
    EmulatorClock::time_point at;           // when its last byte was received
    std::optional<ParameterBlock> written;  // the block, for ParamWrite only
};

// Feeds on received bytes one at a time. Bytes that start no command are ignored; a
// second byte that does not fit its first drops the first and is looked at afresh.
// A command left incomplete for longer than the gap limit is dropped, so that the rest
// of a write the program abandoned cannot swallow the commands that follow it.
class CommandReader {
public:
    static constexpr std::chrono::milliseconds kGapLimit{500};

    // Returns the command that byte completes, if any.
    std::optional<ReceivedCommand> Feed(std::uint8_t byte, EmulatorClock::time_point at);

    // Drops a partly received command.
    void Reset();

private:
    enum class Expect { CommandByte, InfoSecond, ParamSecond, WriteSecond, WritePayload };

    std::optional<ReceivedCommand> StartCommand(std::uint8_t byte, EmulatorClock::time_point at);

    Expect expect_ = Expect::CommandByte;
    EmulatorClock::time_point lastByteAt_{};
    ParameterBlock payload_{};
    std::size_t payloadSize_ = 0;
};

}  // namespace torv
