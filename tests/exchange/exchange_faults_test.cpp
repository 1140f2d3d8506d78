// The exchange against a line that misbehaves: stray bytes, floods, time-outs, late
// replies, port errors and the port closed after an abort.
#include "exchange/programming_exchange.h"

#include <functional>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include "device/checksum.h"
#include "device/info_text.h"
#include "exchange/exchange_texts.h"
#include "exchange/timing.h"
#include "exchange_fixture.h"
#include "event_loop.h"

namespace torv {
namespace {

using namespace testing::exchange_fixture;
using testing::RunUntil;

TEST_F(ExchangeTest, StrayBytesInWriteDrainKeepTheTimerRunning)
{
    CompleteRead();
    exchange.StartWrite(GoodBlock());
    Deliver({0x33, 0x34});
    EXPECT_TRUE(exchange.ResponseTimerArmed());
    ASSERT_TRUE(RunUntil([&] { return !host.messages.empty(); }));
    EXPECT_EQ(host.messages[0].text, texts::kTransmitterNotResponding.text);
    EXPECT_EQ(host.states.back(), ControlState::IdleAfterAbort);
}

TEST_F(ExchangeTest, RetryToATimeoutKeepsTheRetryCount)
{
    host.answers = {Answer::Retry};
    exchange.StartRead();
    for (int i = 0; i < 3; ++i)
        DeliverRefusedIdentification("wrong!!");
    EXPECT_EQ(exchange.RetryCounter(), 3);
    ASSERT_TRUE(RunUntil([&] { return !host.messages.empty(); }));  // silence: prompt B, Retry
    EXPECT_EQ(host.messages[0].text, texts::kAdapterNotFoundTimeout.text);
    EXPECT_EQ(exchange.RetryCounter(), 3);
    DeliverRefusedIdentification("wrong!!");
    EXPECT_EQ(host.messages.size(), 1u);
    DeliverRefusedIdentification("wrong!!");
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text, texts::kAdapterNotFoundAfterRetries.text);
}

TEST_F(ExchangeTest, TimeoutPromptsByStage)
{
    exchange.StartRead();
    Deliver(BytesOf("Quasar3"));
    ASSERT_TRUE(RunUntil([&] { return !host.messages.empty(); }));
    EXPECT_EQ(host.messages[0].text, texts::kAdapterNotResponding.text);

    ReadUpToParameters();
    ASSERT_TRUE(RunUntil([&] { return host.messages.size() == 2; }));
    EXPECT_EQ(host.messages[1].text, texts::kTransmitterNotResponding.text);
}

TEST_F(ExchangeTest, LateReplyWhileTimeoutPromptIsOpenIsHandledInItsStage)
{
    exchange.StartRead();
    Deliver(BytesOf("Quasar3"));
    Deliver({0x06});
    ASSERT_EQ(exchange.StageNow(), ProgrammingExchange::Stage::kInfoBlock);
    bool handledBeforeAnswer = false;
    host.duringMessage = [&](const Message&) {
        Deliver(InfoOfType(13));
        handledBeforeAnswer = LastWrite() == kParamRequest;
        host.duringMessage = nullptr;
    };
    ASSERT_TRUE(RunUntil([&] { return !host.messages.empty(); }));
    EXPECT_TRUE(handledBeforeAnswer);
    EXPECT_EQ(host.messages[0].text, texts::kTransmitterNotResponding.text);
    EXPECT_EQ(host.deviceInfoShown, 1);
    // Cancel is applied on top of that, and also ends the wait that the late reply started:
    // no time-out prompt comes up later in the idle window.
    EXPECT_EQ(host.states.back(), ControlState::IdleAfterAbort);
    EXPECT_EQ(exchange.StageNow(), ProgrammingExchange::Stage::kIdle);
    EXPECT_FALSE(exchange.ResponseTimerArmed());
    EXPECT_FALSE(RunUntil([&] { return host.messages.size() > 1; }, 300));
}

TEST_F(ExchangeTest, StrayBytesWhileIdle)
{
    CompleteRead();
    Deliver({1, 1, 1});
    EXPECT_EQ(port.input.size(), 3u);  // fewer than five stay queued
    Deliver({1, 1});
    EXPECT_EQ(host.writeDisabled, 1);
    EXPECT_TRUE(port.input.empty());

    // Queued stray bytes become part of the next identification text.
    Deliver(BytesOf("Quas"));
    EXPECT_EQ(port.input.size(), 4u);
    exchange.StartRead();
    Deliver(BytesOf("ar3"));
    EXPECT_EQ(LastWrite(), kSelectType);
}

TEST_F(ExchangeTest, FloodIsBoundedAndDrained)
{
    CompleteRead();
    Bytes flood(200, 0x01);
    Deliver(flood);
    EXPECT_TRUE(port.input.empty());
    EXPECT_EQ(host.writeDisabled, 1);

    ReadUpToParameters();
    Bytes bigReply = BytesOfBlock(GoodBlock());
    bigReply.resize(150, 0xAB);
    Deliver(bigReply);
    EXPECT_EQ(exchange.Block(), GoodBlock());
    EXPECT_TRUE(port.input.empty());
}

// A port that cannot be opened gives the port-busy prompt; a line that fails inside a
// handler or on a write shows the port's own text. Each ends the exchange, sends nothing
// more and closes the port after the delay.
TEST_F(ExchangeTest, PortErrorsEndTheExchange)
{
    struct Case {
        const char* what;
        std::function<void()> toStage;
        std::function<void()> fail;
        std::string text;
    };
    const Case cases[] = {
        {"open", [] {},
         [&] {
             port.failOpen = true;
             exchange.StartRead();
         },
         "Порт /dev/ttyUSB0 занят системой.\r\n  Выберите другой порт.  "},
        {"read inside a handler", [&] { ReadUpToParameters(); },
         [&] {
             port.failRead = true;
             Deliver(BytesOfBlock(GoodBlock()));
         },
         "Read error (5), Input/output error"},
        {"write", [&] { CompleteRead(); },
         [&] {
             port.failWrite = true;
             exchange.StartWrite(GoodBlock());
         },
         "Write error (5), Input/output error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        port.failOpen = port.failRead = port.failWrite = false;
        host.messages.clear();
        c.toStage();
        const std::size_t writes = port.writes.size();
        c.fail();
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, c.text);
        EXPECT_EQ(host.messages[0].flags, MessageFlags::kOkError);
        EXPECT_EQ(host.states.back(), ControlState::IdleAfterAbort);
        EXPECT_EQ(exchange.StageNow(), ProgrammingExchange::Stage::kIdle);
        EXPECT_FALSE(exchange.ResponseTimerArmed());
        EXPECT_TRUE(exchange.PortCloseTimerArmed());
        EXPECT_TRUE(RunUntil([&] { return !exchange.PortCloseTimerArmed() && !port.open; }));
        EXPECT_EQ(port.writes.size(), writes);
    }
}

TEST_F(ExchangeTest, AbortClosesThePortOnlyAfterTheDelay)
{
    CompleteRead();
    exchange.AbortToIdle();
    EXPECT_TRUE(port.open);
    EXPECT_TRUE(exchange.PortCloseTimerArmed());
    ASSERT_TRUE(RunUntil([&] { return !port.open; }));
    EXPECT_EQ(port.closes, 1);

    // A read started before the close reopens nothing: the next read after it does.
    exchange.StartRead();
    EXPECT_EQ(port.openedPaths.size(), 2u);
}

// The port cannot be closed from inside its own event handler (closing waits for the
// event thread, which waits for the handler): a close due while a handler pauses waits
// until the handler has returned.
TEST(ExchangeCloseTimer, TickInsideAHandlersPauseClosesAfterTheHandler)
{
    timing::SetDivisorForTesting(2);  // close after 50 ms, the pause before 0x61 lasts 100 ms
    testing::FakePort port;
    testing::FakeHost host;
    ProgrammingExchange exchange(host, port);
    exchange.SetPortDevicePath("/dev/ttyUSB0");
    exchange.StartRead();
    exchange.AbortToIdle();
    exchange.StartRead();  // on the still open port, the close timer running

    port.input.insert(port.input.end(), {'Q', 'u', 'a', 's', 'a', 'r', '3'});
    port.dispatching = true;
    exchange.PortRxChar(7);  // pauses 100 ms before 0x61; the close timer ticks inside
    port.dispatching = false;

    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(port.writes.back(), Bytes{0x61});
    EXPECT_TRUE(RunUntil([&] { return !port.open; }));
    EXPECT_EQ(port.closes, 1);
    EXPECT_EQ(port.closesRefusedInsideHandler, 0);
    exchange.Shutdown();
    timing::SetDivisorForTesting(1);
}

}  // namespace
}  // namespace torv
