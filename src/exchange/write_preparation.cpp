#include "exchange/write_preparation.h"

#include "device/frequency_codec.h"
#include "exchange/exchange_texts.h"

namespace torv {
namespace {

std::optional<EncodedChannel> LegacyChannel(double mhz)
{
    const LegacySearch search = FindLegacyDivisors(mhz);
    if (!search.success)
        return std::nullopt;
    const LegacyDivisors& d = *search.best;
    return EncodedChannel{static_cast<std::uint8_t>(d.a), static_cast<std::uint16_t>(d.n),
                          static_cast<std::uint16_t>(d.r)};
}

EncodedChannel GridChannel(double mhz, int gridDivider)
{
    const GridDivisors g = EncodeGrid(mhz, gridDivider);
    return EncodedChannel{kGridMarker, g.n, g.f};
}

bool InRange(double mhz, const WriteRequest& request)
{
    return mhz >= request.minMHz && mhz <= request.maxMHz;  // the bounds themselves pass
}

}  // namespace

WritePlan PrepareWrite(const WriteRequest& request)
{
    WritePlan plan;
    EncodedChannel channel1;
    EncodedChannel channel2 = StoredChannel(Record2(request.current));
    const std::optional<TransmitterType> type = FindTransmitterType(request.deviceType);

    if (!request.gridMode) {
        const std::optional<EncodedChannel> first = LegacyChannel(request.first.mhz);
        if (!first) {
            plan.refusal = texts::NeedsTuning(1, request.first.text);
            return plan;
        }
        channel1 = *first;
        if (request.secondEnabled) {
            const std::optional<EncodedChannel> second = LegacyChannel(request.second.mhz);
            if (!second) {
                plan.refusal = texts::NeedsTuning(2, request.second.text);
                return plan;
            }
            channel2 = *second;
        }
    } else if (type) {
        channel1 = GridChannel(request.first.mhz, type->gridDivider);
        channel2 = GridChannel(request.second.mhz, type->gridDivider);
    }

    // Grid mode without a known transmitter has no band and no divider: out of range.
    if (!InRange(request.first.mhz, request) || (request.gridMode && !type)) {
        plan.refusal = texts::OutOfRange(1, request.first.text);
        return plan;
    }
    if (request.secondEnabled && !InRange(request.second.mhz, request)) {
        plan.refusal = texts::OutOfRange(2, request.second.text);
        return plan;
    }

    bool grid25kHz = request.grid25kHz;
    if (request.gridMode && !request.gridEditEnabled && !grid25kHz) {
        plan.force25kHz = true;
        grid25kHz = true;
    }
    plan.block = BuildParameterBlock(request.gridMode ? SynthMode::Grid : SynthMode::Legacy, grid25kHz,
                                     request.secondEnabled, channel1, channel2);
    return plan;
}

}  // namespace torv
