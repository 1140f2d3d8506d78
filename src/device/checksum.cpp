#include "device/checksum.h"

#include <algorithm>

namespace torv {

std::uint16_t Crc16(std::span<const std::uint8_t> data, std::uint16_t start, std::uint16_t end)
{
    const std::size_t last = std::min<std::size_t>(end, data.size());
    std::uint32_t reg = 0;
    for (std::size_t i = start; i < last; ++i) {
        reg += data[i];  // lands in bits 0-7, which are clear here
        for (int bit = 0; bit < 8; ++bit) {
            const bool top = (reg & 0x800000u) != 0;
            reg <<= 1;
            if (top)
                reg ^= 0x800500u;
        }
        reg &= 0xFFFF00u;
    }
    return static_cast<std::uint16_t>(reg >> 8);
}

void SealRecord(std::span<std::uint8_t, 8> record)
{
    record[6] = 0;
    record[7] = 0;
    const std::uint16_t crc = Crc16(record, 0, 8);
    record[6] = static_cast<std::uint8_t>(crc >> 8);
    record[7] = static_cast<std::uint8_t>(crc & 0xFF);
}

bool RecordIntact(std::span<const std::uint8_t, 8> record)
{
    return Crc16(record, 0, 8) == 0;
}

}  // namespace torv
