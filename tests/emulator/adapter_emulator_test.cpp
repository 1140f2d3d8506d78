#include "emulator/adapter_emulator.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <optional>
#include <thread>

#include "line_client.h"

namespace torv {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::LineClient;
using enum AdapterCommand;

const Bytes kIdentify{0x55};
const Bytes kProbe{0x57};
const Bytes kSelectType{0x61};
const Bytes kInfoRequest{0x88, 0x80};
const Bytes kParamRequest{0xA0, 0x10};
// The default identification reply runs on past the word, as a real adapter's does.
const std::string kIdText = "Quasar3 v2.1\r\n";
const Bytes kIdReply(kIdText.begin(), kIdText.end());
const Bytes kWriteLock(5, 0x01);

Bytes AsBytes(const auto& block)
{
    return Bytes(block.begin(), block.end());
}

Bytes WriteCommand(const ParameterBlock& block)
{
    Bytes command{0xE0, 0x10};
    command.insert(command.end(), block.begin(), block.end());
    return command;
}

// A block unlike the default one: grid mode, both channels in use.
ParameterBlock GridBlock()
{
    return MakeParameterBlock({.mode = SynthMode::Grid, .f1MHz = 146.0125, .f2MHz = 173.5}, 13);
}

std::vector<AdapterCommand> Kinds(const std::vector<ReceivedCommand>& commands)
{
    std::vector<AdapterCommand> kinds;
    for (const ReceivedCommand& command : commands)
        kinds.push_back(command.command);
    return kinds;
}

class EmulatorTest : public ::testing::Test {
protected:
    explicit EmulatorTest(TransmitterContents contents = MakeContents()) : emulator_(contents)
    {
        emulator_.Start();
        client_.emplace(emulator_.SlavePath());
    }

    void SetFaults(const std::function<void(EmulatorFaults&)>& change)
    {
        EmulatorFaults faults;
        change(faults);
        emulator_.SetFaults(faults);
    }

    LineClient& Client() { return *client_; }

    AdapterEmulator emulator_;
    std::optional<LineClient> client_;
};

TEST_F(EmulatorTest, AnswersEveryReadCommand)
{
    const TransmitterContents contents = MakeContents();
    EXPECT_EQ(Client().Exchange(kIdentify, kIdReply.size()), kIdReply);
    const Bytes probe = Client().Exchange(kProbe, 5);
    EXPECT_EQ(probe.size(), 5u);
    EXPECT_NE(probe, kWriteLock);
    EXPECT_EQ(Client().Exchange(kSelectType, 1), Bytes{0x06});
    EXPECT_EQ(Client().Exchange(kInfoRequest, 8), AsBytes(contents.info));
    EXPECT_EQ(Client().Exchange(kParamRequest, 32), AsBytes(contents.block));
    EXPECT_TRUE(Client().StaysQuiet());
    EXPECT_EQ(Kinds(emulator_.Commands()), (std::vector{Identify, Probe, SelectType, InfoRequest, ParamRequest}));

    // Text before the word goes out ahead of the reply.
    SetFaults([](EmulatorFaults& faults) { faults.identificationPrefix = {'\r', '\n', '>'}; });
    Bytes prefixed{'\r', '\n', '>'};
    prefixed.insert(prefixed.end(), kIdReply.begin(), kIdReply.end());
    EXPECT_EQ(Client().Exchange(kIdentify, prefixed.size()), prefixed);
}

TEST_F(EmulatorTest, StoresAWrittenBlockWithoutReplyingAndReadsItBack)
{
    // Command bytes inside the payload must not be taken for commands.
    ParameterBlock block = GridBlock();
    block[10] = 0x55;
    block[26] = 0x88;
    block[27] = 0x80;
    Client().Send(WriteCommand(block));
    ASSERT_TRUE(emulator_.WaitForCommands(1, 2s));
    EXPECT_TRUE(Client().StaysQuiet());
    EXPECT_EQ(emulator_.StoredBlock(), block);
    const std::vector<ReceivedCommand> commands = emulator_.Commands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].command, ParamWrite);
    EXPECT_EQ(commands[0].written, block);
    EXPECT_EQ(Client().Exchange(kParamRequest, 32), AsBytes(block));
}

