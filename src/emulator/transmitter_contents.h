#pragma once
// What the emulated transmitter holds: its info block and its parameter block.

#include <cstdint>
#include <optional>

#include "device/blocks.h"

namespace torv {

struct TransmitterContents {
    InfoBlock info{};
    ParameterBlock block{};
};

// The identity written into an info block; numbers are stored as BCD digits.
struct TransmitterIdentity {
    std::uint8_t deviceType = 13;  // 0: no transmitter; 13, 14, 15: transmitters
    int year = 2007;               // 2000..2099
    int month = 3;                 // stored as it is, 0..255
    int day = 12;                  // stored as it is, 0..255
    int serial = 1234;             // the last four serial digits, 0..9999
    int versionMajor = 1;          // 0..99
    int versionMinor = 23;         // 0..99
};

// The frequencies a parameter block is built from.
struct ChannelPlan {
    SynthMode mode = SynthMode::Legacy;
    double f1MHz = 146.0;
    std::optional<double> f2MHz{};  // none: record 2 not in use (it repeats channel 1's values)
    bool grid25kHz = false;         // grid mode only
};

// Throws std::invalid_argument when a field is out of its range.
InfoBlock MakeInfoBlock(const TransmitterIdentity& identity);

// A sealed block with both copies. Throws std::invalid_argument when a frequency has no
// legacy divisors, or when grid mode is asked for a device type with no grid divider.
// The band of the device type is not enforced, so that out-of-band contents can be served.
ParameterBlock MakeParameterBlock(const ChannelPlan& plan, std::uint8_t deviceType);

TransmitterContents MakeContents(const TransmitterIdentity& identity = {}, const ChannelPlan& plan = {});

}  // namespace torv
