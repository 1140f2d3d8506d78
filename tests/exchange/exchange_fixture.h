#pragma once
// The exchange driven by a scripted port and window, one notification at a time.

#include <gtest/gtest.h>

#include "device/blocks.h"
#include "event_loop.h"
#include "exchange/programming_exchange.h"
#include "exchange/timing.h"
#include "exchange_fakes.h"

namespace torv::testing::exchange_fixture {

using testing::Bytes;
using testing::BytesOf;

inline const Bytes kIdentify{0x55};
inline const Bytes kProbe{0x57};
inline const Bytes kSelectType{0x61};
inline const Bytes kInfoRequest{0x88, 0x80};
inline const Bytes kParamRequest{0xA0, 0x10};

inline Bytes InfoOfType(std::uint8_t type)
{
    return Bytes{0x07, 0x12, 0x34, type, 0x01, 0x23, 12, 3};
}

inline ParameterBlock GoodBlock()
{
    return BuildParameterBlock(SynthMode::Legacy, false, true, {16, 91, 400}, {48, 108, 400});
}

inline Bytes BytesOfBlock(const ParameterBlock& block)
{
    return Bytes(block.begin(), block.end());
}

class ExchangeTest : public ::testing::Test {
protected:
    ExchangeTest()
    {
        timing::SetDivisorForTesting(50);
        exchange.SetPortDevicePath("/dev/ttyUSB0");
    }
    ~ExchangeTest() override { timing::SetDivisorForTesting(1); }

    // Bytes arrive and the port's notification is handled, as the serial component
    // hands it over: the port refuses to close while it runs.
    void Deliver(const Bytes& bytes)
    {
        port.input.insert(port.input.end(), bytes.begin(), bytes.end());
        port.dispatching = true;
        exchange.PortRxChar(static_cast<int>(port.input.size()));
        port.dispatching = false;
    }

    const Bytes& LastWrite() const { return port.writes.back(); }

    // Delivers a text without the adapter's word and waits until the quiet line has
    // refused it (the next command written, or a prompt shown).
    void DeliverRefusedIdentification(const std::string& text)
    {
        const std::size_t writes = port.writes.size();
        const std::size_t messages = host.messages.size();
        Deliver(BytesOf(text));
        EXPECT_TRUE(RunUntil([&] { return port.writes.size() > writes || host.messages.size() > messages; }));
    }

    // Runs a read up to the parameter request.
    void ReadUpToParameters(std::uint8_t type = 13)
    {
        exchange.StartRead();
        Deliver(BytesOf("Quasar3"));
        Deliver({0x06});
        Deliver(InfoOfType(type));
        ASSERT_EQ(LastWrite(), kParamRequest);
        ASSERT_EQ(exchange.StageNow(), ProgrammingExchange::Stage::kParameterRead);
    }

    void CompleteRead()
    {
        ReadUpToParameters();
        Deliver(BytesOfBlock(GoodBlock()));
        ASSERT_EQ(exchange.StageNow(), ProgrammingExchange::Stage::kIdle);
    }

    testing::FakePort port;
    testing::FakeHost host;
    ProgrammingExchange exchange{host, port};
};

}  // namespace torv::testing::exchange_fixture