TEST_F(EmulatorTest, FindsCommandsSplitJoinedAndAmongNoise)
{
    Client().Send({0x00, 0x88});
    ASSERT_TRUE(Client().StaysQuiet(30ms));
    Client().Send({0x80, 0xFF, 0xA0, 0x42, 0xA0});
    Client().Send({0x10, 0x88, 0x55});

    Bytes expected = AsBytes(emulator_.Info());
    const ParameterBlock block = emulator_.StoredBlock();
    expected.insert(expected.end(), block.begin(), block.end());
    expected.insert(expected.end(), kIdReply.begin(), kIdReply.end());
    EXPECT_EQ(Client().Receive(expected.size()), expected);
    EXPECT_TRUE(Client().StaysQuiet());
    EXPECT_EQ(Kinds(emulator_.Commands()), (std::vector{InfoRequest, ParamRequest, Identify}));
}

class NoTransmitterTest : public EmulatorTest {
protected:
    NoTransmitterTest() : EmulatorTest(MakeContents({.deviceType = 0})) {}
};

TEST_F(NoTransmitterTest, AdapterAnswersButParameterCommandsGetNothing)
{
    EXPECT_EQ(Client().Exchange(kIdentify, kIdReply.size()), kIdReply);
    EXPECT_EQ(Client().Exchange(kProbe, 5).size(), 5u);
    EXPECT_EQ(Client().Exchange(kSelectType, 1), Bytes{0x06});
    EXPECT_EQ(Client().Exchange(kInfoRequest, 8).at(3), 0);

    const ParameterBlock before = emulator_.StoredBlock();
    Client().Send(kParamRequest);
    Client().Send(WriteCommand(GridBlock()));
    ASSERT_TRUE(emulator_.WaitForCommands(6, 2s));
    EXPECT_TRUE(Client().StaysQuiet());
    EXPECT_EQ(emulator_.StoredBlock(), before);
}

TEST_F(EmulatorTest, SelectionRefusalsAndWrongTypesCountDown)
{
    SetFaults([](EmulatorFaults& faults) {
        faults.nakCount = 2;
        faults.wrongType = 77;
        faults.wrongTypeCount = 1;
        faults.infoTrailer = {0xAA, 0xBB};
    });
    EXPECT_EQ(Client().Exchange(kSelectType, 1), Bytes{0x15});
    EXPECT_EQ(Client().Exchange(kSelectType, 1), Bytes{0x15});
    EXPECT_EQ(Client().Exchange(kSelectType, 1), Bytes{0x06});

    const Bytes wrong = Client().Exchange(kInfoRequest, 10);
    ASSERT_EQ(wrong.size(), 10u);
    EXPECT_EQ(wrong[3], 77);
    EXPECT_EQ(Bytes(wrong.begin() + 8, wrong.end()), (Bytes{0xAA, 0xBB}));
    EXPECT_EQ(Client().Exchange(kInfoRequest, 10).at(3), 13);

    const EmulatorFaults left = emulator_.Faults();
    EXPECT_EQ(left.nakCount, 0);
    EXPECT_EQ(left.wrongTypeCount, 0);
}

TEST_F(EmulatorTest, BadCrcDamagesRecordOneOnly)
{
    SetFaults([](EmulatorFaults& faults) { faults.badCrcCount = 1; });
    const ParameterBlock stored = emulator_.StoredBlock();
    const Bytes damaged = Client().Exchange(kParamRequest, 32);
    ASSERT_EQ(damaged.size(), 32u);
    ParameterBlock received{};
    std::copy(damaged.begin(), damaged.end(), received.begin());
    EXPECT_FALSE(ParameterBlockIntact(received));
    EXPECT_TRUE(std::equal(received.begin(), received.begin() + 6, stored.begin()));  // data bytes kept
    EXPECT_TRUE(std::equal(received.begin() + 8, received.end(), stored.begin() + 8));

    EXPECT_EQ(Client().Exchange(kParamRequest, 32), AsBytes(stored));
}

