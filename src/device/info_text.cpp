#include "device/info_text.h"

namespace torv {
namespace {

// Each nibble is written as an ordinary decimal number, so a nibble above 9 gives two characters.
std::string Nibbles(std::uint8_t byte)
{
    return std::to_string(byte >> 4) + std::to_string(byte & 0x0F);
}

std::string TwoDigits(unsigned value)
{
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

}  // namespace

void ApplyYearRule(InfoBlock& info)
{
    if ((info[0] >> 4) > 3)
        info[0] &= 0x0F;
}

std::string DateText(InfoBlock& info)
{
    ApplyYearRule(info);
    const InfoBlockView view(info);
    return TwoDigits(view.Day()) + "." + TwoDigits(view.Month()) + ".20" + Nibbles(view.YearBcd());
}

std::string SerialText(InfoBlock& info)
{
    ApplyYearRule(info);
    const InfoBlockView view(info);
    return TwoDigits(view.DeviceType() & 0x3F) + Nibbles(view.YearBcd()) + Nibbles(view.SerialDigits5And6()) +
           Nibbles(view.SerialDigits7And8());
}

std::string VersionText(const InfoBlock& info)
{
    const InfoBlockView view(info);
    const std::uint8_t major = view.VersionMajorBcd();
    const std::string majorText = (major >> 4) != 0 ? Nibbles(major) : std::to_string(major & 0x0F);
    return majorText + "." + Nibbles(view.VersionMinorBcd());
}

}  // namespace torv
