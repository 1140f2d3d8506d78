#include "device/blocks.h"

#include <gtest/gtest.h>

#include "device/checksum.h"

namespace torv {
namespace {

ChannelRecord RecordOf(const ParameterBlock& block, std::size_t offset)
{
    ChannelRecord record{};
    std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(offset), record.size(), record.begin());
    return record;
}

TEST(Blocks, DefaultContents)
{
    EXPECT_EQ(DefaultInfoBlock(), InfoBlock{});
    const ParameterBlock block = DefaultParameterBlock();
    ParameterBlock expected{};
    const std::uint8_t record1[] = {0x01, 0x10, 0x00, 0x5B, 0x01, 0x90};
    const std::uint8_t record2[] = {0x00, 0x10, 0x00, 0x5B, 0x01, 0x90};
    std::copy(std::begin(record1), std::end(record1), expected.begin());
    std::copy(std::begin(record2), std::end(record2), expected.begin() + 16);
    EXPECT_EQ(block, expected);

    const ChannelRecordView first = Record1(block);
    EXPECT_TRUE(first.InUse());
    EXPECT_FALSE(first.GridMode());
    EXPECT_EQ(first.A(), 16);
    EXPECT_EQ(first.N(), 91);
    EXPECT_EQ(first.RorF(), 400);
    EXPECT_FALSE(Record2(block).InUse());
}

TEST(Blocks, TransmitterTypes)
{
    ASSERT_TRUE(FindTransmitterType(13));
    EXPECT_EQ(FindTransmitterType(13)->gridDivider, 10);
    EXPECT_EQ(FindTransmitterType(13)->minMHz, 146.0);
    EXPECT_EQ(FindTransmitterType(13)->maxMHz, 174.0);
    EXPECT_EQ(FindTransmitterType(14)->gridDivider, 8);
    EXPECT_EQ(FindTransmitterType(14)->minMHz, 440.0);
    EXPECT_EQ(FindTransmitterType(15)->maxMHz, 440.0);
    EXPECT_FALSE(FindTransmitterType(0));
    EXPECT_FALSE(FindTransmitterType(12));
    EXPECT_FALSE(FindTransmitterType(16));
    EXPECT_FALSE(FindTransmitterType(13 | 0x40));
}

TEST(ParameterBlockIntact, ChecksRecordOneAndRecordTwoOnlyWhenInUse)
{
    ParameterBlock block = BuildParameterBlock(SynthMode::Legacy, false, true, {16, 91, 400}, {16, 91, 400});
    EXPECT_TRUE(ParameterBlockIntact(block));

    ParameterBlock damaged1 = block;
    damaged1[3] ^= 1;
    EXPECT_FALSE(ParameterBlockIntact(damaged1));

    ParameterBlock damaged2 = block;
    damaged2[20] ^= 1;
    EXPECT_FALSE(ParameterBlockIntact(damaged2));

    // Record 2 not in use: whatever bytes 17-23 hold.
    damaged2[16] = 0x00;
    for (std::size_t i = 17; i < 24; ++i)
        damaged2[i] = static_cast<std::uint8_t>(0xA5 + i);
    EXPECT_TRUE(ParameterBlockIntact(damaged2));

    // Copies are not examined.
    ParameterBlock copies = block;
    copies[9] ^= 0xFF;
    copies[27] ^= 0xFF;
    EXPECT_TRUE(ParameterBlockIntact(copies));
}

TEST(BuildParameterBlock, FlagBytesForEveryModeAndChoice)
{
    struct Case {
        SynthMode mode;
        bool grid25kHz;
        bool second;
        std::uint8_t flags1;
        std::uint8_t flags2;
    };
    const Case cases[] = {
        {SynthMode::Legacy, false, true, 0x01, 0x01}, {SynthMode::Legacy, false, false, 0x01, 0x00},
        {SynthMode::Grid, false, true, 0x03, 0x03},   {SynthMode::Grid, false, false, 0x03, 0x02},
        {SynthMode::Grid, true, true, 0x07, 0x07},    {SynthMode::Grid, true, false, 0x07, 0x06},
    };
    for (const Case& c : cases) {
        const ParameterBlock block = BuildParameterBlock(c.mode, c.grid25kHz, c.second, {16, 91, 400}, {16, 92, 401});
        EXPECT_EQ(block[0], c.flags1);
        EXPECT_EQ(block[16], c.flags2);
    }
}

TEST(BuildParameterBlock, SealsRecordsAndCopiesThem)
{
    const ParameterBlock block = BuildParameterBlock(SynthMode::Grid, false, true, {0xFF, 91, 330}, {0xFF, 200, 20});
    EXPECT_EQ(RecordOf(block, 0), (ChannelRecord{0x03, 0xFF, 0x00, 0x5B, 0x01, 0x4A, 0x23, 0x4B}));
    EXPECT_EQ(RecordOf(block, 8), RecordOf(block, 0));
    EXPECT_EQ(RecordOf(block, 24), RecordOf(block, 16));
    EXPECT_TRUE(RecordIntact(RecordOf(block, 16)));
    EXPECT_EQ(Record2(block).N(), 200);
    EXPECT_EQ(Record2(block).RorF(), 20);
}

TEST(ChannelEncoding, AFrequencysValuesInEitherMode)
{
    const std::optional<EncodedChannel> legacy = LegacyChannel(146.0);
    ASSERT_TRUE(legacy);
    EXPECT_EQ(legacy->a, 16);
    EXPECT_EQ(legacy->n, 91);
    EXPECT_EQ(legacy->rOrF, 400);
    EXPECT_FALSE(LegacyChannel(146.0125));  // no divisors within 1 kHz

    const EncodedChannel grid = GridChannel(146.0125, 10);
    EXPECT_EQ(grid.a, kGridMarker);
    EXPECT_EQ(grid.n, 91);
    EXPECT_EQ(grid.rOrF, 330);
}

TEST(BuildParameterBlock, GridModeAlwaysMarksByteOne)
{
    const ParameterBlock block = BuildParameterBlock(SynthMode::Grid, true, false, {16, 200, 20}, {0, 200, 20});
    EXPECT_EQ(block[1], kGridMarker);
    EXPECT_EQ(block[17], kGridMarker);
    EXPECT_EQ(RecordOf(block, 0), (ChannelRecord{0x07, 0xFF, 0x00, 0xC8, 0x00, 0x14, 0xCF, 0xF5}));
}

TEST(BuildParameterBlock, LegacyKeepsStoredValuesOfAnUnusedSecondRecord)
{
    const ParameterBlock old = BuildParameterBlock(SynthMode::Legacy, false, true, {16, 91, 400}, {7, 99, 420});
    const ParameterBlock rebuilt =
        BuildParameterBlock(SynthMode::Legacy, false, false, {48, 108, 400}, StoredChannel(Record2(old)));
    EXPECT_EQ(rebuilt[16], 0x00);
    EXPECT_EQ(Record2(rebuilt).A(), 7);
    EXPECT_EQ(Record2(rebuilt).N(), 99);
    EXPECT_EQ(Record2(rebuilt).RorF(), 420);
    EXPECT_TRUE(RecordIntact(RecordOf(rebuilt, 16)));
}

}  // namespace
}  // namespace torv
