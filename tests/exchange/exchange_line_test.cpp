// The exchange over a real pseudo-terminal line, against the emulated adapter.
#include <gtest/gtest.h>

#include "exchange/exchange_texts.h"
#include "exchange_line_fixture.h"

namespace torv {
namespace {

using testing::RunUntil;
using testing::exchange_line::CommandsOf;
using testing::exchange_line::ExchangeLineTest;

TEST_F(ExchangeLineTest, ReadsEveryDeviceTypeInBothModes)
{
    struct Case {
        std::uint8_t type;
        ChannelPlan plan;
    };
    const Case cases[] = {
        {13, {SynthMode::Legacy, 150.0, 160.0, false}},        {13, {SynthMode::Grid, 146.0125, std::nullopt, false}},
        {14, {SynthMode::Legacy, 440.0, std::nullopt, false}}, {14, {SynthMode::Grid, 469.9875, 440.025, true}},
        {15, {SynthMode::Legacy, 410.0, 420.0, false}},        {15, {SynthMode::Grid, 400.0125, std::nullopt, false}},
    };
    for (const Case& c : cases) {
        TransmitterIdentity identity;
        identity.deviceType = c.type;
        const TransmitterContents contents = MakeContents(identity, c.plan);
        if (!emulator)
            StartEmulator(contents);
        emulator->SetContents(contents);
        ASSERT_TRUE(Read()) << int(c.type);
        EXPECT_EQ(exchange.Block(), contents.block);
        EXPECT_EQ(exchange.Info(), contents.info);
        EXPECT_TRUE(host.messages.empty());
    }
    // The port stayed open between reads: one identification each, no reopening.
    EXPECT_EQ(host.deviceInfoShown, 6);
}

TEST_F(ExchangeLineTest, WriteIsStoredAndVerified)
{
    StartEmulator();
    ASSERT_TRUE(Read());
    const ParameterBlock block = BuildParameterBlock(SynthMode::Legacy, false, true, {48, 108, 400}, {16, 91, 400});
    ASSERT_TRUE(Write(block));
    EXPECT_EQ(emulator->StoredBlock(), block);
    const std::vector<AdapterCommand> commands = CommandsOf(*emulator);
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[commands.size() - 2], AdapterCommand::ParamWrite);
    EXPECT_EQ(commands.back(), AdapterCommand::ParamRequest);
    EXPECT_NE(host.statusTexts.back().find(texts::kWriteSucceeded), std::string::npos);
}

TEST_F(ExchangeLineTest, ReadBackDifferingInACopyIsWrittenAgain)
{
    StartEmulator();
    ASSERT_TRUE(Read());
    EmulatorFaults faults;
    faults.corruptReadbackCount = 1;
    faults.corruptByte = 27;
    emulator->SetFaults(faults);
    const ParameterBlock block = BuildParameterBlock(SynthMode::Legacy, false, false, {16, 91, 400}, {16, 91, 400});
    ASSERT_TRUE(Write(block));
    const std::vector<AdapterCommand> commands = CommandsOf(*emulator);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), AdapterCommand::ParamWrite), 2);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ExchangeLineTest, PromptsOverTheLineWithBothAnswers)
{
    StartEmulator();
    EmulatorFaults faults;
    faults.nakCount = 5;
    emulator->SetFaults(faults);
    host.answers = {Answer::Retry};
    ASSERT_TRUE(Read());  // five refusals, prompt D, Retry, then the selection is accepted
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, texts::kDeviceTypeRefused.text);
    EXPECT_EQ(host.messages[0].caption, "Ошибка");
    EXPECT_EQ(host.messages[0].flags, MessageFlags::kRetryCancelError);

    faults = {};
    faults.wrongTypeCount = 5;
    faults.wrongType = 0;
    emulator->SetFaults(faults);
    EXPECT_FALSE(Read());  // prompt E answered Cancel
    EXPECT_EQ(host.messages.back().text, texts::kNoTransmitter.text);
    EXPECT_TRUE(RunUntil([&] { return !comm.IsOpen(); }));

    faults = {};
    faults.badCrcCount = 5;
    emulator->SetFaults(faults);
    EXPECT_TRUE(Read());  // prompt G answered Cancel accepts the block
    EXPECT_EQ(host.messages.back().text, texts::kChecksumError.text);
    EXPECT_EQ(host.messages.back().flags, MessageFlags::kRetryCancelWarning);
    EXPECT_FALSE(ParameterBlockIntact(exchange.Block()));

    faults = {};
    faults.corruptReadbackCount = 5;
    emulator->SetFaults(faults);
    host.answers = {Answer::Retry};
    const ParameterBlock block = BuildParameterBlock(SynthMode::Legacy, false, false, {16, 91, 400}, {16, 91, 400});
    EXPECT_TRUE(Write(block));  // prompt H, Retry writes again and verifies
    EXPECT_EQ(host.messages.back().text, texts::kWriteVerifyError.text);
    EXPECT_EQ(emulator->StoredBlock(), block);
}

