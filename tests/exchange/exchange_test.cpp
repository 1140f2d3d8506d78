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

TEST_F(ExchangeTest, ReadRunsThroughEveryStage)
{
    exchange.StartRead();
    EXPECT_EQ(host.states.front(), ControlState::Busy);
    EXPECT_EQ(port.openedPaths, std::vector<std::string>{"/dev/ttyUSB0"});
    EXPECT_EQ(port.purges, 1);
    EXPECT_EQ(port.writes, std::vector<Bytes>{kIdentify});
    EXPECT_EQ(exchange.StageNow(), ProgrammingExchange::Stage::kIdentification);
    EXPECT_TRUE(exchange.ResponseTimerArmed());

    Deliver(BytesOf("Quasar3"));
    EXPECT_EQ(LastWrite(), kSelectType);
    EXPECT_EQ(exchange.StageNow(), ProgrammingExchange::Stage::kTypeSelection);

    Deliver({0x06});
    EXPECT_EQ(LastWrite(), kInfoRequest);
    Deliver(InfoOfType(14));
    EXPECT_EQ(host.deviceInfoShown, 1);
    EXPECT_EQ(LastWrite(), kParamRequest);
    EXPECT_EQ(exchange.Info()[3], 14);

    Deliver(BytesOfBlock(GoodBlock()));
    EXPECT_EQ(exchange.Block(), GoodBlock());
    EXPECT_EQ(exchange.StageNow(), ProgrammingExchange::Stage::kIdle);
    EXPECT_FALSE(exchange.ResponseTimerArmed());
    EXPECT_EQ(host.parametersShown, 1);
    EXPECT_EQ(host.states.back(), ControlState::IdleAfterSuccess);
    ASSERT_EQ(host.statusTexts.size(), 1u);
    EXPECT_TRUE(host.statusTexts[0].ends_with(std::string("  -  ") + texts::kReadSucceeded));
    EXPECT_TRUE(host.statusTexts[0].starts_with("  "));
    EXPECT_TRUE(port.open);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ExchangeTest, StatusTextsCanBeSwitchedOff)
{
    exchange.SetShowStatusMessages(false);
    CompleteRead();
    EXPECT_TRUE(host.statusTexts.empty());
    EXPECT_EQ(host.states.back(), ControlState::IdleAfterSuccess);
}

TEST_F(ExchangeTest, ShortRepliesWaitForMoreBytes)
{
    exchange.StartRead();
    Deliver(BytesOf("Quas"));
    EXPECT_EQ(port.writes.size(), 1u);
    Deliver(BytesOf("ar3\r\n"));
    EXPECT_EQ(LastWrite(), kSelectType);
    Deliver({0x06});
    Deliver({0x07, 0x12, 0x34, 13, 0x01});
    EXPECT_EQ(LastWrite(), kInfoRequest);
    Deliver({0x23, 12, 3});
    EXPECT_EQ(LastWrite(), kParamRequest);
}

TEST_F(ExchangeTest, SixByteIdentificationEndsInTimeoutPromptB)
{
    exchange.StartRead();
    Deliver(BytesOf("Quasa3"));
    ASSERT_TRUE(RunUntil([&] { return !host.messages.empty(); }));
    EXPECT_EQ(host.messages[0].text, texts::kAdapterNotFoundTimeout.text);
    EXPECT_EQ(host.messages[0].flags, MessageFlags::kRetryCancelError);
    EXPECT_EQ(host.states.back(), ControlState::IdleAfterAbort);
    EXPECT_TRUE(RunUntil([&] { return !port.open; }));
}

