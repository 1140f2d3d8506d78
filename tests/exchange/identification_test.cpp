// The adapter's identification as a real line delivers it: a byte at a time, longer than
// the word, with text before or after it; and the acknowledgement queued behind its tail.
#include <gtest/gtest.h>

#include "exchange/exchange_texts.h"
#include "exchange_fixture.h"

namespace torv {
namespace {

using namespace testing::exchange_fixture;
using testing::RunUntil;

class IdentificationTest : public ExchangeTest {
protected:
    // Delivers the text one byte per notification, as a line at 2400 bit/s does.
    void DeliverByteByByte(const std::string& text)
    {
        for (char c : text)
            Deliver({static_cast<std::uint8_t>(c)});
    }

    // Back to a closed, idle port for the next case.
    void Reset()
    {
        exchange.AbortToIdle();
        exchange.Shutdown();
        port.writes.clear();
        port.input.clear();
    }
};

TEST_F(IdentificationTest, TextIsCollectedAcrossNotificationsAndSearchedForTheWord)
{
    struct Case {
        std::string reply;
        bool accepted;
    };
    const Case cases[] = {
        {"Quasar3", true},
        {"Quasar3\r\n", true},
        {"Quasar3 v2.1\r\n", true},
        {"\r\nQuasar2 rev.4\r\n", true},
        {"Programming adapter, Quasar3 firmware 2", true},  // 40 bytes, the word inside
        {"xxQuasar3yy", true},
        {std::string("Quasar3\0ab", 10), true},
        {"quasar3 v2.1\r\n", false},
        {"QUASAR3", false},
        {std::string("ab\0Quasar3", 10), false},  // the search ends at the zero byte
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        exchange.StartRead();
        DeliverByteByByte(c.reply);
        if (c.accepted) {
            // Accepted as the word completes; the rest of the text is dropped in the
            // device-type stage, where the acknowledgement then counts.
            ASSERT_EQ(port.writes.size(), 2u);
            EXPECT_EQ(LastWrite(), kSelectType);
            EXPECT_TRUE(port.input.empty());
            EXPECT_TRUE(exchange.ResponseTimerArmed());
            Deliver({0x06});
            EXPECT_EQ(LastWrite(), kInfoRequest);
        } else {
            EXPECT_EQ(port.writes.size(), 1u);  // judged only once the line is quiet
            ASSERT_TRUE(RunUntil([&] { return port.writes.size() == 2; }));
            EXPECT_EQ(LastWrite(), kIdentify);
            EXPECT_EQ(exchange.RetryCounter(), 1);
        }
        Reset();
    }
}

TEST_F(IdentificationTest, SixtyFourBytesWithoutTheWordAreRefusedAtOnce)
{
    exchange.StartRead();
    Deliver(Bytes(70, 'x'));
    EXPECT_EQ(port.writes.size(), 2u);
    EXPECT_EQ(LastWrite(), kIdentify);
    EXPECT_EQ(port.dropped, 6);
    EXPECT_TRUE(port.input.empty());
}

TEST_F(IdentificationTest, DeviceTypeReplyIsFoundBehindLeftOverBytes)
{
    exchange.StartRead();
    Deliver(BytesOf("Quasar3"));
    Deliver(BytesOf(" v2.1\r\n\x15"));  // one notification: the tail, then a refusal
    EXPECT_EQ(exchange.RetryCounter(), 1);
    EXPECT_EQ(LastWrite(), kSelectType);
    Deliver(BytesOf("\r\n\x06"));
    EXPECT_EQ(LastWrite(), kInfoRequest);
    EXPECT_EQ(exchange.RetryCounter(), 0);
    EXPECT_TRUE(port.input.empty());
}

}  // namespace
}  // namespace torv