TEST_F(ExchangeLineTest, WrongIdentificationFiveTimesThenProbe)
{
    StartEmulator();
    EmulatorFaults faults;
    faults.identification = {'q', 'u', 'a', 's', 'a', 'r', '3'};
    emulator->SetFaults(faults);
    host.answers = {Answer::Retry};
    host.duringMessage = [&](const Message&) {
        emulator->SetFaults(EmulatorFaults{});
        host.duringMessage = nullptr;
    };
    ASSERT_TRUE(Read());
    EXPECT_EQ(host.messages[0].text, texts::kAdapterNotFoundAfterRetries.text);
    const std::vector<AdapterCommand> commands = CommandsOf(*emulator);
    ASSERT_GE(commands.size(), 7u);
    EXPECT_EQ(std::vector<AdapterCommand>(commands.begin(), commands.begin() + 7),
              (std::vector<AdapterCommand>{AdapterCommand::Identify, AdapterCommand::Identify, AdapterCommand::Identify,
                                           AdapterCommand::Identify, AdapterCommand::Identify, AdapterCommand::Probe,
                                           AdapterCommand::Identify}));
}

TEST_F(ExchangeLineTest, IdentificationAfterAZeroByteIsNotFound)
{
    StartEmulator();
    EmulatorFaults faults;
    faults.identification = {'O', 'K', 0, 'Q', 'u', 'a', 's', 'a', 'r', '2'};
    emulator->SetFaults(faults);
    EXPECT_FALSE(Read());
    EXPECT_EQ(host.messages.back().text, texts::kAdapterNotFoundAfterRetries.text);
}

TEST_F(ExchangeLineTest, SilenceGivesTheTimeoutPromptOfItsStage)
{
    StartEmulator();
    const std::pair<AdapterCommand, const Message*> cases[] = {
        {AdapterCommand::Identify, &texts::kAdapterNotFoundTimeout},
        {AdapterCommand::SelectType, &texts::kAdapterNotResponding},
        {AdapterCommand::InfoRequest, &texts::kTransmitterNotResponding},
        {AdapterCommand::ParamRequest, &texts::kTransmitterNotResponding},
    };
    for (const auto& [command, prompt] : cases) {
        EmulatorFaults faults;
        faults.silent[command] = 1;
        emulator->SetFaults(faults);
        host.answers = {Answer::Retry};  // the retry starts again from the identification and succeeds
        ASSERT_TRUE(Read());
        EXPECT_EQ(host.messages.back().text, prompt->text);
    }
}

TEST_F(ExchangeLineTest, SplitIdentificationAndWriteLockInProbe)
{
    StartEmulator();
    EmulatorFaults faults;
    faults.split[AdapterCommand::Identify] = ReplySplit{{4, 5}, std::chrono::milliseconds(20)};
    faults.identification = {'Q', 'u', 'a', 's', 'a', 'r', '3', '\r', '\n'};
    emulator->SetFaults(faults);
    ASSERT_TRUE(Read());
    EXPECT_TRUE(host.messages.empty());

    faults = {};
    faults.identification = {'n', 'o', 'p', 'e', '!', '!', '!'};
    faults.writeLock = true;
    emulator->SetFaults(faults);
    host.answers = {Answer::Retry};
    host.duringMessage = [&](const Message&) {
        EmulatorFaults lockOnly;
        lockOnly.writeLock = true;
        emulator->SetFaults(lockOnly);
        host.duringMessage = nullptr;
    };
    ASSERT_TRUE(Read());
    EXPECT_EQ(host.writeDisabled, 1);
}

TEST_F(ExchangeLineTest, StrayBytesAndFloodsWhileIdle)
{
    StartEmulator();
    ASSERT_TRUE(Read());
    emulator->Inject({1, 1, 1, 1, 1});
    EXPECT_TRUE(RunUntil([&] { return host.writeDisabled == 1; }));

    // The flood may reach the port in several pieces: it is gone once the line has
    // stayed quiet for a while.
    emulator->Inject(GarbageBytes(200));
    EXPECT_TRUE(RunUntil([&] { return comm.InputCount() < 5; }));
    testing::ProcessEventsFor(100);
    EXPECT_LT(comm.InputCount(), 5);
    ASSERT_TRUE(Read());

    // Fewer than five stray bytes stay queued and join the next identification reply.
    emulator->Inject({'Q', 'u', 'a'});
    ASSERT_TRUE(RunUntil([&] { return comm.InputCount() == 3; }));
    EmulatorFaults faults;
    faults.identification = {'s', 'a', 'r', '3'};
    emulator->SetFaults(faults);
    ASSERT_TRUE(Read());
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ExchangeLineTest, LineHangingUpMidReadEndsCleanlyAndANewLineWorks)
{
    StartEmulator();
    EmulatorFaults faults;
    faults.silent[AdapterCommand::InfoRequest] = kAlways;
    emulator->SetFaults(faults);
    exchange.StartRead();
    ASSERT_TRUE(RunUntil([&] { return exchange.StageNow() == ProgrammingExchange::Stage::kInfoBlock; }));
    emulator->HangUp();
    host.answers = {Answer::Retry};
    EXPECT_FALSE(Finish());  // time-out, Retry cannot write on the dead line: port-busy message
    EXPECT_EQ(host.messages.back().text, texts::PortBusy(exchange.PortDevicePath()).text);
    EXPECT_TRUE(RunUntil([&] { return !comm.IsOpen(); }));

    emulator->Reopen();
    emulator->SetFaults(EmulatorFaults{});
    exchange.ChangePort(emulator->SlavePath());
    EXPECT_TRUE(Read());
}

}  // namespace
}  // namespace torv
