#include "device/checksum.h"

#include <gtest/gtest.h>

#include <array>

namespace torv {
namespace {

TEST(Crc16, MatchesPublishedCheckValue)
{
    // The register form gives the standard CRC of a message followed by two zero bytes,
    // the place where a record carries its CRC.
    const std::array<std::uint8_t, 11> bytes{'1', '2', '3', '4', '5', '6', '7', '8', '9', 0, 0};
    EXPECT_EQ(Crc16(bytes, 0, 11), 0xFEE8);
}

TEST(Crc16, EmptyOrReversedRangeGivesZero)
{
    const std::array<std::uint8_t, 4> bytes{1, 2, 3, 4};
    EXPECT_EQ(Crc16(bytes, 2, 2), 0);
    EXPECT_EQ(Crc16(bytes, 3, 1), 0);
}

TEST(Crc16, RangeIsCutToTheBuffer)
{
    const std::array<std::uint8_t, 4> bytes{1, 2, 3, 4};
    EXPECT_EQ(Crc16(bytes, 0, 200), Crc16(bytes, 0, 4));
}

TEST(SealRecord, SealsTheDefaultRecords)
{
    std::array<std::uint8_t, 8> record1{0x01, 0x10, 0x00, 0x5B, 0x01, 0x90, 0xAA, 0xBB};
    SealRecord(record1);
    EXPECT_EQ(record1, (std::array<std::uint8_t, 8>{0x01, 0x10, 0x00, 0x5B, 0x01, 0x90, 0x7E, 0x3C}));

    std::array<std::uint8_t, 8> record2{0x00, 0x10, 0x00, 0x5B, 0x01, 0x90, 0x00, 0x00};
    SealRecord(record2);
    EXPECT_EQ(record2, (std::array<std::uint8_t, 8>{0x00, 0x10, 0x00, 0x5B, 0x01, 0x90, 0x86, 0x3F}));
}

TEST(RecordIntact, SealedRecordChecksAndAnyFlippedBitDoesNot)
{
    std::array<std::uint8_t, 8> record{0x03, 0xFF, 0x00, 0x5B, 0x01, 0x4A, 0, 0};
    SealRecord(record);
    EXPECT_TRUE(RecordIntact(record));
    for (std::size_t byte = 0; byte < record.size(); ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            auto damaged = record;
            damaged[byte] ^= static_cast<std::uint8_t>(1u << bit);
            EXPECT_FALSE(RecordIntact(damaged)) << "byte " << byte << " bit " << bit;
        }
    }
}

}  // namespace
}  // namespace torv
