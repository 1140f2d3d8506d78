#pragma once
// The transmitter's two data blocks: the 8-byte info block (identity) and the
// 32-byte parameter block (two channel records, each followed by a copy).

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace torv {

using InfoBlock = std::array<std::uint8_t, 8>;
using ChannelRecord = std::array<std::uint8_t, 8>;
using ParameterBlock = std::array<std::uint8_t, 32>;

constexpr std::size_t kRecord1Offset = 0;
constexpr std::size_t kRecord2Offset = 16;
constexpr std::size_t kRecordSize = 8;

// Bits of a channel record's mode flags.
namespace record_flag {
constexpr std::uint8_t kInUse = 0x01;
constexpr std::uint8_t kGridMode = 0x02;
constexpr std::uint8_t kGrid25kHz = 0x04;
}  // namespace record_flag

// Byte 1 of a channel record in grid synthesizer mode.
constexpr std::uint8_t kGridMarker = 0xFF;

enum class SynthMode { Legacy, Grid };

// Read-only view of an 8-byte channel record; multi-byte fields are big-endian.
class ChannelRecordView {
public:
    explicit ChannelRecordView(std::span<const std::uint8_t, kRecordSize> bytes) : bytes_(bytes) {}

    std::uint8_t Flags() const { return bytes_[0]; }
    bool InUse() const { return (Flags() & record_flag::kInUse) != 0; }
    bool GridMode() const { return (Flags() & record_flag::kGridMode) != 0; }
    bool Grid25kHz() const { return (Flags() & record_flag::kGrid25kHz) != 0; }
    std::uint8_t A() const { return bytes_[1]; }
    std::uint16_t N() const { return Word(2); }
    std::uint16_t RorF() const { return Word(4); }  // R in legacy mode, F in grid mode
    std::uint16_t Crc() const { return Word(6); }

private:
    std::uint16_t Word(std::size_t at) const { return static_cast<std::uint16_t>((bytes_[at] << 8) | bytes_[at + 1]); }
    std::span<const std::uint8_t, kRecordSize> bytes_;
};

ChannelRecordView Record1(const ParameterBlock& block);
ChannelRecordView Record2(const ParameterBlock& block);

// Read-only view of the info block.
class InfoBlockView {
public:
    explicit InfoBlockView(const InfoBlock& bytes) : bytes_(bytes) {}

    std::uint8_t YearBcd() const { return bytes_[0]; }
    std::uint8_t SerialDigits5And6() const { return bytes_[1]; }
    std::uint8_t SerialDigits7And8() const { return bytes_[2]; }
    std::uint8_t DeviceType() const { return bytes_[3]; }
    std::uint8_t VersionMajorBcd() const { return bytes_[4]; }
    std::uint8_t VersionMinorBcd() const { return bytes_[5]; }
    std::uint8_t Day() const { return bytes_[6]; }
    std::uint8_t Month() const { return bytes_[7]; }

private:
    const InfoBlock& bytes_;
};

// Device type 0: the adapter has no transmitter attached.
constexpr std::uint8_t kNoTransmitter = 0;

// A transmitter type: its frequency range (both channels) and grid divider P.
struct TransmitterType {
    std::uint8_t code;
    double minMHz;
    double maxMHz;
    int gridDivider;
};

// The transmitter type for device types 13, 14 and 15; nothing for any other value.
std::optional<TransmitterType> FindTransmitterType(std::uint8_t deviceType);

// Bytes as upper-case hex digit pairs, separator between two pairs.
std::string HexText(std::span<const std::uint8_t> bytes, std::string_view separator = {});

// Contents held before the first read.
InfoBlock DefaultInfoBlock();
ParameterBlock DefaultParameterBlock();

// Record 1 intact and, when its in-use flag is set, record 2 intact too.
// The copies are not examined.
bool ParameterBlockIntact(const ParameterBlock& block);

// One channel's encoded values: A (legacy) or 0xFF (grid), N, and R (legacy) or F (grid).
struct EncodedChannel {
    std::uint8_t a = 0;
    std::uint16_t n = 0;
    std::uint16_t rOrF = 0;
};

// The values a stored record carries, to write them back unchanged.
EncodedChannel StoredChannel(ChannelRecordView record);

// A frequency's values in legacy synthesizer mode; nothing when it cannot be programmed
// there (see FindLegacyDivisors).
std::optional<EncodedChannel> LegacyChannel(double mhz);
// A frequency's values in grid synthesizer mode for grid divider P (see EncodeGrid).
EncodedChannel GridChannel(double mhz, int gridDivider);

// Assembles a sealed block for writing, records followed by their copies.
ParameterBlock BuildParameterBlock(SynthMode mode, bool grid25kHz, bool secondEnabled, EncodedChannel channel1,
                                   EncodedChannel channel2);

}  // namespace torv
