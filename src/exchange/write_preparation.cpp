#include "exchange/write_preparation.h"

#include <cstdlib>

#include "device/frequency_codec.h"
#include "device/parameters.h"
#include "exchange/exchange_texts.h"

namespace torv {
namespace {

bool InRange(double mhz, const WriteRequest& request)
{
    return mhz >= request.minMHz && mhz <= request.maxMHz;  // the bounds themselves pass
}

std::string FieldText(double hz, const WriteRequest& request)
{
    return FormatMHz(hz, request.decimalSeparator);
}

// W1 or W2, with the nearest channels of the transmitter's band that legacy mode reaches.
WritePlan RefuseNeedsTuning(int channel, const FrequencyEntry& entry, const WriteRequest& request)
{
    WritePlan plan;
    if (const std::optional<TransmitterType> type = FindTransmitterType(request.deviceType)) {
        const NearestChannels nearest = NearestLegacyChannels(entry.mhz, type->minMHz, type->maxMHz);
        for (const std::optional<std::int64_t>& hz : {nearest.belowHz, nearest.aboveHz})
            if (hz)
                plan.nearestHz.push_back(*hz);
    }
    std::vector<std::string> shown;
    for (std::int64_t hz : plan.nearestHz)
        shown.push_back(FieldText(static_cast<double>(hz), request));
    plan.refusal = texts::NeedsTuning(channel, entry.text, texts::NearestLine(shown));
    return plan;
}

// W3 or W4, naming the transmitter's band.
WritePlan RefuseOutOfRange(int channel, const FrequencyEntry& entry, const WriteRequest& request)
{
    WritePlan plan;
    plan.band = FindTransmitterType(request.deviceType);
    std::string bandLine;
    if (plan.band)
        bandLine =
            texts::BandLine(FieldText(plan.band->minMHz * 1e6, request), FieldText(plan.band->maxMHz * 1e6, request));
    plan.refusal = texts::OutOfRange(channel, entry.text, bandLine);
    return plan;
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
        if (!first)
            return RefuseNeedsTuning(1, request.first, request);
        channel1 = *first;
        if (request.secondEnabled) {
            const std::optional<EncodedChannel> second = LegacyChannel(request.second.mhz);
            if (!second)
                return RefuseNeedsTuning(2, request.second, request);
            channel2 = *second;
        }
    } else if (type) {
        channel1 = GridChannel(request.first.mhz, type->gridDivider);
        channel2 = GridChannel(request.second.mhz, type->gridDivider);
    }

    // Grid mode without a known transmitter has no band and no divider: out of range.
    if (!InRange(request.first.mhz, request) || (request.gridMode && !type))
        return RefuseOutOfRange(1, request.first, request);
    if (request.secondEnabled && !InRange(request.second.mhz, request))
        return RefuseOutOfRange(2, request.second, request);

    bool grid25kHz = request.grid25kHz;
    if (request.gridMode && !request.gridEditEnabled && !grid25kHz) {
        plan.force25kHz = true;
        grid25kHz = true;
    }
    plan.block = BuildParameterBlock(request.gridMode ? SynthMode::Grid : SynthMode::Legacy, grid25kHz,
                                     request.secondEnabled, channel1, channel2);
    return plan;
}

WriteRequest RequestToWriteBack(const ParameterBlock& block, const InfoBlock& info, const ParameterBlock& current,
                                bool gridEditEnabled)
{
    // A frequency as the window's field shows it, and the value that text reads as.
    const auto shownEntry = [](double hz) {
        const std::string text = FormatMHz(hz, ".");
        return FrequencyEntry{std::strtod(text.c_str(), nullptr), text};
    };
    const std::uint8_t type = InfoBlockView(info).DeviceType();
    const ShownParameters now = DecodeParameterBlock(current, type);
    const ShownParameters wanted = DecodeParameterBlock(block, type);
    WriteRequest request;
    request.gridMode = now.gridMode;
    request.deviceType = type;
    request.current = current;
    request.grid25kHz = wanted.grid25kHz;
    request.gridEditEnabled = gridEditEnabled;
    if (const std::optional<TransmitterType> band = FindTransmitterType(type)) {
        request.minMHz = band->minMHz;
        request.maxMHz = band->maxMHz;
    }
    if (wanted.firstHz)
        request.first = shownEntry(*wanted.firstHz);
    request.second = wanted.secondHz ? shownEntry(*wanted.secondHz) : request.first;
    request.secondEnabled = wanted.secondEnabled && wanted.secondHz;
    return request;
}

}  // namespace torv
