#pragma once
// Command line of torv-adapter-emulator.

#include <chrono>
#include <stdexcept>
#include <string>

#include "emulator/adapter_emulator.h"

namespace torv {

// A bad command line; the message fits on one line.
class OptionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct EmulatorOptions {
    TransmitterContents contents;
    EmulatorFaults faults;
    std::chrono::microseconds bytePeriod = AdapterEmulator::kLineBytePeriod;
    bool verbose = false;
    bool help = false;
};

// Throws OptionError.
EmulatorOptions ParseEmulatorOptions(int argc, char* argv[]);

std::string EmulatorUsage();

}  // namespace torv
