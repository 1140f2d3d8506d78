#include "cli/arguments.h"

#include <gtest/gtest.h>

namespace torv::cli {
namespace {

const std::vector<KnownOption> kKnown = {{"--type", true}, {"--port", true, true}, {"--second"}};

TEST(Arguments, OptionsValuesAndPositionals)
{
    const Arguments a({"--type", "13", "146.5", "--port=/dev/ttyUSB0", "--port", "pts/3", "--second"}, kKnown);
    EXPECT_EQ(a.Value("--type"), "13");
    EXPECT_EQ(a.Values("--port"), (std::vector<std::string>{"/dev/ttyUSB0", "pts/3"}));
    EXPECT_TRUE(a.Has("--second"));
    EXPECT_FALSE(a.Has("--step"));
    EXPECT_EQ(a.Positional(), (std::vector<std::string>{"146.5"}));
}

TEST(Arguments, MistakesAreRefused)
{
    EXPECT_THROW(Arguments({"--bogus"}, kKnown), UsageError);
    EXPECT_THROW(Arguments({"--type"}, kKnown), UsageError);
    EXPECT_THROW(Arguments({"--type", "13", "--type", "14"}, kKnown), UsageError);
    EXPECT_THROW(Arguments({"--second=yes"}, kKnown), UsageError);
}

// A device path in another encoding than UTF-8 reaches the system byte for byte.
TEST(Arguments, ValuesComeBackByteForByte)
{
    const std::string cp1251 = "/dev/\xcf\xee\xf0\xf2";         // "Порт" in Windows-1251
    const std::string mixed = "/dev/\xd0\xbf\xff\xed\xa0\x80";  // UTF-8, a stray byte, an encoded surrogate
    const Arguments a({"--port", cp1251, "--port=" + mixed, "--port", "/dev/порт", "\xfe"}, kKnown);
    EXPECT_EQ(a.Values("--port"), (std::vector<std::string>{cp1251, mixed, "/dev/порт"}));
    EXPECT_EQ(a.Positional(), (std::vector<std::string>{"\xfe"}));
}

TEST(ParseMHz, AcceptsPlainDecimals)
{
    EXPECT_EQ(ParseMHz("146.0125"), 146.0125);
    EXPECT_EQ(ParseMHz("146"), 146.0);
    EXPECT_EQ(ParseMHz(".5"), 0.5);
    EXPECT_EQ(ParseMHz("99999999"), 99999999.0);
}

TEST(ParseMHz, RefusesAnythingElse)
{
    for (const char* bad : {"", ".", "abc", "nan", "NaN", "inf", "-146", "+146", "0", "0.0", "1e5", "146,0125",
                            "146..0", "146.0.1", " 146", "146 ", "100000000",
                            "1"
                            "00000000000000000000000000"}) {
        EXPECT_THROW(ParseMHz(bad), UsageError) << '"' << bad << '"';
    }
}

TEST(ParseHexBytes, BlanksAllowedLengthExact)
{
    EXPECT_EQ(ParseHexBytes("01 10 00 5b", 4), (std::vector<unsigned char>{0x01, 0x10, 0x00, 0x5B}));
    EXPECT_EQ(ParseHexBytes("0110005B", 4), (std::vector<unsigned char>{0x01, 0x10, 0x00, 0x5B}));
    EXPECT_THROW(ParseHexBytes("0110005", 4), UsageError);
    EXPECT_THROW(ParseHexBytes("0110005B00", 4), UsageError);
    EXPECT_THROW(ParseHexBytes("0110005G", 4), UsageError);
}

TEST(ParseSmallValues, TypesAndSteps)
{
    EXPECT_EQ(ParseTransmitterType("14"), 14);
    EXPECT_THROW(ParseTransmitterType("0"), UsageError);
    EXPECT_THROW(ParseTransmitterType("013"), UsageError);
    EXPECT_TRUE(ParseGridStep("25"));
    EXPECT_FALSE(ParseGridStep("12.5"));
    EXPECT_THROW(ParseGridStep("12,5"), UsageError);
}

}  // namespace
}  // namespace torv::cli