TEST_F(ExchangeTest, FifthWrongIdentificationAsksAndRetryProbes)
{
    host.answers = {Answer::Retry};
    exchange.StartRead();
    for (int i = 0; i < 4; ++i)
        DeliverRefusedIdentification("garbage");
    EXPECT_EQ(port.writes, std::vector<Bytes>(5, kIdentify));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(exchange.RetryCounter(), 4);

    DeliverRefusedIdentification("garbage");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, texts::kAdapterNotFoundAfterRetries.text);
    EXPECT_EQ(host.messages[0].caption, "Ошибка");
    EXPECT_EQ(LastWrite(), kProbe);
    EXPECT_EQ(exchange.StageNow(), ProgrammingExchange::Stage::kProbe);
    EXPECT_EQ(exchange.RetryCounter(), 0);

    // The probe's reply leads back to the identification.
    Deliver({0x10, 0x20, 0x30, 0x40, 0x50});
    EXPECT_EQ(LastWrite(), kIdentify);
    EXPECT_EQ(host.writeDisabled, 0);
}

TEST_F(ExchangeTest, WriteLockPatternInProbeReplyDisablesWrite)
{
    host.answers = {Answer::Retry};
    exchange.StartRead();
    for (int i = 0; i < 5; ++i)
        DeliverRefusedIdentification("nothing");
    Deliver({1, 1, 1, 1, 1});
    EXPECT_EQ(host.writeDisabled, 1);
    EXPECT_EQ(LastWrite(), kIdentify);
}

TEST_F(ExchangeTest, RefusedTypeSelectionRetriesThenPromptD)
{
    exchange.StartRead();
    Deliver(BytesOf("Quasar3"));
    Deliver({0x42});  // dropped, timer keeps running
    EXPECT_EQ(port.writes.size(), 2u);
    EXPECT_TRUE(exchange.ResponseTimerArmed());
    for (int i = 0; i < 4; ++i) {
        Deliver({0x15});
        EXPECT_EQ(LastWrite(), kSelectType);
    }
    EXPECT_EQ(port.writes.size(), 6u);
    Deliver({0x15});
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, texts::kDeviceTypeRefused.text);
    EXPECT_EQ(host.states.back(), ControlState::IdleAfterAbort);
    EXPECT_EQ(exchange.StageNow(), ProgrammingExchange::Stage::kIdle);
}

TEST_F(ExchangeTest, InfoReplyRulesAndPromptsEAndF)
{
    exchange.StartRead();
    Deliver(BytesOf("Quasar3"));
    Deliver({0x06});
    Bytes longer = InfoOfType(0);
    longer.push_back(0xEE);
    longer.push_back(0xEF);
    for (int i = 0; i < 4; ++i) {
        Deliver(longer);
        EXPECT_EQ(LastWrite(), kInfoRequest);
        EXPECT_TRUE(port.input.empty());
    }
    host.answers = {Answer::Retry};
    Deliver(longer);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, texts::kNoTransmitter.text);
    EXPECT_EQ(LastWrite(), kIdentify);  // Retry restarts from the identification

    Deliver(BytesOf("Quasar2"));
    Deliver({0x06});
    for (int i = 0; i < 5; ++i)
        Deliver(InfoOfType(77));
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text, texts::kNotATransmitter.text);
    EXPECT_EQ(exchange.Info()[3], 77);
    EXPECT_FALSE(exchange.NoTransmitterFound());

    // A station polling for its next unit: no transmitter ends the read at the first
    // info block, without repeats or a prompt.
    exchange.SetPollingForUnits(true);
    exchange.StartRead();
    Deliver(BytesOf("Quasar3"));
    Deliver({0x06});
    Deliver(InfoOfType(0));
    EXPECT_TRUE(exchange.NoTransmitterFound());
    EXPECT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.states.back(), ControlState::IdleAfterAbort);
    EXPECT_EQ(exchange.StageNow(), ProgrammingExchange::Stage::kIdle);
}

TEST_F(ExchangeTest, ChecksumErrorsRetryThenCancelAcceptsTheBlock)
{
    ReadUpToParameters();
    ParameterBlock damaged = GoodBlock();
    damaged[5] ^= 0x01;
    for (int i = 0; i < 4; ++i) {
        Deliver(BytesOfBlock(damaged));
        EXPECT_EQ(LastWrite(), kParamRequest);
    }
    Deliver(BytesOfBlock(damaged));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, texts::kChecksumError.text);
    EXPECT_EQ(host.messages[0].caption, "Внимание");
    EXPECT_EQ(host.messages[0].flags, MessageFlags::kRetryCancelWarning);
    EXPECT_EQ(exchange.Block(), damaged);
    EXPECT_EQ(host.states.back(), ControlState::IdleAfterSuccess);
    EXPECT_TRUE(host.statusTexts.empty());
    EXPECT_TRUE(port.open);
}

