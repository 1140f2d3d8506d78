#include "production/operation_record.h"

#include <gtest/gtest.h>

#include "device/blocks.h"
#include "exchange/exchange_texts.h"

namespace torv {
namespace {

TEST(MessageName, PromptsChecksAndPortBusyAreKnownByName)
{
    const std::pair<Message, std::string> cases[] = {
        {texts::kAdapterNotFoundAfterRetries, "A"},
        {texts::kAdapterNotFoundTimeout, "B"},
        {texts::kAdapterNotResponding, "C"},
        {texts::kDeviceTypeRefused, "D"},
        {texts::kNoTransmitter, "E"},
        {texts::kNotATransmitter, "F"},
        {texts::kChecksumError, "G"},
        {texts::kWriteVerifyError, "H"},
        {texts::kTransmitterNotResponding, "I"},
        {texts::NeedsTuning(1, "150,0001"), "W1"},
        {texts::NeedsTuning(2, "150,0001", texts::NearestLine({"150,0000"})), "W2"},
        {texts::OutOfRange(1, "200,0000", texts::BandLine("146,0000", "174,0000")), "W3"},
        {texts::OutOfRange(2, "0"), "W4"},
        {texts::PortBusy("/dev/ttyUSB0"), "port busy"},
        {texts::kGrid25kHzNotice, ""},
        {Message{"Частота №1", "Ошибка", MessageFlags::kOkError}, ""},
    };
    for (const auto& [message, name] : cases)
        EXPECT_EQ(texts::MessageName(message), name) << message.text;
}

// Answers prompts from a script, as the window's operator would.
class ScriptedHost : public ExchangeHost {
public:
    void ShowParameters() override {}
    void ShowDeviceInfo() override { ++deviceInfoShown; }
    void SetControlState(ControlState state) override { states.push_back(state); }
    void DisableWrite() override {}
    void ShowStatusText(const std::string&) override {}
    Answer ShowMessage(const Message&) override { return answer; }
    Answer answer = Answer::Cancel;
    int deviceInfoShown = 0;
    std::vector<ControlState> states;
};

TEST(JournalingHost, OutcomeNamesThePromptsAndTheirAnswers)
{
    ScriptedHost window;
    JournalingHost host(window);
    std::vector<ControlState> finished;
    host.OnFinished = [&](ControlState end) { finished.push_back(end); };

    struct Case {
        std::vector<std::pair<Message, Answer>> shown;
        ControlState end;
        std::string outcome;
        bool success;
    };
    const Case cases[] = {
        {{}, ControlState::IdleAfterSuccess, "success", true},
        {{{texts::kAdapterNotResponding, Answer::Retry}},
         ControlState::IdleAfterSuccess,
         "success after prompt C: Retry",
         true},
        {{{texts::kChecksumError, Answer::Cancel}},
         ControlState::IdleAfterSuccess,
         "prompt G: Cancel (damaged data accepted)",
         false},
        {{{texts::kAdapterNotResponding, Answer::Retry}, {texts::kTransmitterNotResponding, Answer::Cancel}},
         ControlState::IdleAfterAbort,
         "prompt C: Retry; prompt I: Cancel",
         false},
        {{{texts::PortBusy("/dev/ttyUSB0"), Answer::Ok}}, ControlState::IdleAfterAbort, "port busy", false},
        {{{Message{"Read error (5), Input/output error", "Ошибка", MessageFlags::kOkError}, Answer::Ok}},
         ControlState::IdleAfterAbort,
         "Read error (5), Input/output error",
         false},
    };
    for (const Case& c : cases) {
        host.Begin();
        host.SetControlState(ControlState::Busy);
        for (const auto& [message, answer] : c.shown) {
            window.answer = answer;
            host.ShowMessage(message);
        }
        host.SetControlState(c.end);
        EXPECT_EQ(host.Outcome(c.end), c.outcome);
        EXPECT_EQ(host.Succeeded(c.end), c.success) << c.outcome;
        EXPECT_EQ(window.states.back(), c.end);  // passed on
        EXPECT_EQ(finished.back(), c.end);
    }
    EXPECT_EQ(finished.size(), std::size(cases));  // a busy state is no end
    EXPECT_FALSE(host.InfoReached());
    host.ShowDeviceInfo();
    EXPECT_TRUE(host.InfoReached());
    EXPECT_EQ(window.deviceInfoShown, 1);
}

TEST(JournalingHost, ReadAndWriteAreDescribedWithTheirFrequencies)
{
    const InfoBlock info{0x07, 0x12, 0x34, 13, 0x01, 0x23, 12, 3};
    const ParameterBlock before = BuildParameterBlock(SynthMode::Legacy, false, true, {16, 91, 400}, {48, 108, 400});
    const ParameterBlock after = BuildParameterBlock(SynthMode::Legacy, false, false, {48, 108, 400}, {16, 91, 400});
    JournalEntry entry;
    DescribeRead(entry, info, before);
    EXPECT_EQ(entry.deviceType, 13);
    EXPECT_EQ(entry.infoHex,
              "0712340D0123"
              "0C03");
    EXPECT_EQ(entry.blockReadHex.size(), 64u);
    ASSERT_TRUE(entry.f1BeforeMHz && entry.f2BeforeMHz);
    EXPECT_NE(*entry.f1BeforeMHz, *entry.f2BeforeMHz);
    EXPECT_FALSE(entry.serial.empty());

    DescribeWrite(entry, after, std::nullopt);
    EXPECT_EQ(entry.blockWrittenHex.size(), 64u);
    EXPECT_TRUE(entry.readBackHex.empty());
    EXPECT_FALSE(entry.f1AfterMHz);
    DescribeWrite(entry, after, after);
    EXPECT_EQ(entry.readBackHex, entry.blockWrittenHex);
    EXPECT_EQ(entry.f1AfterMHz, entry.f2BeforeMHz);  // the second became the first
    EXPECT_FALSE(entry.f2AfterMHz);                  // and the second is off
}

}  // namespace
}  // namespace torv
