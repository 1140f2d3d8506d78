#pragma once
// The checks and encoding that come before a write: divisors in legacy mode, the
// device's band, the forced 25 kHz grid, and the sealed block to send. A refusal names
// what can be written instead: the nearest frequencies, or the band.

#include <optional>
#include <string>
#include <vector>

#include "device/blocks.h"
#include "exchange/exchange_host.h"

namespace torv {

// One frequency as the operator entered it: its value and its text as shown.
struct FrequencyEntry {
    double mhz = 0;
    std::string text;
};

struct WriteRequest {
    bool gridMode = false;        // mode of the block last shown
    std::uint8_t deviceType = 0;  // from the info block
    FrequencyEntry first;
    FrequencyEntry second;
    bool secondEnabled = false;
    double minMHz = 0;  // the frequency fields' bounds
    double maxMHz = 0;
    bool grid25kHz = false;              // the grid-step selector shows 25 kHz
    bool gridEditEnabled = false;        // the "-enablegridedit" option
    ParameterBlock current{};            // the block last shown
    std::string decimalSeparator = ".";  // as the fields show frequencies
};

struct WritePlan {
    std::optional<Message> refusal;  // W1 to W4: nothing is written
    // With W1 or W2: the nearest frequencies that can be programmed, in Hz, lowest first.
    std::vector<std::int64_t> nearestHz;
    // With W3 or W4: the connected transmitter's band (none when its type is unknown).
    std::optional<TransmitterType> band;
    bool force25kHz = false;  // show the 25 kHz notice and switch the selector
    ParameterBlock block{};   // the block to send when not refused
};

WritePlan PrepareWrite(const WriteRequest& request);

// The request that writes block's frequencies over the unit as last read (info and
// current), as the window would make it showing them: the unit's synthesizer mode, and
// the block's grid step and second frequency. Used to bring an earlier block back.
WriteRequest RequestToWriteBack(const ParameterBlock& block, const InfoBlock& info, const ParameterBlock& current,
                                bool gridEditEnabled);

}  // namespace torv