TEST_F(ExchangeTest, UnusedSecondRecordIsNotChecked)
{
    ReadUpToParameters();
    ParameterBlock block = BuildParameterBlock(SynthMode::Legacy, false, false, {16, 91, 400}, {16, 91, 400});
    block[22] ^= 0xFF;
    Deliver(BytesOfBlock(block));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.states.back(), ControlState::IdleAfterSuccess);
}

TEST_F(ExchangeTest, WriteDrainsThenVerifies)
{
    CompleteRead();
    const ParameterBlock written = BuildParameterBlock(SynthMode::Legacy, false, false, {48, 108, 400}, {16, 91, 400});
    exchange.StartWrite(written);
    Bytes expected{0xE0, 0x10};
    expected.insert(expected.end(), written.begin(), written.end());
    EXPECT_EQ(LastWrite(), expected);
    EXPECT_EQ(exchange.StageNow(), ProgrammingExchange::Stage::kWriteDrain);
    EXPECT_EQ(host.parametersShown, 2);

    port.outputCount = 3;
    exchange.PortTxEmpty();
    EXPECT_EQ(exchange.StageNow(), ProgrammingExchange::Stage::kWriteDrain);
    port.outputCount = 0;
    exchange.PortTxEmpty();
    EXPECT_EQ(LastWrite(), kParamRequest);
    EXPECT_EQ(exchange.StageNow(), ProgrammingExchange::Stage::kReadBack);

    // A read-back differing only in a copy counts as different: written again.
    ParameterBlock copyDiffers = written;
    copyDiffers[27] ^= 0x01;
    Deliver(BytesOfBlock(copyDiffers));
    EXPECT_EQ(LastWrite(), expected);
    EXPECT_EQ(exchange.StageNow(), ProgrammingExchange::Stage::kWriteDrain);

    exchange.PortTxEmpty();
    Deliver(BytesOfBlock(written));
    EXPECT_EQ(host.states.back(), ControlState::IdleAfterSuccess);
    ASSERT_EQ(host.statusTexts.size(), 2u);
    EXPECT_NE(host.statusTexts.back().find(texts::kWriteSucceeded), std::string::npos);
}

TEST_F(ExchangeTest, FifthDifferentReadBackAsksPromptH)
{
    CompleteRead();
    const ParameterBlock written = GoodBlock();
    exchange.StartWrite(written);
    ParameterBlock wrong = written;
    wrong[0] ^= 0x02;
    for (int i = 0; i < 5; ++i) {
        exchange.PortTxEmpty();
        Deliver(BytesOfBlock(wrong));
    }
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, texts::kWriteVerifyError.text);
    EXPECT_EQ(host.states.back(), ControlState::IdleAfterAbort);
    EXPECT_TRUE(host.statusTexts.size() == 1);  // only the read's
}

TEST_F(ExchangeTest, TimeoutDuringWriteRetriesWithARead)
{
    CompleteRead();
    host.answers = {Answer::Retry};
    exchange.StartWrite(GoodBlock());
    exchange.PortTxEmpty();
    ASSERT_TRUE(RunUntil([&] { return !host.messages.empty(); }));
    EXPECT_EQ(host.messages[0].text, texts::kTransmitterNotResponding.text);
    EXPECT_EQ(LastWrite(), kIdentify);
    EXPECT_EQ(exchange.StageNow(), ProgrammingExchange::Stage::kIdentification);
}

