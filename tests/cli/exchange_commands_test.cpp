// torvctl read and write against the built-in emulated adapter, and their refusals.
#include "cli/exchange_commands.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/arguments.h"
#include "exchange/timing.h"

namespace torv::cli {
namespace {

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

class ExchangeCommandsTest : public ::testing::Test {
protected:
    // The demo line is paced at 2400 bit/s: a 500 ms response time-out leaves room for a
    // written block (34 bytes) and its read-back (32 bytes) on the line.
    ExchangeCommandsTest() { timing::SetDivisorForTesting(10); }
    ~ExchangeCommandsTest() override { timing::SetDivisorForTesting(1); }

    static Outcome Read(std::vector<std::string> args)
    {
        std::ostringstream out, err;
        const int code = RunRead(args, out, err);
        return {code, out.str(), err.str()};
    }

    static Outcome Write(std::vector<std::string> args)
    {
        std::ostringstream out, err;
        const int code = RunWrite(args, out, err);
        return {code, out.str(), err.str()};
    }
};

TEST_F(ExchangeCommandsTest, ReadShowsTheTransmitter)
{
    const Outcome text = Read({"--demo"});
    ASSERT_EQ(text.code, kExitOk) << text.err;
    EXPECT_NE(text.out.find("serial number        13071234"), std::string::npos);
    EXPECT_NE(text.out.find("first frequency      146.0000 MHz"), std::string::npos);
    EXPECT_NE(text.out.find("(not enabled)"), std::string::npos);

    const Outcome json = Read({"--demo", "--json"});
    ASSERT_EQ(json.code, kExitOk);
    EXPECT_EQ(json.out,
              "{\"date\": \"12.03.2007\", \"serial\": \"13071234\", \"version\": \"1.23\", \"deviceType\": 13, "
              "\"mode\": \"legacy\", \"gridStepKHz\": null, \"first\": \"146.0000\", \"second\": \"146.0000\", "
              "\"secondEnabled\": false}\n");
}

TEST_F(ExchangeCommandsTest, WriteVerifiesAndShowsTheNewFrequencies)
{
    const Outcome written = Write({"--demo", "--f1", "150.0", "--f2", "173.9999"});
    ASSERT_EQ(written.code, kExitOk) << written.err;
    EXPECT_NE(written.out.find("Данные успешно обновлены."), std::string::npos);
    EXPECT_NE(written.out.find("first frequency      150.0000 MHz"), std::string::npos);
    EXPECT_NE(written.out.find("second frequency     174.0000 MHz\n"), std::string::npos);
}

TEST_F(ExchangeCommandsTest, WriteRefusesWhatTheWindowRefuses)
{
    const Outcome tuning = Write({"--demo", "--f1", "146.0125"});
    EXPECT_EQ(tuning.code, kExitRefused);
    EXPECT_NE(tuning.out.find("Частота №1 146.0125 МГц не может быть запрограммирована,\nтак как для неё требуется"),
              std::string::npos);

    const Outcome range = Write({"--demo", "--f1", "150", "--f2", "180"});
    EXPECT_EQ(range.code, kExitRefused);
    EXPECT_NE(range.out.find("так как превышен диапазон частот"), std::string::npos);
}

TEST_F(ExchangeCommandsTest, MissingPortIsExplained)
{
    const Outcome missing = Read({"--port", "/dev/torv-no-such-port"});
    EXPECT_EQ(missing.code, kExitPortUnavailable);
    EXPECT_NE(missing.err.find("/dev/torv-no-such-port does not exist"), std::string::npos);
    EXPECT_NE(missing.out.find("занят системой"), std::string::npos);
}

TEST_F(ExchangeCommandsTest, BadCommandLinesTouchNoLine)
{
    EXPECT_THROW(Read({}), UsageError);
    EXPECT_THROW(Read({"--demo", "--port", "ttyUSB0"}), UsageError);
    EXPECT_THROW(Read({"--demo", "extra"}), UsageError);
    EXPECT_THROW(Write({"--demo"}), UsageError);
    EXPECT_THROW(Write({"--demo", "--f1", "150", "--f2", "160", "--no-f2"}), UsageError);
    EXPECT_THROW(Write({"--port", "/dev/torv-no-such-port", "--f1", "abc"}), UsageError);
    EXPECT_THROW(Write({"--port", "/dev/torv-no-such-port", "--f1", "150", "--step", "20"}), UsageError);
}

}  // namespace
}  // namespace torv::cli
