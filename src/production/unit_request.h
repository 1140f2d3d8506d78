#pragma once
// The write request for a unit just read, as the window would make it: its block with
// the frequencies asked for, what is not asked for staying as read.

#include <optional>

#include "device/blocks.h"
#include "exchange/programming_exchange.h"
#include "exchange/write_preparation.h"

namespace torv {

// Frequencies to write, checked by whoever took them; what is not given stays as read.
struct WantedFrequencies {
    FrequencyEntry f1;
    std::optional<FrequencyEntry> f2;
    bool noF2 = false;              // the second frequency switched off
    std::optional<bool> grid25kHz;  // the grid step asked for: 25 kHz, or 12.5
    bool gridEditEnabled = false;
};

// The write request as the window would make it after this read, with the frequencies of
// block (the block read, or an earlier one to bring back).
WriteRequest RequestWith(const ParameterBlock& block, ProgrammingExchange& exchange, bool gridEditEnabled);
// The write request after this read, changed as wanted.
WriteRequest RequestFor(const WantedFrequencies& wanted, ProgrammingExchange& exchange);

}  // namespace torv
