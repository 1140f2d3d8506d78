#include "device/info_text.h"

#include <gtest/gtest.h>

namespace torv {
namespace {

TEST(InfoText, ExamplesOfEachText)
{
    InfoBlock info{0x07, 0x12, 0x34, 13, 0x01, 0x23, 12, 3};
    EXPECT_EQ(DateText(info), "12.03.2007");
    EXPECT_EQ(SerialText(info), "13071234");
    EXPECT_EQ(VersionText(info), "1.23");
}

TEST(InfoText, YearRuleCorrectsTheStoredByte)
{
    InfoBlock info{0x45, 0x00, 0x01, 13, 0x01, 0x00, 1, 1};
    EXPECT_EQ(DateText(info), "01.01.2005");
    EXPECT_EQ(info[0], 0x05);
    EXPECT_EQ(SerialText(info), "13050001");

    InfoBlock serialFirst{0x45, 0x00, 0x01, 13, 0x01, 0x00, 1, 1};
    EXPECT_EQ(SerialText(serialFirst), "13050001");
    EXPECT_EQ(serialFirst[0], 0x05);

    InfoBlock late{0x39, 0, 0, 13, 0, 0, 1, 1};
    EXPECT_EQ(DateText(late), "01.01.2039");
    EXPECT_EQ(late[0], 0x39);
}

TEST(InfoText, DayAndMonthArePaddedButNotLimited)
{
    InfoBlock info{0x07, 0, 0, 13, 0, 0, 0, 5};
    EXPECT_EQ(DateText(info).substr(0, 6), "00.05.");
    info[6] = 123;
    EXPECT_EQ(DateText(info), "123.05.2007");
}

TEST(InfoText, SerialUsesOnlyLowSixBitsOfType)
{
    InfoBlock type15{0x10, 0x00, 0x01, 15, 0, 0, 1, 1};
    EXPECT_EQ(SerialText(type15), "15100001");
    InfoBlock flagged{0x07, 0x12, 0x34, 0x4D, 0, 0, 1, 1};
    EXPECT_EQ(SerialText(flagged), "13071234");
    InfoBlock small{0x07, 0x12, 0x34, 5, 0, 0, 1, 1};
    EXPECT_EQ(SerialText(small), "05071234");
}

TEST(InfoText, VersionForms)
{
    auto version = [](std::uint8_t major, std::uint8_t minor) {
        return VersionText(InfoBlock{0, 0, 0, 13, major, minor, 1, 1});
    };
    EXPECT_EQ(version(0x12, 0x05), "12.05");
    EXPECT_EQ(version(0x00, 0x07), "0.07");
    EXPECT_EQ(version(0x10, 0x00), "10.00");
}

TEST(InfoText, NibblesAboveNineGiveTwoCharacters)
{
    InfoBlock info{0x2A, 0, 0, 13, 0x0B, 0xC0, 1, 1};
    EXPECT_EQ(DateText(info), "01.01.20210");
    EXPECT_EQ(VersionText(info), "11.120");
}

}  // namespace
}  // namespace torv