TEST_F(EmulatorTest, CorruptedReadBackDiffersInTheChosenByteOnly)
{
    SetFaults([](EmulatorFaults& faults) {
        faults.corruptReadbackCount = 1;
        faults.corruptByte = 9;
    });
    // A read with no write before it is no read-back.
    const ParameterBlock initial = emulator_.StoredBlock();
    EXPECT_EQ(Client().Exchange(kParamRequest, 32), AsBytes(initial));

    const ParameterBlock written = GridBlock();
    Client().Send(WriteCommand(written));
    const Bytes readBack = Client().Exchange(kParamRequest, 32);
    ASSERT_EQ(readBack.size(), 32u);
    for (std::size_t i = 0; i < readBack.size(); ++i)
        EXPECT_EQ(readBack[i] != written[i], i == 9) << "byte " << i;
    EXPECT_EQ(emulator_.StoredBlock(), written);

    Client().Send(WriteCommand(written));
    EXPECT_EQ(Client().Exchange(kParamRequest, 32), AsBytes(written));
}

TEST_F(EmulatorTest, ProbeShowsTheWriteLockAndIdentificationIsConfigurable)
{
    const Bytes oddText{'x', 'Q', 'u', 'a', 's', 'a', 'r', '2', 0x00, 'q'};
    SetFaults([&](EmulatorFaults& faults) {
        faults.writeLock = true;
        faults.identification = oddText;
    });
    EXPECT_EQ(Client().Exchange(kProbe, 5), kWriteLock);
    EXPECT_EQ(Client().Exchange(kIdentify, oddText.size()), oddText);
    EXPECT_TRUE(Client().StaysQuiet());
}

TEST_F(EmulatorTest, SilentCommandsAreLoggedButNotAnswered)
{
    SetFaults([](EmulatorFaults& faults) {
        faults.silent[Identify] = 1;
        faults.silent[ParamRequest] = kAlways;
        faults.silent[ParamWrite] = 1;
    });
    Client().Send(kIdentify);
    EXPECT_TRUE(Client().StaysQuiet());
    EXPECT_EQ(Client().Exchange(kIdentify, kIdReply.size()), kIdReply);

    const ParameterBlock before = emulator_.StoredBlock();
    Client().Send(WriteCommand(GridBlock()));
    for (int i = 0; i < 3; ++i)
        Client().Send(kParamRequest);
    ASSERT_TRUE(emulator_.WaitForCommands(6, 2s));
    EXPECT_TRUE(Client().StaysQuiet());
    EXPECT_EQ(emulator_.StoredBlock(), before);
    EXPECT_EQ(emulator_.Faults().silent.at(ParamRequest), kAlways);

    Client().Send(WriteCommand(GridBlock()));
    ASSERT_TRUE(emulator_.WaitForCommands(7, 2s));
    EXPECT_EQ(emulator_.StoredBlock(), GridBlock());
}

TEST_F(EmulatorTest, SplitReplyComesInPiecesWithAPause)
{
    SetFaults([](EmulatorFaults& faults) { faults.split[Identify] = ReplySplit{{4}, 150ms}; });
    const auto start = std::chrono::steady_clock::now();
    Client().Send(kIdentify);
    EXPECT_EQ(Client().Receive(4), Bytes(kIdReply.begin(), kIdReply.begin() + 4));
    EXPECT_TRUE(Client().StaysQuiet(50ms));
    EXPECT_EQ(Client().Receive(kIdReply.size() - 4), Bytes(kIdReply.begin() + 4, kIdReply.end()));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);
    // Other commands are not split.
    EXPECT_EQ(Client().Exchange(kInfoRequest, 8).size(), 8u);
}

TEST_F(EmulatorTest, InjectedBytesArriveAndServingGoesOn)
{
    emulator_.Inject(kWriteLock);
    EXPECT_EQ(Client().Receive(5), kWriteLock);
    const Bytes flood = GarbageBytes(200);
    emulator_.Inject(flood);
    EXPECT_EQ(Client().Receive(200), flood);
    EXPECT_EQ(Client().Exchange(kIdentify, kIdReply.size()), kIdReply);
}

