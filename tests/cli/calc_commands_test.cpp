#include "cli/calc_commands.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/arguments.h"

namespace torv::cli {
namespace {

struct Outcome {
    int code;
    std::string out;
};

Outcome Calc(std::vector<std::string> args)
{
    std::ostringstream out;
    const int code = RunCalc(args, out);
    return {code, out.str()};
}

Outcome Decode(std::vector<std::string> args)
{
    std::ostringstream out;
    const int code = RunDecode(args, out);
    return {code, out.str()};
}

TEST(Calc, LegacyDivisorsAndRefusal)
{
    const Outcome ok = Calc({"--legacy", "163.1999"});
    EXPECT_EQ(ok.code, kExitOk);
    EXPECT_EQ(ok.out, "R 400, N 102, A 0\nachieved 163200000 Hz (163.2000 MHz), error 100 Hz\n");

    const Outcome refused = Calc({"--legacy", "146.0125"});
    EXPECT_EQ(refused.code, kExitRefused);
    EXPECT_NE(refused.out.find("146.0125 MHz cannot be programmed"), std::string::npos);
    EXPECT_NE(refused.out.find("1486 Hz"), std::string::npos);

    const Outcome huge = Calc({"--legacy", "99999999"});
    EXPECT_EQ(huge.code, kExitRefused);
}

TEST(Calc, GridRecordsForBothChannelsAndSteps)
{
    const Outcome vhf = Calc({"--grid", "--type", "13", "146.0125"});
    EXPECT_EQ(vhf.code, kExitOk);
    EXPECT_NE(vhf.out.find("N 91, F 330"), std::string::npos);
    EXPECT_NE(vhf.out.find("channel 1 record: 03 FF 00 5B 01 4A 23 4B"), std::string::npos);

    const Outcome second = Calc({"--grid", "--type", "14", "--step", "25", "--second", "440.025"});
    EXPECT_EQ(second.code, kExitOk);
    EXPECT_NE(second.out.find("channel 2 record: 07 FF"), std::string::npos);

    const Outcome outside = Calc({"--grid", "--type", "13", "180"});
    EXPECT_EQ(outside.code, kExitRefused);
    EXPECT_NE(outside.out.find("outside the range of type 13"), std::string::npos);
}

TEST(Calc, BadCommandLines)
{
    EXPECT_THROW(Calc({"146"}), UsageError);
    EXPECT_THROW(Calc({"--legacy", "--grid", "146"}), UsageError);
    EXPECT_THROW(Calc({"--legacy"}), UsageError);
    EXPECT_THROW(Calc({"--legacy", "146", "147"}), UsageError);
    EXPECT_THROW(Calc({"--legacy", "--type", "13", "146"}), UsageError);
    EXPECT_THROW(Calc({"--grid", "146"}), UsageError);
    EXPECT_THROW(Calc({"--grid", "--type", "16", "146"}), UsageError);
    EXPECT_THROW(Calc({"--grid", "--type", "13", "--step", "20", "146"}), UsageError);
}

TEST(Decode, LegacyGridAndDamagedRecords)
{
    const Outcome legacy = Decode({"01 10 00 5B 01 90 7E 3C"});
    EXPECT_EQ(legacy.code, kExitOk);
    EXPECT_NE(legacy.out.find("A 16, N 91, R 400"), std::string::npos);
    EXPECT_NE(legacy.out.find("frequency 146.0000 MHz"), std::string::npos);

    const Outcome grid = Decode({"--type", "13", "03FF005B0141", "0000"});
    EXPECT_EQ(grid.code, kExitRefused);  // CRC does not match
    EXPECT_NE(grid.out.find("frequency 146.0013 MHz"), std::string::npos);
    EXPECT_NE(grid.out.find("does not match"), std::string::npos);

    const Outcome zeroR = Decode({"0110005B00000000"});
    EXPECT_EQ(zeroR.code, kExitRefused);
    EXPECT_NE(zeroR.out.find("R is 0"), std::string::npos);

    EXPECT_THROW(Decode({"03FF005B014A234B"}), UsageError);  // grid needs a type
    EXPECT_THROW(Decode({"03FF005B014A23"}), UsageError);
}

}  // namespace
}  // namespace torv::cli
