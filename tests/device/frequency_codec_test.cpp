#include "device/frequency_codec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "device/blocks.h"

namespace torv {
namespace {

// The double nearest to (146 MHz + k * 12.5 kHz) in MHz, as a typed text would give it.
double Channel125(int k)
{
    return (146000000.0 + 12500.0 * k) / 1000000.0;
}

TEST(FindLegacyDivisors, ExactFrequencyPrefersR400)
{
    const LegacySearch search = FindLegacyDivisors(146.0);
    ASSERT_TRUE(search.success);
    ASSERT_TRUE(search.best);
    EXPECT_EQ(search.best->r, 400);
    EXPECT_EQ(search.best->n, 91);
    EXPECT_EQ(search.best->a, 16);
    EXPECT_EQ(search.best->achievedHz, 146000000);
    EXPECT_EQ(search.bestError, 0);
}

TEST(FindLegacyDivisors, SmallErrorsAreAccepted)
{
    const LegacySearch top = FindLegacyDivisors(173.9999);
    ASSERT_TRUE(top.success);
    EXPECT_EQ(top.best->r, 400);
    EXPECT_EQ(top.best->n, 108);
    EXPECT_EQ(top.best->a, 48);
    EXPECT_EQ(top.best->achievedHz, 174000000);
    EXPECT_EQ(top.bestError, 100);

    // The remainder rounds to 64 and carries into N.
    const LegacySearch carry = FindLegacyDivisors(163.1999);
    ASSERT_TRUE(carry.success);
    EXPECT_EQ(carry.best->r, 400);
    EXPECT_EQ(carry.best->n, 102);
    EXPECT_EQ(carry.best->a, 0);
    EXPECT_EQ(carry.best->achievedHz, 163200000);
    EXPECT_EQ(carry.bestError, 100);
}

TEST(FindLegacyDivisors, RefusesFrequenciesBeyondOneKilohertz)
{
    const LegacySearch a = FindLegacyDivisors(146.0125);
    EXPECT_FALSE(a.success);
    ASSERT_TRUE(a.best);
    EXPECT_EQ(a.bestError, 1486);
    EXPECT_EQ(a.best->r, 429);

    const LegacySearch b = FindLegacyDivisors(150.0125);
    EXPECT_FALSE(b.success);
    EXPECT_EQ(b.bestError, 10756);
    EXPECT_EQ(b.best->r, 430);
}

TEST(FindLegacyDivisors, NinetyEightOfTheBandsChannelsFail)
{
    int failures = 0;
    int channels = 0;
    for (int k = 0; Channel125(k) <= 174.0; ++k) {
        ++channels;
        const LegacySearch search = FindLegacyDivisors(Channel125(k));
        if (!search.success) {
            ++failures;
            continue;
        }
        // What succeeds must really give the frequency within 1 kHz.
        const std::optional<double> hz =
            DecodeLegacy(static_cast<std::uint8_t>(search.best->a), static_cast<std::uint16_t>(search.best->n),
                         static_cast<std::uint16_t>(search.best->r));
        ASSERT_TRUE(hz);
        EXPECT_LE(std::fabs(*hz - (146000000.0 + 12500.0 * k)), 1000.0) << Channel125(k);
    }
    EXPECT_EQ(channels, 2241);
    EXPECT_EQ(failures, 98);
}

TEST(NearestLegacyChannels, AreTheClosestReachableChannelsOfTheBand)
{
    const auto reached = [](std::int64_t hz) { return FindLegacyDivisors(static_cast<double>(hz) / 1e6).success; };
    // For every channel that fails: the channels named are reached, and none between them is.
    for (int k = 0; Channel125(k) <= 174.0; ++k) {
        if (reached(146000000 + 12500 * k))
            continue;
        const NearestChannels nearest = NearestLegacyChannels(Channel125(k), 146, 174);
        ASSERT_TRUE(nearest.belowHz && nearest.aboveHz) << Channel125(k);
        EXPECT_TRUE(reached(*nearest.belowHz) && reached(*nearest.aboveHz)) << Channel125(k);
        for (std::int64_t hz = *nearest.belowHz + 12500; hz < *nearest.aboveHz; hz += 12500)
            EXPECT_FALSE(reached(hz)) << Channel125(k) << " " << hz;
    }

    struct Case {
        double mhz;
        std::optional<std::int64_t> below;
        std::optional<std::int64_t> above;
    };
    const Case cases[] = {
        {146.0125, 146000000, 146025000},
        {146.0126, 146000000, 146025000},     // off the raster
        {145.9875, std::nullopt, 146000000},  // below the band: only the side in it
        {174.0125, 174000000, std::nullopt},
        {180.0125, 174000000, std::nullopt},  // far beyond: the band's nearest end
        {99999999.0, 174000000, std::nullopt},
        {-1e300, std::nullopt, 146000000},
        {std::numeric_limits<double>::quiet_NaN(), std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        const NearestChannels nearest = NearestLegacyChannels(c.mhz, 146, 174);
        EXPECT_EQ(nearest.belowHz, c.below) << c.mhz;
        EXPECT_EQ(nearest.aboveHz, c.above) << c.mhz;
    }
    // A band without a reachable channel, or none at all, names nothing.
    EXPECT_FALSE(NearestLegacyChannels(146.0125, 146.0125, 146.0125).belowHz);
    EXPECT_FALSE(NearestLegacyChannels(150, 174, 146).aboveHz);
}

TEST(FindLegacyDivisors, UnrepresentableFrequenciesFailCleanly)
{
    for (double mhz : {99999999.0, 2147.483648, 1e300, -1e300, std::numeric_limits<double>::infinity(),
                       std::numeric_limits<double>::quiet_NaN()}) {
        const LegacySearch search = FindLegacyDivisors(mhz);
        EXPECT_FALSE(search.success) << mhz;
        EXPECT_FALSE(search.best) << mhz;
    }
    // The largest frequency whose hertz fit still searches normally (and fails: no R reaches it).
    EXPECT_FALSE(FindLegacyDivisors(2147.483647).success);
}

TEST(DecodeLegacy, DecodesAndRefusesRZero)
{
    EXPECT_EQ(DecodeLegacy(16, 91, 400), 146000000.0);
    EXPECT_EQ(DecodeLegacy(48, 108, 400), 174000000.0);
    EXPECT_FALSE(DecodeLegacy(16, 91, 0));
}

TEST(EncodeGrid, ExactGridPointsEncodeExactly)
{
    const GridDivisors vhf = EncodeGrid(146.0125, 10);
    EXPECT_EQ(vhf.n, 91);
    EXPECT_EQ(vhf.f, 330);
    const GridDivisors uhf = EncodeGrid(400.025, 8);
    EXPECT_EQ(uhf.n, 200);
    EXPECT_EQ(uhf.f, 20);

    // Every 1250 Hz point of both bands comes back to itself.
    for (int p : {10, 8}) {
        const double low = p == 10 ? 146e6 : 400e6;
        const double high = p == 10 ? 174e6 : 470e6;
        for (double hz = low; hz <= high; hz += 1250.0) {
            const GridDivisors g = EncodeGrid(hz / 1e6, p);
            ASSERT_EQ(DecodeGrid(g.n, g.f, p), hz) << hz << " P " << p;
        }
    }
}

TEST(EncodeGrid, BetweenPointsMovesDownAndGuardLiftsNearMultiples)
{
    const GridDivisors between = EncodeGrid(146.0126, 10);
    EXPECT_EQ(between.n, 91);
    EXPECT_EQ(between.f, 330);

    const GridDivisors guarded = EncodeGrid(145.59999, 10);
    EXPECT_EQ(guarded.n, 91);
    EXPECT_EQ(guarded.f, 0);
}

TEST(EncodeGrid, ValuesWithoutIntegerFormDoNotMisbehave)
{
    for (double mhz : {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(), 1e300}) {
        const GridDivisors g = EncodeGrid(mhz, 10);
        EXPECT_EQ(g.n, 0);
        EXPECT_EQ(g.f, 0);
    }
    // 99999999 MHz (the most a field holds) keeps the low 16 bits of N = 49,999,999.
    EXPECT_EQ(EncodeGrid(99999999.0, 8).n, static_cast<std::uint16_t>(49999999 & 0xFFFF));
}

TEST(DecodeGrid, ModulusAndFrequencies)
{
    EXPECT_EQ(DecodeGrid(91, 0, 10), 145600000.0);
    EXPECT_EQ(DecodeGrid(91, 321, 10), 146001250.0);
    EXPECT_EQ(DecodeGrid(91, 330, 10), 146012500.0);
    EXPECT_EQ(DecodeGrid(200, 20, 8), 400025000.0);
    // M = 1600 for P 8: F = 1599 is one step below the next multiple of Fc.
    EXPECT_EQ(DecodeGrid(200, 1599, 8), 401998750.0);
    EXPECT_FALSE(DecodeGrid(91, 0, 0));
}

TEST(FormatMHz, PatternRoundingAndSeparator)
{
    EXPECT_EQ(FormatMHz(146000000.0, "."), "146.0000");
    EXPECT_EQ(FormatMHz(146000000.0, ","), "146,0000");
    EXPECT_EQ(FormatMHz(99500000.0, "."), "099.5000");
    EXPECT_EQ(FormatMHz(146001250.0, "."), "146.0013");
    EXPECT_EQ(FormatMHz(146001250.0, ","), "146,0013");
    EXPECT_EQ(FormatMHz(145600000.0, "."), "145.6000");
    EXPECT_EQ(FormatMHz(0.0, "."), "000.0000");
    EXPECT_EQ(FormatMHz(49.0, "."), "000.0000");
    EXPECT_EQ(FormatMHz(50.0, "."), "000.0001");
    EXPECT_EQ(FormatMHz(999999950.0, "."), "1000.0000");
    EXPECT_EQ(FormatMHz(41943670000000.0, "."), "41943670.0000");
}

TEST(Codecs, GridRecordRoundTripsThroughTheBlock)
{
    const GridDivisors g = EncodeGrid(146.0125, 10);
    const ParameterBlock block = BuildParameterBlock(SynthMode::Grid, false, true, {0xFF, g.n, g.f}, {0xFF, g.n, g.f});
    const ChannelRecordView record = Record1(block);
    const std::optional<double> hz = DecodeGrid(record.N(), record.RorF(), 10);
    ASSERT_TRUE(hz);
    EXPECT_EQ(FormatMHz(*hz, "."), "146.0125");
}

}  // namespace
}  // namespace torv
