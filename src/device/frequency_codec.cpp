#include "device/frequency_codec.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace torv {
namespace {

constexpr long double kLegacyReferenceHz = 10000000.0L;
constexpr int kPrescalerModulus = 64;
constexpr int kFirstR = 370;
constexpr int kLastR = 430;
constexpr int kPreferredR = 400;
constexpr long double kGridReferenceHz = 16000000.0L;
constexpr long double kGridResolutionHz = 1250.0L;
constexpr long double kTruncationGuard = 0.00001L;

// MHz to whole hertz, an exact half going to the even integer (the default rounding mode).
long double WholeHertz(double mhz)
{
    return std::rint(static_cast<long double>(mhz) * 1000000.0L);
}

std::uint16_t Low16(long double whole)
{
    constexpr long double kLimit = 9223372036854775807.0L;
    if (!std::isfinite(whole) || std::fabs(whole) >= kLimit)
        return 0;
    return static_cast<std::uint16_t>(static_cast<std::int64_t>(whole));
}

// Adds one unit in the last place to a string of decimal digits; returns the carry out.
bool IncrementDigits(std::string& digits)
{
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return false;
        }
        *it = '0';
    }
    return true;
}

}  // namespace

std::optional<double> DecodeLegacy(std::uint8_t a, std::uint16_t n, std::uint16_t r)
{
    if (r == 0)
        return std::nullopt;
    const double step = static_cast<double>(kLegacyReferenceHz / r);
    const long double f = kPrescalerModulus * static_cast<long double>(step) * n + static_cast<long double>(a) * step;
    return static_cast<double>(f);
}

std::optional<double> DecodeGrid(std::uint16_t n, std::uint16_t f, int gridDivider)
{
    if (gridDivider <= 0)
        return std::nullopt;
    const long double modulus = std::trunc(1.0L / gridDivider * kGridReferenceHz / kGridResolutionHz);
    if (modulus == 0)
        return std::nullopt;
    const double fc = static_cast<double>(kGridReferenceHz / gridDivider);
    return static_cast<double>(fc * (f / modulus + n));
}

std::string FormatMHz(double hz, std::string_view decimalSeparator)
{
    const long double mhz = static_cast<long double>(hz) / 1000000.0L;
    if (std::isnan(mhz))
        return "NAN";
    if (std::isinf(mhz))
        return mhz > 0 ? "INF" : "-INF";

    // The 18 most significant decimal digits and the decimal exponent.
    char scientific[40];
    std::snprintf(scientific, sizeof scientific, "%.17Le", std::fabs(mhz));
    std::string significant;
    significant += scientific[0];
    significant.append(scientific + 2, 17);
    const int exponent = std::atoi(scientific + 20);

    // Split into integer and fraction digits.
    std::string integer;
    std::string fraction;
    const int integerDigits = exponent + 1;
    if (integerDigits <= 0) {
        integer = "0";
        fraction = std::string(static_cast<std::size_t>(-integerDigits), '0') + significant;
    } else if (integerDigits >= static_cast<int>(significant.size())) {
        integer = significant + std::string(static_cast<std::size_t>(integerDigits) - significant.size(), '0');
    } else {
        integer = significant.substr(0, static_cast<std::size_t>(integerDigits));
        fraction = significant.substr(static_cast<std::size_t>(integerDigits));
    }
    fraction.resize(std::max<std::size_t>(fraction.size(), 5), '0');

    // Cut to four decimals, rounding up on a first dropped digit of 5 or more.
    std::string kept = integer + fraction.substr(0, 4);
    if (fraction[4] >= '5' && IncrementDigits(kept))
        kept.insert(kept.begin(), '1');
    integer = kept.substr(0, kept.size() - 4);
    const std::string decimals = kept.substr(kept.size() - 4);
    integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size()));
    if (integer.size() < 3)
        integer.insert(0, 3 - integer.size(), '0');

    const bool zero = kept.find_first_not_of('0') == std::string::npos;
    return (mhz < 0 && !zero ? "-" : "") + integer + std::string(decimalSeparator) + decimals;
}

