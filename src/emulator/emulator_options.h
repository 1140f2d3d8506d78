#pragma once
// Command line of torv-adapter-emulator.

#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "emulator/adapter_emulator.h"

namespace torv {

// A bad command line; the message fits on one line.
class OptionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct EmulatorOptions {
    TransmitterContents contents;  // the transmitter the options describe
    // --units: transmitters connected one after another, each like contents but for its
    // serial number; empty: contents alone.
    std::vector<TransmitterContents> units;
    std::optional<std::chrono::milliseconds> swapTime;
    int count = 1;           // adapters, each on a pseudo-terminal of its own
    bool dealUnits = false;  // units dealt out to the adapters in turn, instead of a copy each
    EmulatorFaults faults;
    std::chrono::microseconds bytePeriod = AdapterEmulator::kLineBytePeriod;
    bool verbose = false;
    bool help = false;
    bool version = false;
};

// Throws OptionError.
EmulatorOptions ParseEmulatorOptions(int argc, char* argv[]);

std::string EmulatorUsage();

// The adapters the options ask for, not yet started: each with its units, faults and
// swap time.
std::vector<std::unique_ptr<AdapterEmulator>> MakeAdapters(const EmulatorOptions& options);

}  // namespace torv
