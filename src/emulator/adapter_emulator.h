#pragma once
// The programming adapter with a transmitter behind it, speaking the adapter's protocol
// on the master side of a pseudo-terminal. The program under test opens the slave as
// its serial port. The emulator serves on a thread of its own, so it keeps answering
// while the caller's thread blocks; every member function is thread-safe.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/blocks.h"
#include "emulator/adapter_replies.h"
#include "emulator/command_reader.h"
#include "emulator/transmitter_contents.h"

namespace torv {

class AdapterEmulator {
public:
    // One byte on a 2400 bit/s line with start, parity and stop bits (11 bits).
    static constexpr std::chrono::microseconds kLineBytePeriod{4583};

    // A byte period of 0 sends replies at once; otherwise replies go out one byte per
    // period, and a command counts as received one period per byte after its bytes came.
    explicit AdapterEmulator(TransmitterContents contents, std::chrono::microseconds bytePeriod = {});
    ~AdapterEmulator();  // stops serving and closes the line
    AdapterEmulator(const AdapterEmulator&) = delete;
    AdapterEmulator& operator=(const AdapterEmulator&) = delete;

    // Receives one line per command received and per reply, on the emulator's thread.
    // Set it before Start.
    void SetTrace(std::function<void(const std::string&)> trace);

    // Creates the line and starts serving. Throws std::runtime_error when no
    // pseudo-terminal can be had.
    void Start();

    // The device the program opens; empty after HangUp.
    std::string SlavePath() const;

    // Throws std::invalid_argument for a corrupted byte beyond the block or an empty piece.
    // The counts start again for every queued unit that is connected.
    void SetFaults(EmulatorFaults faults);
    // The faults with the counts that are left for the unit connected.
    EmulatorFaults Faults() const;

    // Sends bytes now, after any reply still going out (stray bytes, floods); while the
    // line is hung up they are dropped.
    void Inject(std::vector<std::uint8_t> bytes);

    // Closes the master: the program's reads see a hang-up. Returns when it is done.
    void HangUp();
    // Starts a fresh line with a new slave path (after HangUp or instead of the current
    // line). Throws std::runtime_error when no pseudo-terminal can be had.
    void Reopen();

    InfoBlock Info() const;
    ParameterBlock StoredBlock() const;
    void SetContents(const TransmitterContents& contents);
    // Transmitters connected one after another, as on a production line: see
    // AdapterReplies::QueueUnits and SetSwapTime.
    void QueueUnits(const std::vector<TransmitterContents>& units);
    void SetSwapTime(std::optional<std::chrono::milliseconds> swapTime);

    // Every command received since Start, oldest first.
    std::vector<ReceivedCommand> Commands() const;
    // True once at least count commands have been received in all.
    bool WaitForCommands(std::size_t count, std::chrono::milliseconds timeout) const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// count bytes of reproducible noise.
std::vector<std::uint8_t> GarbageBytes(std::size_t count, std::uint32_t seed = 1);

}  // namespace torv
