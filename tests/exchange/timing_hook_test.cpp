// The test hook's divisor 0: no pauses and no time-outs, for drivers that deliver
// time-outs themselves (the fuzz target of the stage machine).
#include <gtest/gtest.h>

#include "device/blocks.h"
#include "exchange/programming_exchange.h"
#include "exchange/timing.h"
#include "exchange_fakes.h"

namespace torv {
namespace {

class TimingHookTest : public ::testing::Test {
protected:
    ~TimingHookTest() override { timing::SetDivisorForTesting(1); }
};

TEST_F(TimingHookTest, DivisorsScaleEveryPauseAndZeroRemovesThem)
{
    const int pauses[] = {timing::kResponseTimeoutMs, timing::kOpenSettleMs, timing::kProbePauseMs,
                          timing::kSelectTypePauseMs, timing::kInfoPauseMs,  timing::kParamPauseMs,
                          timing::kPortCloseDelayMs};
    for (const int ms : pauses)
        EXPECT_EQ(timing::Scaled(ms), ms) << "production keeps the fixed length";

    timing::SetDivisorForTesting(20);
    EXPECT_EQ(timing::Scaled(timing::kResponseTimeoutMs), 250);
    EXPECT_EQ(timing::Scaled(timing::kOpenSettleMs), 5);

    timing::SetDivisorForTesting(1000);
    EXPECT_EQ(timing::Scaled(timing::kProbePauseMs), 1) << "a scaled pause never drops to 0";

    timing::SetDivisorForTesting(0);
    for (const int ms : pauses)
        EXPECT_EQ(timing::Scaled(ms), 0) << ms;

    timing::SetDivisorForTesting(-3);
    EXPECT_EQ(timing::Scaled(timing::kInfoPauseMs), timing::kInfoPauseMs) << "a negative divisor counts as 1";
}

TEST_F(TimingHookTest, ExchangeRunsAWholeReadWithoutTheEventLoop)
{
    timing::SetDivisorForTesting(0);
    testing::FakeHost host;
    testing::FakePort port;
    ProgrammingExchange exchange(host, port);
    exchange.SetPortDevicePath("/dev/ttyUSB0");
    const auto deliver = [&](const testing::Bytes& bytes) {
        port.input.insert(port.input.end(), bytes.begin(), bytes.end());
        exchange.PortRxChar(static_cast<int>(port.input.size()));
    };
    const ParameterBlock block = BuildParameterBlock(SynthMode::Legacy, false, false, {16, 91, 400}, {16, 91, 400});

    exchange.StartRead();
    deliver(testing::BytesOf("Quasar3"));
    deliver({0x06});
    deliver({0x07, 0x12, 0x34, 13, 0x01, 0x23, 12, 3});
    deliver(testing::Bytes(block.begin(), block.end()));

    EXPECT_EQ(port.writes.size(), 4u) << "each command went out at once, no pause waited";
    EXPECT_EQ(host.states.back(), ControlState::IdleAfterSuccess);
    EXPECT_EQ(exchange.Block(), block);
    exchange.Shutdown();
}

}  // namespace
}  // namespace torv