// A write that ends after bytes of its block went out and before a read-back matched it
// leaves the warning, however it ends; one the line took nothing of does not.
TEST_F(ExchangeTest, UnverifiedWriteIsWarnedOfUntilTheNextSuccess)
{
    ParameterBlock differs = GoodBlock();
    differs[0] ^= 0x02;
    const auto timedOut = [&] { ASSERT_TRUE(RunUntil([&] { return !host.messages.empty(); })); };
    struct Case {
        const char* what;
        bool writeFails;
        bool lineTakesNothing;
        std::function<void()> endWrite;  // after the block is handed to the port
    };
    const Case cases[] = {
        {"read-back differs, prompt H: Cancel", false, false,
         [&] {
             for (int i = 0; i < 5; ++i) {
                 exchange.PortTxEmpty();
                 Deliver(BytesOfBlock(differs));
             }
         }},
        {"no read-back, prompt I: Cancel", false, false,
         [&] {
             exchange.PortTxEmpty();
             timedOut();
         }},
        {"port error", true, false, [] {}},
        {"nothing taken by the line, prompt I: Cancel", false, true, timedOut},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CompleteRead();
        host.messages.clear();
        host.statusWarnings.clear();
        port.failWrite = c.writeFails;
        port.takesNothing = c.lineTakesNothing;
        exchange.StartWrite(GoodBlock());
        c.endWrite();
        port.failWrite = port.takesNothing = false;
        EXPECT_EQ(host.states.back(), ControlState::IdleAfterAbort);
        EXPECT_EQ(exchange.WriteUnverified(), !c.lineTakesNothing);
        ASSERT_EQ(host.statusWarnings.size(), c.lineTakesNothing ? 0u : 1u);
        if (!c.lineTakesNothing) {
            EXPECT_TRUE(host.statusWarnings[0].ends_with("  -  " + texts::kWriteUnverified));
        }
        ASSERT_TRUE(RunUntil([&] { return !exchange.PortCloseTimerArmed(); }));
    }

    // A damaged block taken at prompt G does not tell what the unit holds: still warned.
    exchange.SetShowStatusMessages(false);
    const std::size_t successTexts = host.statusTexts.size();
    CompleteRead();
    host.messages.clear();
    exchange.StartWrite(GoodBlock());
    exchange.PortTxEmpty();
    timedOut();
    host.statusWarnings.clear();
    ReadUpToParameters();
    for (int i = 0; i < 5; ++i)
        Deliver(BytesOfBlock(differs));
    EXPECT_EQ(host.statusWarnings.size(), 1u);
    // A read whose block passed its check does; status texts off, the warning is taken away.
    CompleteRead();
    EXPECT_FALSE(exchange.WriteUnverified());
    EXPECT_EQ(host.statusWarnings, (std::vector<std::string>{host.statusWarnings[0], ""}));
    EXPECT_EQ(host.statusTexts.size(), successTexts);
}

// What Retry restarts after a stage's prompt: the identification after D and G, the
// write again after H.
TEST_F(ExchangeTest, RetryToAStagePromptRestartsItsStep)
{
    ParameterBlock damaged = GoodBlock();
    damaged[5] ^= 0x01;
    struct Case {
        const Message* prompt;
        std::function<void()> toStage;
        Bytes failingReply;
        bool drainFirst;  // a write: the block leaves the port before it is read back
        Bytes restart;
    };
    Bytes writeCommand{0xE0, 0x10};
    const ParameterBlock good = GoodBlock();
    writeCommand.insert(writeCommand.end(), good.begin(), good.end());
    const Case cases[] = {
        {&texts::kDeviceTypeRefused,
         [&] {
             exchange.StartRead();
             Deliver(BytesOf("Quasar3"));
         },
         {0x15},
         false,
         kIdentify},
        {&texts::kChecksumError, [&] { ReadUpToParameters(); }, BytesOfBlock(damaged), false, kIdentify},
        // Retry after a failed verification asks who is connected before writing again.
        {&texts::kWriteVerifyError,
         [&] {
             CompleteRead();
             exchange.StartWrite(GoodBlock());
         },
         BytesOfBlock(damaged), true, kIdentify},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prompt->text);
        host.messages.clear();
        host.answers = {Answer::Retry};
        c.toStage();
        for (int i = 0; i < 5; ++i) {
            if (c.drainFirst)
                exchange.PortTxEmpty();
            Deliver(c.failingReply);
        }
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, c.prompt->text);
        EXPECT_EQ(LastWrite(), c.restart);
        EXPECT_EQ(exchange.RetryCounter(), 0);
        exchange.AbortToIdle();
        exchange.Shutdown();
    }
}

