#pragma once
// CRC-16/UMTS (polynomial 0x8005, initial value 0, no reflection, no final XOR),
// computed in a 24-bit register so that one routine both seals and checks a record.

#include <cstdint>
#include <span>

namespace torv {

// CRC over bytes start .. end-1 of data; 0 when end-1 is below start.
// Indices beyond the buffer are not read: the range is cut to data's size.
std::uint16_t Crc16(std::span<const std::uint8_t> data, std::uint16_t start, std::uint16_t end);

// Sets bytes 6-7 of an 8-byte channel record to its CRC (big-endian).
void SealRecord(std::span<std::uint8_t, 8> record);

// True when the record carries a matching CRC.
bool RecordIntact(std::span<const std::uint8_t, 8> record);

}  // namespace torv
