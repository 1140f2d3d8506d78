#include "emulator/transmitter_contents.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "device/checksum.h"

namespace torv {
namespace {

ChannelRecord RecordAt(const ParameterBlock& block, std::size_t offset)
{
    ChannelRecord record{};
    std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(offset), record.size(), record.begin());
    return record;
}

TEST(TransmitterContents, DefaultsAreAType13TransmitterOn146MHz)
{
    const TransmitterContents contents = MakeContents();
    EXPECT_EQ(contents.info, (InfoBlock{0x07, 0x12, 0x34, 13, 0x01, 0x23, 12, 3}));
    EXPECT_EQ(RecordAt(contents.block, 0), (ChannelRecord{0x01, 0x10, 0x00, 0x5B, 0x01, 0x90, 0x7E, 0x3C}));
    EXPECT_EQ(RecordAt(contents.block, 8), RecordAt(contents.block, 0));
    // Record 2 not in use, repeating channel 1's dividers.
    EXPECT_EQ(RecordAt(contents.block, 16), (ChannelRecord{0x00, 0x10, 0x00, 0x5B, 0x01, 0x90, 0x86, 0x3F}));
    EXPECT_EQ(RecordAt(contents.block, 24), RecordAt(contents.block, 16));
}

TEST(TransmitterContents, IdentityFieldsAreStoredAsBcd)
{
    const InfoBlock info = MakeInfoBlock(
        {.deviceType = 15, .year = 2039, .month = 12, .day = 31, .serial = 907, .versionMajor = 12, .versionMinor = 5});
    EXPECT_EQ(info, (InfoBlock{0x39, 0x09, 0x07, 15, 0x12, 0x05, 31, 12}));
}

TEST(TransmitterContents, GridBlockUsesTheTypesDivider)
{
    const ChannelPlan plan{.mode = SynthMode::Grid, .f1MHz = 400.025, .f2MHz = 400.025, .grid25kHz = true};
    const ParameterBlock block = MakeParameterBlock(plan, 14);
    EXPECT_EQ(RecordAt(block, 0), (ChannelRecord{0x07, 0xFF, 0x00, 0xC8, 0x00, 0x14, 0xCF, 0xF5}));
    EXPECT_EQ(RecordAt(block, 16), RecordAt(block, 0));
    EXPECT_TRUE(ParameterBlockIntact(block));

    const ParameterBlock secondOff = MakeParameterBlock({.mode = SynthMode::Grid, .f1MHz = 146.0125}, 13);
    EXPECT_EQ(RecordAt(secondOff, 0), (ChannelRecord{0x03, 0xFF, 0x00, 0x5B, 0x01, 0x4A, 0x23, 0x4B}));
    EXPECT_EQ(secondOff[16], 0x02);
}

TEST(TransmitterContents, RefusesWhatCannotBeEncoded)
{
    EXPECT_THROW(MakeParameterBlock({.f1MHz = 146.0125}, 13), std::invalid_argument);
    EXPECT_THROW(MakeParameterBlock({.f1MHz = 146.0, .f2MHz = 150.0125}, 13), std::invalid_argument);
    EXPECT_THROW(MakeParameterBlock({.mode = SynthMode::Grid}, 0), std::invalid_argument);
    EXPECT_THROW(MakeParameterBlock({.mode = SynthMode::Grid}, 77), std::invalid_argument);
    EXPECT_THROW(MakeInfoBlock({.year = 2100}), std::invalid_argument);
    EXPECT_THROW(MakeInfoBlock({.serial = 10000}), std::invalid_argument);
    EXPECT_THROW(MakeInfoBlock({.versionMinor = 100}), std::invalid_argument);
    EXPECT_THROW(MakeInfoBlock({.day = 256}), std::invalid_argument);
    // No transmitter, or not a transmitter: legacy contents still build.
    EXPECT_EQ(MakeContents({.deviceType = 0}).info[3], 0);
}

}  // namespace
}  // namespace torv
