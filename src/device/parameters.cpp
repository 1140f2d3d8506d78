#include "device/parameters.h"

#include "device/frequency_codec.h"

namespace torv {
namespace {

std::optional<double> DecodeRecord(ChannelRecordView record, bool gridMode, std::optional<TransmitterType> type)
{
    if (!gridMode)
        return DecodeLegacy(record.A(), record.N(), record.RorF());
    if (!type)
        return std::nullopt;
    return DecodeGrid(record.N(), record.RorF(), type->gridDivider);
}

}  // namespace

ShownParameters DecodeParameterBlock(const ParameterBlock& block, std::uint8_t deviceType)
{
    const ChannelRecordView first = Record1(block);
    const ChannelRecordView second = Record2(block);
    const std::optional<TransmitterType> type = FindTransmitterType(deviceType);

    ShownParameters shown;
    shown.gridMode = first.GridMode();
    shown.grid25kHz = first.Grid25kHz();
    shown.secondEnabled = shown.gridMode ? second.InUse() : second.Flags() == record_flag::kInUse;
    shown.firstHz = DecodeRecord(first, shown.gridMode, type);
    shown.secondHz = DecodeRecord(second, shown.gridMode, type);
    return shown;
}

}  // namespace torv