TEST_F(EmulatorTest, FloodBeyondTheLinesQueueWaitsForTheReader)
{
    // Far more than the slave's input queue holds: the emulator must neither block
    // nor drop bytes while the program is not reading.
    const Bytes flood = GarbageBytes(100'000, 7);
    emulator_.Inject(flood);
    Client().Send(kInfoRequest);
    ASSERT_TRUE(emulator_.WaitForCommands(1, 2s));  // still taking commands
    EXPECT_EQ(Client().Receive(flood.size(), 5s), flood);
    EXPECT_EQ(Client().Receive(8), AsBytes(emulator_.Info()));  // the reply follows the flood
}

TEST_F(EmulatorTest, HangUpEndsTheLineAndReopenGivesANewOne)
{
    const std::string firstPath = emulator_.SlavePath();
    emulator_.HangUp();
    EXPECT_TRUE(emulator_.SlavePath().empty());
    pollfd fds{Client().Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&fds, 1, 1000), 1);
    EXPECT_TRUE(fds.revents & (POLLHUP | POLLERR));
    std::uint8_t byte = 0;
    EXPECT_LE(::read(Client().Fd(), &byte, 1), 0);

    emulator_.Reopen();
    const std::string secondPath = emulator_.SlavePath();
    EXPECT_FALSE(secondPath.empty());
    EXPECT_NE(secondPath, firstPath);  // the old slave is still open here
    client_.emplace(secondPath);
    EXPECT_EQ(Client().Exchange(kIdentify, kIdReply.size()), kIdReply);
}

TEST_F(EmulatorTest, ProgramMayCloseAndReopenTheSlave)
{
    EXPECT_EQ(Client().Exchange(kIdentify, kIdReply.size()), kIdReply);
    client_.reset();
    // Sent while nobody has the line open: kept for the next opener.
    emulator_.Inject({0x01, 0x02, 0x03});
    std::this_thread::sleep_for(50ms);  // let them go out before the line is opened again
    client_.emplace(emulator_.SlavePath(), /*purge=*/false);
    EXPECT_EQ(Client().Receive(3), (Bytes{0x01, 0x02, 0x03}));

    // Closed in the middle of a reply going out.
    SetFaults([](EmulatorFaults& faults) { faults.split[ParamRequest] = ReplySplit{{10}, 200ms}; });
    Client().Send(kParamRequest);
    EXPECT_EQ(Client().Receive(10).size(), 10u);
    client_.reset();
    client_.emplace(emulator_.SlavePath());
    EXPECT_EQ(Client().Receive(22).size(), 22u);  // the rest was still to come: it is not lost
    EXPECT_EQ(Client().Exchange(kSelectType, 1), Bytes{0x06});
}

TEST_F(EmulatorTest, SurvivesGarbageAndBrokenOffCommands)
{
    Client().Send(GarbageBytes(3000, 3));
    // Garbage holds stray commands; whatever they bring back is drained. A command
    // left half-way is dropped once the line has been quiet long enough.
    Client().DrainUntilQuiet(CommandReader::kGapLimit + 100ms);
    EXPECT_EQ(Client().Exchange(kIdentify, kIdReply.size()), kIdReply);
    EXPECT_TRUE(Client().StaysQuiet());
}

TEST_F(EmulatorTest, WaitForCommandsTimesOut)
{
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(emulator_.WaitForCommands(1, 50ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
}

TEST(EmulatorPacing, RepliesTakeOneBytePeriodPerByte)
{
    constexpr auto period = AdapterEmulator::kLineBytePeriod;
    AdapterEmulator emulator(MakeContents(), period);
    emulator.Start();
    LineClient client(emulator.SlavePath());

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.Exchange(kParamRequest, 32), AsBytes(emulator.StoredBlock()));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 31 * period);
}

TEST(EmulatorLifetime, StopsWhileAReplyIsGoingOut)
{
    AdapterEmulator emulator(MakeContents(), std::chrono::milliseconds(50));
    emulator.Start();
    LineClient client(emulator.SlavePath());
    client.Send(kParamRequest);
    ASSERT_TRUE(emulator.WaitForCommands(1, 2s));
    // The destructor must not wait for the remaining 1.5 s of the reply.
}

TEST(EmulatorLifetime, CallsBeforeStartAreRefused)
{
    AdapterEmulator emulator(MakeContents());
    EXPECT_TRUE(emulator.SlavePath().empty());
    EXPECT_THROW(emulator.HangUp(), std::logic_error);
    EXPECT_THROW(emulator.Inject({0x01}), std::logic_error);
    EmulatorFaults faults;
    faults.corruptByte = 32;
    EXPECT_THROW(emulator.SetFaults(faults), std::invalid_argument);
}

}  // namespace
}  // namespace torv