LegacySearch FindLegacyDivisors(double mhz)
{
    LegacySearch search;
    const long double wholeHz = WholeHertz(mhz);
    if (!std::isfinite(wholeHz) || wholeHz > std::numeric_limits<std::int32_t>::max() ||
        wholeHz < std::numeric_limits<std::int32_t>::min())
        return search;
    const auto target = static_cast<std::int32_t>(wholeHz);

    std::int64_t bestTie = 30;
    for (int r = kFirstR; r <= kLastR; ++r) {
        const double step = static_cast<double>(kLegacyReferenceHz / r);
        const long double q = target / static_cast<long double>(step);
        auto n = static_cast<std::int32_t>(std::trunc(q / kPrescalerModulus));
        auto a = static_cast<std::int32_t>(std::rint(q - static_cast<long double>(kPrescalerModulus) * n));
        if (a == kPrescalerModulus) {
            a = 0;
            ++n;
        }
        const auto achieved =
            static_cast<std::int64_t>(std::rint((static_cast<long double>(kPrescalerModulus) * n + a) * step));
        const std::int64_t error = std::llabs(target - achieved);
        const std::int64_t tie = std::abs(kPreferredR - r);
        if (error < search.bestError || (error == search.bestError && tie < bestTie)) {
            search.best = LegacyDivisors{r, n, a, achieved};
            search.bestError = error;
            bestTie = tie;
        }
    }
    search.success = search.best.has_value() && search.bestError <= kLegacyAcceptedErrorHz;
    return search;
}

NearestChannels NearestLegacyChannels(double mhz, double minMHz, double maxMHz)
{
    NearestChannels nearest;
    // Positions on the raster: the band's first and last channel, and the target's.
    const long double first = std::ceil(WholeHertz(minMHz) / kChannelRasterHz);
    const long double last = std::floor(WholeHertz(maxMHz) / kChannelRasterHz);
    const long double target = WholeHertz(mhz) / kChannelRasterHz;
    if (!std::isfinite(first) || !std::isfinite(last) || !std::isfinite(target) || first > last)
        return nearest;
    const auto reached = [](std::int64_t channel) {
        return FindLegacyDivisors(static_cast<double>(channel * kChannelRasterHz) / 1e6).success;
    };
    // From the channels next to the target, brought into the band, outwards to its ends.
    const auto firstChannel = static_cast<std::int64_t>(first);
    const auto lastChannel = static_cast<std::int64_t>(last);
    const auto below = static_cast<std::int64_t>(std::clamp(std::ceil(target) - 1, first - 1, last));
    const auto above = static_cast<std::int64_t>(std::clamp(std::floor(target) + 1, first, last + 1));
    for (std::int64_t channel = below; channel >= firstChannel && !nearest.belowHz; --channel)
        if (reached(channel))
            nearest.belowHz = channel * kChannelRasterHz;
    for (std::int64_t channel = above; channel <= lastChannel && !nearest.aboveHz; ++channel)
        if (reached(channel))
            nearest.aboveHz = channel * kChannelRasterHz;
    return nearest;
}

GridDivisors EncodeGrid(double mhz, int gridDivider)
{
    if (gridDivider <= 0)
        return {};
    const double f = static_cast<double>(WholeHertz(mhz));
    const double fc = static_cast<double>(kGridReferenceHz / gridDivider);
    const long double modulus = std::trunc(fc / kGridResolutionHz + kTruncationGuard);
    const long double n = std::trunc(f / static_cast<long double>(fc) + kTruncationGuard);
    const long double fraction = std::trunc((f / static_cast<long double>(fc) - n) * modulus + kTruncationGuard);
    return GridDivisors{Low16(n), Low16(fraction)};
}

}  // namespace torv
