// The units of a production line as the adapter's replies show them, on a clock of the
// test's own: no line and no waiting.
#include "emulator/adapter_replies.h"

#include <gtest/gtest.h>

#include "device/info_text.h"

namespace torv {
namespace {

using namespace std::chrono_literals;
using enum AdapterCommand;

TransmitterContents Unit(int serial)
{
    return MakeContents({.serial = serial});
}

class UnitQueueTest : public ::testing::Test {
protected:
    UnitQueueTest() : replies_(Unit(1)) { replies_.QueueUnits({Unit(2), Unit(3)}); }

    AdapterReply RespondAt(std::chrono::milliseconds time, AdapterCommand command,
                           std::optional<ParameterBlock> written = std::nullopt)
    {
        return replies_.Respond({command, start_ + time, written});
    }

    // The serial number the info block shows at that time; "none" for no transmitter.
    std::string SerialAt(std::chrono::milliseconds time)
    {
        const std::vector<std::uint8_t> bytes = RespondAt(time, InfoRequest).bytes;
        InfoBlock info{};
        std::copy_n(bytes.begin(), info.size(), info.begin());
        return info[3] == kNoTransmitter ? "none" : SerialText(info);
    }

    const EmulatorClock::time_point start_ = EmulatorClock::now();
    AdapterReplies replies_;
};

TEST_F(UnitQueueTest, WithoutASwapTimeTheNextUnitIsThereAtOnceAndTheLastStays)
{
    EXPECT_EQ(SerialAt(0ms), "13070001");
    RespondAt(0ms, Identify);
    EXPECT_EQ(SerialAt(0ms), "13070001");  // not read yet: it stays
    RespondAt(1ms, ParamRequest);
    EXPECT_EQ(SerialAt(2ms), "13070001");  // read, but its exchange goes on
    EXPECT_EQ(RespondAt(3ms, Identify).unitChange, "unit 13070002 connected");
    EXPECT_EQ(SerialAt(3ms), "13070002");
    RespondAt(4ms, ParamRequest);
    RespondAt(5ms, Identify);
    RespondAt(6ms, ParamRequest);
    RespondAt(7ms, Identify);
    EXPECT_EQ(SerialAt(8ms), "13070003");
}

TEST_F(UnitQueueTest, AProgrammedUnitIsAwayForTheSwapTimeAndFaultsStartAgainForEachUnit)
{
    replies_.SetSwapTime(1000ms);
    EmulatorFaults faults;
    faults.corruptReadbackCount = 1;
    replies_.SetFaults(faults);
    const ParameterBlock written = MakeParameterBlock({.f1MHz = 150.0}, 13);
    for (const int serial : {1, 2, 3}) {
        SCOPED_TRACE(serial);
        const std::chrono::milliseconds t = (serial - 1) * 2000ms;
        RespondAt(t, ParamRequest);
        RespondAt(t, ParamWrite, written);
        EXPECT_NE(RespondAt(t + 1ms, ParamRequest).bytes, std::vector<std::uint8_t>(written.begin(), written.end()));
        RespondAt(t + 2ms, ParamWrite, written);
        EXPECT_EQ(RespondAt(t + 3ms, ParamRequest).bytes, std::vector<std::uint8_t>(written.begin(), written.end()));
        EXPECT_EQ(replies_.Contents(start_ + t + 4ms).block, written);

        EXPECT_EQ(RespondAt(t + 10ms, Identify).unitChange, "unit 1307000" + std::to_string(serial) + " taken away");
        EXPECT_EQ(SerialAt(t + 1009ms), "none");
        EXPECT_EQ(RespondAt(t + 1009ms, ParamRequest).withheld, "no transmitter");
        RespondAt(t + 1009ms, ParamWrite, written);
        EXPECT_EQ(replies_.Contents(start_ + t + 1009ms).block, ParameterBlock{});  // nobody there to store it
        RespondAt(t + 1009ms, Identify);                                            // the adapter goes on answering
        EXPECT_EQ(SerialAt(t + 1010ms), serial < 3 ? "1307000" + std::to_string(serial + 1) : "none");
    }
    EXPECT_EQ(SerialAt(60'000ms), "none");  // after the last unit nobody comes
}

}  // namespace
}  // namespace torv
