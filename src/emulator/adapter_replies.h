#pragma once
// What the adapter and the transmitter behind it answer to each command: the unit
// connected, the units queued to follow it, and the faults to produce. Knows nothing of
// the line; not thread-safe (the emulator calls it under its lock).

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/command_reader.h"
#include "emulator/transmitter_contents.h"

namespace torv {

// A fault count that never runs out.
constexpr int kAlways = -1;

// How a reply is cut into pieces: their sizes, and the pause between two pieces.
// Bytes beyond the pieces' total go out as one last piece.
struct ReplySplit {
    std::vector<std::size_t> pieces{};
    std::chrono::milliseconds gap{0};
};

// Faults to produce. Counts say for how many of the next occasions a fault applies
// (kAlways: every time) and count down as they are used; they start again for every
// queued unit that is connected. All off by default.
struct EmulatorFaults {
    // Commands ignored: no reply, and a write is not stored.
    std::map<AdapterCommand, int> silent{};
    // The reply to the identification command: a real adapter's text runs on past the
    // word. identificationPrefix goes before it.
    std::vector<std::uint8_t> identification{'Q', 'u', 'a', 's', 'a', 'r', '3', ' ', 'v', '2', '.', '1', '\r', '\n'};
    std::vector<std::uint8_t> identificationPrefix{};
    std::map<AdapterCommand, ReplySplit> split{};
    // Device-type selections refused with NAK (0x15).
    int nakCount = 0;
    // Info replies that carry wrongType as their device type.
    int wrongTypeCount = 0;
    std::uint8_t wrongType = 0;
    // Bytes sent after every info block.
    std::vector<std::uint8_t> infoTrailer{};
    // Parameter replies whose record 1 fails its CRC.
    int badCrcCount = 0;
    // Read-backs (the first parameter reply after a write) with byte corruptByte inverted;
    // the stored block stays as written. Byte 8 lies in record 1's copy.
    int corruptReadbackCount = 0;
    std::size_t corruptByte = 8;
    // The probe is answered with the write-lock pattern (five bytes 0x01).
    bool writeLock = false;
};

struct AdapterReply {
    std::vector<std::uint8_t> bytes;  // empty: nothing is sent
    std::string_view withheld;        // why an answer was withheld
    ReplySplit split;
    std::string unitChange;  // a unit connected or taken away before this reply, for the trace
};

class AdapterReplies {
public:
    explicit AdapterReplies(TransmitterContents contents) : contents_(contents) {}

    AdapterReply Respond(const ReceivedCommand& command);

    // Throws std::invalid_argument for a corrupted byte beyond the block or an empty piece.
    void SetFaults(EmulatorFaults faults);
    const EmulatorFaults& Faults() const { return faults_; }

    // The unit connected at the time given (a queued unit may be due by then).
    const TransmitterContents& Contents(EmulatorClock::time_point now);
    void SetContents(const TransmitterContents& contents) { contents_ = contents; }

    // Transmitters connected one after another, as on a production line. A unit is done
    // once it has sent its parameter block (read, or read back after a write); the next
    // identification, which begins the next exchange, takes it away. Without a swap time
    // the next unit queued is connected there and then, and the last unit stays. With a
    // swap time the adapter reports no transmitter (device type 0) for that long, then
    // the next unit is there; after the last one, no transmitter.
    void QueueUnits(const std::vector<TransmitterContents>& units);
    void SetSwapTime(std::optional<std::chrono::milliseconds> swapTime) { swapTime_ = swapTime; }

private:
    void TakeAwayDoneUnit(EmulatorClock::time_point at, std::string& change);
    void ConnectDueUnit(EmulatorClock::time_point now, std::string& change);
    void Connect(const TransmitterContents& unit, std::string& change);
    std::vector<std::uint8_t> InfoReply();
    ParameterBlock ParameterReply();

    TransmitterContents contents_;
    EmulatorFaults unitFaults_;     // as set: every unit connected starts with these counts
    EmulatorFaults faults_;         // the counts left for the unit connected
    bool readbackPending_ = false;  // a write came, its read-back has not gone out yet
    bool unitDone_ = false;         // the unit connected has sent its parameter block
    std::deque<TransmitterContents> queuedUnits_;
    std::optional<std::chrono::milliseconds> swapTime_;
    std::optional<EmulatorClock::time_point> nextUnitAt_;  // a unit was taken away; the next one comes then
};

}  // namespace torv
