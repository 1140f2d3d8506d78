#pragma once
// Conversion between frequencies and synthesizer divider values.
//
// Legacy synthesizer mode: f = (10 MHz / R) * (64 * N + A), A 0..63.
// Grid synthesizer mode:   f = Fc * (N + F / M), Fc = 16 MHz / P, M = Fc / 1250 Hz.
//
// Intermediates are formed in extended precision (long double, 64-bit mantissa);
// the step 10 MHz / R, Fc and every decoded frequency are rounded to double.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace torv {

// Frequency in Hz of a legacy record; nothing when R is 0.
std::optional<double> DecodeLegacy(std::uint8_t a, std::uint16_t n, std::uint16_t r);

// Frequency in Hz of a grid record with grid divider P; nothing when P gives no modulus.
std::optional<double> DecodeGrid(std::uint16_t n, std::uint16_t f, int gridDivider);

// Frequency in Hz as MHz text "000.0000": at least three integer digits, exactly four
// decimals (halves rounded up after cutting to 18 significant digits).
std::string FormatMHz(double hz, std::string_view decimalSeparator);

struct LegacyDivisors {
    std::int32_t r = 0;
    std::int32_t n = 0;
    std::int32_t a = 0;
    std::int64_t achievedHz = 0;
};

struct LegacySearch {
    bool success = false;                // best error is at most 1000 Hz
    std::optional<LegacyDivisors> best;  // empty when no R came within 1 MHz
    std::int64_t bestError = 1000000;    // Hz
};

constexpr std::int64_t kLegacyAcceptedErrorHz = 1000;

// Searches R = 370..430 for the divisors closest to mhz (ties: R nearest 400).
// A frequency whose hertz do not fit a signed 32-bit integer, or that is not finite,
// cannot be programmed: the search fails with no result.
LegacySearch FindLegacyDivisors(double mhz);

constexpr std::int64_t kChannelRasterHz = 12500;

// The channels nearest a frequency that legacy mode can program: on the 12.5 kHz raster,
// accepted by FindLegacyDivisors, within the band; a side without one is empty.
struct NearestChannels {
    std::optional<std::int64_t> belowHz;  // the highest one below the frequency
    std::optional<std::int64_t> aboveHz;  // the lowest one above it
};

NearestChannels NearestLegacyChannels(double mhz, double minMHz, double maxMHz);

struct GridDivisors {
    std::uint16_t n = 0;
    std::uint16_t f = 0;
};

// Encodes mhz for grid divider P, moving a frequency between grid points down to the
// point below. Only the low 16 bits of N and F are kept; a value with no integer
// form (not finite, or beyond 64 bits) gives 0.
GridDivisors EncodeGrid(double mhz, int gridDivider);

}  // namespace torv
