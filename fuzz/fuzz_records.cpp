// The transmitter's records and blocks over arbitrary bytes, and the frequency codecs
// and write preparation over arbitrary numbers. Invariants (abort on violation):
// - a sealed record always passes its check, and any single changed bit fails it;
// - the block check agrees with the checks of its records;
// - every decoded frequency is finite and its text has exactly four decimals;
// - the info texts keep their shape whatever the bytes;
// - encoded frequencies decode back to within the grid's step or the accepted legacy error;
// - a block prepared for writing is sealed, with each copy equal to its record.
#include <cmath>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "device/blocks.h"
#include "device/checksum.h"
#include "device/frequency_codec.h"
#include "device/info_text.h"
#include "device/parameters.h"
#include "exchange/write_preparation.h"
#include "fuzz_check.h"

namespace torv {
namespace {

bool AllDigits(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// At least three integer digits, the separator, exactly four decimals.
void CheckMHzText(double hz)
{
    for (const std::string separator : {".", ","}) {
        const std::string text = FormatMHz(hz, separator);
        const std::size_t at = text.find(separator);
        Check(at != std::string::npos && at >= 3, "frequency text without three integer digits");
        Check(AllDigits(text.substr(0, at)), "frequency text with a sign or letters");
        Check(text.size() - at - 1 == 4 && AllDigits(text.substr(at + 1)), "frequency text without four decimals");
    }
}

// Any double, the special values included.
double AnyDouble(FuzzedDataProvider& input)
{
    if (input.ConsumeBool())
        return input.ConsumeFloatingPointInRange<double>(-10.0, 3000.0);
    const std::uint64_t bits = input.ConsumeIntegral<std::uint64_t>();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void FuzzChecksum(FuzzedDataProvider& input)
{
    // An exactly sized heap copy, so that a read beyond the range is caught.
    const std::vector<std::uint8_t> bytes =
        input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, 64));
    const auto start = input.ConsumeIntegral<std::uint16_t>();
    const auto end = input.ConsumeIntegral<std::uint16_t>();
    const std::uint16_t crc = Crc16(bytes, start, end);
    if (end <= start)
        Check(crc == 0, "CRC of an empty range is not 0");

    std::array<std::uint8_t, 8> record{};
    const std::vector<std::uint8_t> head = input.ConsumeBytes<std::uint8_t>(8);
    std::copy(head.begin(), head.end(), record.begin());
    SealRecord(record);
    Check(RecordIntact(record), "a sealed record fails its check");
    const auto bit = input.ConsumeIntegralInRange<std::size_t>(0, 63);
    record[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    Check(!RecordIntact(record), "a record with one changed bit passes its check");
}

void FuzzBlock(FuzzedDataProvider& input)
{
    ParameterBlock block{};
    const std::vector<std::uint8_t> bytes = input.ConsumeBytes<std::uint8_t>(block.size());
    std::copy(bytes.begin(), bytes.end(), block.begin());
    const auto record = [&](std::size_t offset) { return std::span<const std::uint8_t, 8>(block.data() + offset, 8); };
    const bool intact =
        RecordIntact(record(kRecord1Offset)) && (!Record2(block).InUse() || RecordIntact(record(kRecord2Offset)));
    Check(ParameterBlockIntact(block) == intact, "block check disagrees with its records");

    const std::uint8_t deviceType = input.ConsumeBool() ? input.ConsumeIntegralInRange<std::uint8_t>(13, 15)
                                                        : input.ConsumeIntegral<std::uint8_t>();
    const ShownParameters shown = DecodeParameterBlock(block, deviceType);
    Check(shown.gridMode == Record1(block).GridMode(), "mode not taken from record 1");
    for (const std::optional<double>& hz : {shown.firstHz, shown.secondHz}) {
        if (!hz)
            continue;
        Check(std::isfinite(*hz) && *hz >= 0, "decoded frequency not a finite positive number");
        CheckMHzText(*hz);
    }
    if (shown.gridMode && !FindTransmitterType(deviceType))
        Check(!shown.firstHz && !shown.secondHz, "grid frequencies decoded without a transmitter type");
}

void FuzzInfo(FuzzedDataProvider& input)
{
    InfoBlock info{};
    const std::vector<std::uint8_t> bytes = input.ConsumeBytes<std::uint8_t>(info.size());
    std::copy(bytes.begin(), bytes.end(), info.begin());
    const InfoBlock original = info;

    const std::string date = DateText(info);
    Check((info[0] >> 4) <= 3, "year rule left a high nibble above 3");
    const std::size_t dayEnd = date.find('.');
    const std::size_t monthEnd = date.find('.', dayEnd + 1);
    Check(dayEnd != std::string::npos && monthEnd != std::string::npos && AllDigits(date.substr(0, dayEnd)) &&
              AllDigits(date.substr(dayEnd + 1, monthEnd - dayEnd - 1)) && date.compare(monthEnd, 3, ".20") == 0 &&
              AllDigits(date.substr(monthEnd + 1)),
          "date text out of shape");
    Check(std::equal(info.begin() + 1, info.end(), original.begin() + 1), "date text changed more than the year");
    const std::string serial = SerialText(info);
    Check(AllDigits(serial) && serial.size() >= 8, "serial text not all digits");
    const std::string version = VersionText(info);
    Check(std::count(version.begin(), version.end(), '.') == 1, "version text without one point");
}

void FuzzCodecs(FuzzedDataProvider& input)
{
    const double mhz = AnyDouble(input);
    const LegacySearch legacy = FindLegacyDivisors(mhz);
    if (legacy.success) {
        Check(legacy.best.has_value() && legacy.bestError <= kLegacyAcceptedErrorHz, "success without divisors");
        const LegacyDivisors& d = *legacy.best;
        Check(d.r >= 370 && d.r <= 430, "R outside 370..430");
        Check(std::fabs(static_cast<double>(d.achievedHz) - std::rint(mhz * 1e6)) <= kLegacyAcceptedErrorHz,
              "legacy divisors too far from the frequency");
        if (mhz > 0) {
            Check(d.a >= 0 && d.a < 64 && d.n >= 0 && d.n <= 0xFFFF, "legacy divisors out of their fields");
            const std::optional<double> decoded = DecodeLegacy(
                static_cast<std::uint8_t>(d.a), static_cast<std::uint16_t>(d.n), static_cast<std::uint16_t>(d.r));
            Check(decoded && std::fabs(*decoded - static_cast<double>(d.achievedHz)) <= 1.0,
                  "legacy divisors do not decode to the frequency found");
        }
    }

    for (const std::uint8_t code : {std::uint8_t{13}, std::uint8_t{14}, std::uint8_t{15}}) {
        const TransmitterType type = *FindTransmitterType(code);
        const GridDivisors grid = EncodeGrid(mhz, type.gridDivider);
        if (!(mhz >= type.minMHz && mhz <= type.maxMHz))
            continue;
        const std::optional<double> decoded = DecodeGrid(grid.n, grid.f, type.gridDivider);
        const double hz = std::rint(mhz * 1e6);
        // The encoding's truncation guard (0.00001 of N) lifts a frequency lying just
        // below a multiple of the comparison frequency Fc up to that multiple.
        const double guardHz = 0.00001 * 16000000.0 / type.gridDivider;
        Check(decoded && *decoded <= hz + guardHz + 1.0 && *decoded > hz - 1250.0 - 1.0,
              "grid code does not decode to the grid point at or below the frequency");
        CheckMHzText(*decoded);
    }
}

void FuzzWritePreparation(FuzzedDataProvider& input)
{
    WriteRequest request;
    request.gridMode = input.ConsumeBool();
    request.deviceType = input.ConsumeIntegralInRange<std::uint8_t>(12, 16);
    request.first = {AnyDouble(input), "first"};
    request.second = {AnyDouble(input), "second"};
    request.secondEnabled = input.ConsumeBool();
    request.minMHz = input.ConsumeFloatingPointInRange<double>(0.001, 3000.0);
    request.maxMHz = input.ConsumeFloatingPointInRange<double>(request.minMHz, 3000.0);
    request.grid25kHz = input.ConsumeBool();
    request.gridEditEnabled = input.ConsumeBool();
    const std::vector<std::uint8_t> current = input.ConsumeBytes<std::uint8_t>(request.current.size());
    std::copy(current.begin(), current.end(), request.current.begin());

    const WritePlan plan = PrepareWrite(request);
    if (plan.refusal)
        return;
    const ParameterBlock& block = plan.block;
    Check(RecordIntact(std::span<const std::uint8_t, 8>(block.data(), 8)), "record 1 to write is not sealed");
    Check(RecordIntact(std::span<const std::uint8_t, 8>(block.data() + 16, 8)), "record 2 to write is not sealed");
    Check(std::equal(block.begin(), block.begin() + 8, block.begin() + 8), "record 1's copy differs");
    Check(std::equal(block.begin() + 16, block.begin() + 24, block.begin() + 24), "record 2's copy differs");
    Check(request.first.mhz >= request.minMHz && request.first.mhz <= request.maxMHz,
          "a frequency out of range written");
    if (!request.gridMode) {
        const ShownParameters shown = DecodeParameterBlock(block, request.deviceType);
        Check(shown.firstHz && std::fabs(*shown.firstHz - request.first.mhz * 1e6) <= kLegacyAcceptedErrorHz + 1.0,
              "legacy block written does not hold the frequency asked for");
    }
}

}  // namespace
}  // namespace torv

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    switch (input.ConsumeIntegralInRange(0, 4)) {
    case 0: torv::FuzzChecksum(input); break;
    case 1: torv::FuzzBlock(input); break;
    case 2: torv::FuzzInfo(input); break;
    case 3: torv::FuzzCodecs(input); break;
    default: torv::FuzzWritePreparation(input); break;
    }
    return 0;
}
