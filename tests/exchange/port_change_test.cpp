// The operator picks another port while a port handler is inside one of its pauses.
#include <gtest/gtest.h>

#include <QTimer>

#include "exchange/exchange_texts.h"
#include "exchange_fixture.h"

namespace torv {
namespace {

using namespace testing::exchange_fixture;
using testing::RunUntil;

class PortChangeTest : public ExchangeTest {};

TEST_F(PortChangeTest, ChangeInsideEachPauseTakesEffectAndRetryOpensTheNewPort)
{
    struct Case {
        const char* pause;
        int repliesBefore;  // replies delivered before the one whose handler pauses
        Bytes written;      // the command the paused handler still sends, on the old port
        const Message* prompt;
    };
    const Bytes replies[] = {BytesOf("Quasar3"), {0x06}, InfoOfType(13)};
    const Case cases[] = {
        {"200 ms before 0x61", 0, kSelectType, &texts::kAdapterNotResponding},
        {"1500 ms before 0x88 0x80", 1, kInfoRequest, &texts::kTransmitterNotResponding},
        {"100 ms before 0xA0 0x10", 2, kParamRequest, &texts::kTransmitterNotResponding},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pause);
        exchange.SetPortDevicePath("/dev/ttyA");
        exchange.StartRead();
        for (int i = 0; i < c.repliesBefore; ++i)
            Deliver(replies[i]);
        // Runs at the first event-loop pass of the pause.
        bool changedInsideHandler = false;
        QTimer::singleShot(0, [&] {
            changedInsideHandler = port.dispatching;
            exchange.ChangePort("/dev/ttyB");
        });
        Deliver(replies[c.repliesBefore]);
        EXPECT_TRUE(changedInsideHandler);

        EXPECT_EQ(exchange.PortDevicePath(), "/dev/ttyB");
        EXPECT_EQ(LastWrite(), c.written);
        EXPECT_EQ(port.closesRefusedInsideHandler, 0);
        EXPECT_TRUE(RunUntil([&] { return !port.open; }));  // right after the handler

        host.answers = {Answer::Retry};
        ASSERT_TRUE(RunUntil([&] { return !host.messages.empty(); }));
        ASSERT_EQ(host.messages.size(), 1u);  // the time-out prompt, no error text
        EXPECT_EQ(host.messages[0].text, c.prompt->text);
        EXPECT_EQ(port.openedPaths.back(), "/dev/ttyB");
        EXPECT_EQ(LastWrite(), kIdentify);

        exchange.AbortToIdle();
        exchange.Shutdown();
        host.messages.clear();
    }
}

TEST_F(PortChangeTest, ChangeOutsideAHandlerClosesAtOnce)
{
    CompleteRead();
    exchange.ChangePort("/dev/pts/7");
    EXPECT_FALSE(port.open);
    exchange.StartRead();
    EXPECT_EQ(port.openedPaths.back(), "/dev/pts/7");
}

}  // namespace
}  // namespace torv
