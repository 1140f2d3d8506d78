#include "device/blocks.h"

#include <algorithm>
#include <cstdio>

#include "device/checksum.h"
#include "device/frequency_codec.h"

namespace torv {
namespace {

std::span<const std::uint8_t, kRecordSize> RecordAt(const ParameterBlock& block, std::size_t offset)
{
    return std::span<const std::uint8_t, 32>(block).subspan(offset).first<kRecordSize>();
}

void PutRecord(ParameterBlock& block, std::size_t offset, std::uint8_t flags, EncodedChannel values)
{
    auto record = std::span<std::uint8_t, 32>(block).subspan(offset).first<kRecordSize>();
    record[0] = flags;
    record[1] = values.a;
    record[2] = static_cast<std::uint8_t>(values.n >> 8);
    record[3] = static_cast<std::uint8_t>(values.n & 0xFF);
    record[4] = static_cast<std::uint8_t>(values.rOrF >> 8);
    record[5] = static_cast<std::uint8_t>(values.rOrF & 0xFF);
    SealRecord(record);
    std::copy(record.begin(), record.end(), block.begin() + static_cast<std::ptrdiff_t>(offset + kRecordSize));
}

}  // namespace

ChannelRecordView Record1(const ParameterBlock& block)
{
    return ChannelRecordView(RecordAt(block, kRecord1Offset));
}

ChannelRecordView Record2(const ParameterBlock& block)
{
    return ChannelRecordView(RecordAt(block, kRecord2Offset));
}

std::optional<TransmitterType> FindTransmitterType(std::uint8_t deviceType)
{
    static constexpr TransmitterType kTypes[] = {
        {13, 146.0, 174.0, 10},
        {14, 440.0, 470.0, 8},
        {15, 400.0, 440.0, 8},
    };
    for (const TransmitterType& type : kTypes)
        if (type.code == deviceType)
            return type;
    return std::nullopt;
}

InfoBlock DefaultInfoBlock()
{
    return InfoBlock{};
}

ParameterBlock DefaultParameterBlock()
{
    // 146.0000 MHz in legacy mode (A 16, N 91, R 400); record 2 not in use.
    // CRCs and copies stay zero: a write always rebuilds the whole block.
    ParameterBlock block{};
    const std::uint8_t record[] = {0x01, 0x10, 0x00, 0x5B, 0x01, 0x90};
    std::copy(std::begin(record), std::end(record), block.begin() + kRecord1Offset);
    std::copy(std::begin(record), std::end(record), block.begin() + kRecord2Offset);
    block[kRecord2Offset] = 0x00;
    return block;
}

bool ParameterBlockIntact(const ParameterBlock& block)
{
    if (!RecordIntact(RecordAt(block, kRecord1Offset)))
        return false;
    return !Record2(block).InUse() || RecordIntact(RecordAt(block, kRecord2Offset));
}

EncodedChannel StoredChannel(ChannelRecordView record)
{
    return EncodedChannel{record.A(), record.N(), record.RorF()};
}

std::optional<EncodedChannel> LegacyChannel(double mhz)
{
    const LegacySearch search = FindLegacyDivisors(mhz);
    if (!search.success || !search.best)
        return std::nullopt;
    const LegacyDivisors& d = *search.best;
    return EncodedChannel{static_cast<std::uint8_t>(d.a), static_cast<std::uint16_t>(d.n),
                          static_cast<std::uint16_t>(d.r)};
}

EncodedChannel GridChannel(double mhz, int gridDivider)
{
    const GridDivisors d = EncodeGrid(mhz, gridDivider);
    return EncodedChannel{kGridMarker, d.n, d.f};
}

ParameterBlock BuildParameterBlock(SynthMode mode, bool grid25kHz, bool secondEnabled, EncodedChannel channel1,
                                   EncodedChannel channel2)
{
    using namespace record_flag;
    std::uint8_t flags1 = kInUse;
    std::uint8_t flags2 = secondEnabled ? kInUse : 0;
    if (mode == SynthMode::Grid) {
        const std::uint8_t grid = kGridMode | (grid25kHz ? kGrid25kHz : 0);
        flags1 |= grid;
        flags2 |= grid;
        channel1.a = kGridMarker;
        channel2.a = kGridMarker;
    }
    ParameterBlock block{};
    PutRecord(block, kRecord1Offset, flags1, channel1);
    PutRecord(block, kRecord2Offset, flags2, channel2);
    return block;
}

std::string HexText(std::span<const std::uint8_t> bytes, std::string_view separator)
{
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
        text.append(i == 0 ? std::string_view{} : separator).append(digits);
    }
    return text;
}

}  // namespace torv
