#include "emulator/transmitter_contents.h"

#include <stdexcept>
#include <string>

#include "device/frequency_codec.h"

namespace torv {
namespace {

int Checked(int value, int min, int max, const char* field)
{
    if (value < min || value > max)
        throw std::invalid_argument(std::string(field) + " must lie between " + std::to_string(min) + " and " +
                                    std::to_string(max) + ", not " + std::to_string(value));
    return value;
}

std::uint8_t Byte(int value, const char* field)
{
    return static_cast<std::uint8_t>(Checked(value, 0, 255, field));
}

// Two decimal digits, tens in the high nibble.
std::uint8_t Bcd(int value)
{
    return static_cast<std::uint8_t>(((value / 10) << 4) | (value % 10));
}

EncodedChannel EncodeLegacy(double mhz)
{
    const std::optional<EncodedChannel> channel = LegacyChannel(mhz);
    if (!channel)
        throw std::invalid_argument(FormatMHz(mhz * 1e6, ".") + " MHz cannot be set in legacy synthesizer mode");
    return *channel;
}

}  // namespace

InfoBlock MakeInfoBlock(const TransmitterIdentity& identity)
{
    const int serial = Checked(identity.serial, 0, 9999, "serial number");
    return InfoBlock{
        Bcd(Checked(identity.year, 2000, 2099, "year") - 2000),
        Bcd(serial / 100),
        Bcd(serial % 100),
        identity.deviceType,
        Bcd(Checked(identity.versionMajor, 0, 99, "version major part")),
        Bcd(Checked(identity.versionMinor, 0, 99, "version minor part")),
        Byte(identity.day, "day"),
        Byte(identity.month, "month"),
    };
}

ParameterBlock MakeParameterBlock(const ChannelPlan& plan, std::uint8_t deviceType)
{
    const double f2 = plan.f2MHz.value_or(plan.f1MHz);
    if (plan.mode == SynthMode::Legacy)
        return BuildParameterBlock(plan.mode, false, plan.f2MHz.has_value(), EncodeLegacy(plan.f1MHz),
                                   EncodeLegacy(f2));
    const std::optional<TransmitterType> type = FindTransmitterType(deviceType);
    if (!type)
        throw std::invalid_argument("grid synthesizer mode needs device type 13, 14 or 15, not " +
                                    std::to_string(deviceType));
    return BuildParameterBlock(plan.mode, plan.grid25kHz, plan.f2MHz.has_value(),
                               GridChannel(plan.f1MHz, type->gridDivider), GridChannel(f2, type->gridDivider));
}

TransmitterContents MakeContents(const TransmitterIdentity& identity, const ChannelPlan& plan)
{
    return TransmitterContents{MakeInfoBlock(identity), MakeParameterBlock(plan, identity.deviceType)};
}

}  // namespace torv
