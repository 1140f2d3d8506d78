#include "emulator/command_reader.h"

#include <gtest/gtest.h>

#include <numeric>

namespace torv {
namespace {

using namespace std::chrono_literals;

// Feeds bytes, each 1 ms after the one before, and lists the commands they complete.
class ReaderTest : public ::testing::Test {
protected:
    std::vector<ReceivedCommand> Feed(std::vector<std::uint8_t> bytes)
    {
        std::vector<ReceivedCommand> commands;
        for (const std::uint8_t byte : bytes) {
            now_ += 1ms;
            if (auto command = reader_.Feed(byte, now_))
                commands.push_back(*command);
        }
        return commands;
    }

    std::vector<AdapterCommand> Kinds(std::vector<std::uint8_t> bytes)
    {
        std::vector<AdapterCommand> kinds;
        for (const ReceivedCommand& command : Feed(std::move(bytes)))
            kinds.push_back(command.command);
        return kinds;
    }

    CommandReader reader_;
    EmulatorClock::time_point now_{};
};

using enum AdapterCommand;

TEST_F(ReaderTest, RecognisesEveryCommandAndIgnoresOtherBytes)
{
    EXPECT_EQ(Kinds({0x00, 0x55, 0xFF, 0x57, 0x61, 0x10, 0x80, 0x88, 0x80, 0xA0, 0x10}),
              (std::vector{Identify, Probe, SelectType, InfoRequest, ParamRequest}));
}

TEST_F(ReaderTest, SecondByteThatDoesNotFitIsLookedAtAfresh)
{
    EXPECT_EQ(Kinds({0x88, 0x55}), std::vector{Identify});
    EXPECT_EQ(Kinds({0xA0, 0x88, 0x80}), std::vector{InfoRequest});
    EXPECT_EQ(Kinds({0xE0, 0x80, 0xA0, 0x10}), std::vector{ParamRequest});
    // 0x88 then 0x10 is no command; the 0x10 begins none either.
    EXPECT_TRUE(Kinds({0x88, 0x10, 0x80}).empty());
}

TEST_F(ReaderTest, WriteTakesThirtyTwoBytesWhateverTheyHold)
{
    ParameterBlock block{};
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = (i % 2 == 0) ? 0x55 : 0xA0;  // command bytes inside the payload
    std::vector<std::uint8_t> bytes{0xE0, 0x10};
    bytes.insert(bytes.end(), block.begin(), block.end());
    bytes.push_back(0x57);

    const std::vector<ReceivedCommand> commands = Feed(bytes);
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].command, ParamWrite);
    ASSERT_TRUE(commands[0].written);
    EXPECT_EQ(*commands[0].written, block);
    EXPECT_EQ(commands[0].at, now_ - 1ms);  // the time of the write's last byte
    EXPECT_EQ(commands[1].command, Probe);
    EXPECT_FALSE(commands[1].written);
}

TEST_F(ReaderTest, CommandLeftIncompleteTooLongIsDropped)
{
    // A write broken off after 10 payload bytes: what follows a long pause is new.
    std::vector<std::uint8_t> start{0xE0, 0x10};
    start.resize(12, 0x00);
    EXPECT_TRUE(Feed(start).empty());
    now_ += CommandReader::kGapLimit;
    EXPECT_EQ(Kinds({0x55}), std::vector{Identify});

    EXPECT_TRUE(Kinds({0xA0}).empty());
    now_ += CommandReader::kGapLimit - 1ms;  // the second byte 1 ms inside the limit
    EXPECT_EQ(Kinds({0x10}), std::vector{ParamRequest});
}

TEST(CommandNames, RoundTrip)
{
    for (const AdapterCommand command : {Identify, Probe, SelectType, InfoRequest, ParamRequest, ParamWrite})
        EXPECT_EQ(CommandFromName(CommandName(command)), command);
    EXPECT_FALSE(CommandFromName("Identify"));
    EXPECT_FALSE(CommandFromName(""));
}

}  // namespace
}  // namespace torv
