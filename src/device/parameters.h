#pragma once
// What a parameter block means to the operator: mode, grid step, second frequency
// and the two frequencies, decoded as the window shows them.

#include <optional>

#include "device/blocks.h"

namespace torv {

struct ShownParameters {
    bool gridMode = false;          // record 1 flags bit 1
    bool grid25kHz = false;         // record 1 flags bit 2
    bool secondEnabled = false;     // grid: record 2 in use; legacy: record 2 flags exactly 1
    std::optional<double> firstHz;  // nothing when the record cannot be decoded
    std::optional<double> secondHz;
};

// Both records are decoded in the mode of record 1. Grid mode needs the device type's
// grid divider; without a transmitter type neither frequency is decoded.
ShownParameters DecodeParameterBlock(const ParameterBlock& block, std::uint8_t deviceType);

}  // namespace torv
