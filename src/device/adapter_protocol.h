#pragma once
// The programming adapter's protocol as bytes on the line: its commands, its answers and
// the sizes of its replies. The exchange speaks it and the emulator answers it, both from
// here.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <tuple>

#include "device/blocks.h"

namespace torv::protocol {

// Commands of one byte.
constexpr std::uint8_t kIdentify = 0x55;
constexpr std::uint8_t kProbe = 0x57;
constexpr std::uint8_t kSelectType = 0x61;
// Commands of two bytes; the write is followed by the parameter block.
constexpr std::array<std::uint8_t, 2> kInfoRequest = {0x88, 0x80};
constexpr std::array<std::uint8_t, 2> kParamRequest = {0xA0, 0x10};
constexpr std::array<std::uint8_t, 2> kParamWrite = {0xE0, 0x10};

// The answers to the device-type selection.
constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNak = 0x15;

// The words of which one names an adapter in its identification text.
constexpr std::array<std::string_view, 2> kAdapterWords = {"Quasar2", "Quasar3"};

// The sizes of the replies to the probe, the info request and the parameter request.
constexpr std::size_t kProbeReplySize = 5;
constexpr std::size_t kInfoReplySize = std::tuple_size_v<InfoBlock>;
constexpr std::size_t kParamReplySize = std::tuple_size_v<ParameterBlock>;

// A probe reply, or bytes at rest, of this pattern: the adapter's write lock is on.
constexpr std::array<std::uint8_t, kProbeReplySize> kWriteLock = {0x01, 0x01, 0x01, 0x01, 0x01};

}  // namespace torv::protocol
