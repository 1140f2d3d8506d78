#include "device/parameters.h"

#include <gtest/gtest.h>

namespace torv {
namespace {

TEST(DecodeParameterBlock, DefaultBlockShowsOneFrequency)
{
    const ShownParameters shown = DecodeParameterBlock(DefaultParameterBlock(), 0);
    EXPECT_FALSE(shown.gridMode);
    EXPECT_FALSE(shown.secondEnabled);
    EXPECT_EQ(shown.firstHz, 146000000.0);
    EXPECT_EQ(shown.secondHz, 146000000.0);
}

TEST(DecodeParameterBlock, SecondFrequencyFlagsByMode)
{
    ParameterBlock legacy = BuildParameterBlock(SynthMode::Legacy, false, true, {16, 91, 400}, {16, 91, 400});
    EXPECT_TRUE(DecodeParameterBlock(legacy, 13).secondEnabled);
    legacy[16] = 0x03;  // legacy mode: only exactly 1 ticks the box
    EXPECT_FALSE(DecodeParameterBlock(legacy, 13).secondEnabled);

    ParameterBlock grid = BuildParameterBlock(SynthMode::Grid, true, false, {0xFF, 91, 330}, {0xFF, 91, 321});
    ShownParameters shown = DecodeParameterBlock(grid, 13);
    EXPECT_TRUE(shown.gridMode);
    EXPECT_TRUE(shown.grid25kHz);
    EXPECT_FALSE(shown.secondEnabled);
    EXPECT_EQ(shown.firstHz, 146012500.0);
    EXPECT_EQ(shown.secondHz, 146001250.0);
    grid[16] = 0x05;  // grid mode: any odd flags byte ticks the box
    EXPECT_TRUE(DecodeParameterBlock(grid, 13).secondEnabled);
}

TEST(DecodeParameterBlock, UndecodableRecords)
{
    const ParameterBlock zeroR = BuildParameterBlock(SynthMode::Legacy, false, true, {16, 91, 0}, {16, 91, 400});
    EXPECT_FALSE(DecodeParameterBlock(zeroR, 13).firstHz);
    EXPECT_TRUE(DecodeParameterBlock(zeroR, 13).secondHz);

    const ParameterBlock grid = BuildParameterBlock(SynthMode::Grid, false, true, {0xFF, 91, 330}, {0xFF, 91, 0});
    EXPECT_FALSE(DecodeParameterBlock(grid, 0).firstHz);  // no grid divider without a transmitter type
    EXPECT_FALSE(DecodeParameterBlock(grid, 77).secondHz);
    EXPECT_EQ(DecodeParameterBlock(grid, 14).firstHz, 182412500.0);  // 2 MHz * (91 + 330 / 1600)
}

}  // namespace
}  // namespace torv