// Retry at the verification prompt: the unit connected is identified as a read begins,
// and the block goes again only to the unit the write was made for.
TEST_F(ExchangeTest, RetryAfterAFailedVerificationWritesOnlyToTheUnitThatWasRead)
{
    ParameterBlock differing = GoodBlock();
    differing[9] ^= 0x01;
    Bytes writeCommand{0xE0, 0x10};
    const ParameterBlock good = GoodBlock();
    writeCommand.insert(writeCommand.end(), good.begin(), good.end());
    struct Case {
        const char* what;
        Bytes connectedInfo;
        bool written;
    };
    Bytes otherSerial = InfoOfType(13);
    otherSerial[2] = 0x35;
    const Case cases[] = {
        {"same unit", InfoOfType(13), true},
        {"other serial number", otherSerial, false},
        {"other device type", InfoOfType(14), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host.messages.clear();
        host.answers = {Answer::Retry};
        CompleteRead();
        const int infoShown = host.deviceInfoShown;
        exchange.StartWrite(GoodBlock());
        for (int i = 0; i < 5; ++i) {
            exchange.PortTxEmpty();
            Deliver(BytesOfBlock(differing));
        }
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(LastWrite(), kIdentify);
        Deliver(BytesOf("Quasar3"));
        Deliver({0x06});
        const std::size_t writesBefore = port.writes.size();
        Deliver(c.connectedInfo);
        EXPECT_EQ(host.deviceInfoShown, infoShown);  // the window keeps showing the unit read
        EXPECT_EQ(InfoBlockView(exchange.Info()).SerialDigits7And8(), 0x34);
        if (c.written) {
            EXPECT_EQ(LastWrite(), writeCommand);
            EXPECT_EQ(exchange.StageNow(), ProgrammingExchange::Stage::kWriteDrain);
            EXPECT_FALSE(exchange.OtherUnitFound());
        } else {
            EXPECT_EQ(port.writes.size(), writesBefore);
            ASSERT_EQ(host.messages.size(), 2u);
            InfoBlock connected{};
            std::copy(c.connectedInfo.begin(), c.connectedInfo.end(), connected.begin());
            EXPECT_EQ(host.messages[1].text, texts::OtherUnitConnected(SerialText(connected)).text);
            EXPECT_EQ(host.messages[1].caption, "Внимание!");
            EXPECT_EQ(host.states.back(), ControlState::IdleAfterAbort);
            EXPECT_TRUE(exchange.OtherUnitFound());
        }
        exchange.AbortToIdle();
        exchange.Shutdown();
    }
}

// Bytes left over from a whole reply (a trailer that arrives after the info block) are
// dropped right before the next command and never start its reply.
TEST_F(ExchangeTest, BytesLeftOverFromAReplyAreDroppedBeforeTheNextCommand)
{
    exchange.StartRead();
    Deliver(BytesOf("Quasar3"));
    Deliver({0x06});
    // The trailer comes during the pause before the parameter request.
    QTimer::singleShot(0, [&] { port.input.insert(port.input.end(), {0x0D, 0x0A}); });
    Deliver(InfoOfType(13));
    ASSERT_EQ(LastWrite(), kParamRequest);
    EXPECT_TRUE(port.input.empty());
    Deliver(BytesOfBlock(GoodBlock()));
    EXPECT_EQ(host.states.back(), ControlState::IdleAfterSuccess);
    EXPECT_EQ(exchange.Block(), GoodBlock());
}

}  // namespace
}  // namespace torv
