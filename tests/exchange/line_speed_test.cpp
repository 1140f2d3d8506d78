// The exchange against an adapter that answers at 2400 bit/s, one byte at a time, with
// the production pauses and time-outs, and identification texts as real adapters send them.
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <optional>

#include "exchange/exchange_texts.h"
#include "exchange_line_fixture.h"

namespace torv {
namespace {

using testing::exchange_line::ExchangeLineTest;
using Clock = std::chrono::steady_clock;

class LineSpeedTest : public ExchangeLineTest {
protected:
    LineSpeedTest() : ExchangeLineTest(1) { StartEmulator(MakeContents(), AdapterEmulator::kLineBytePeriod); }

    void SetIdentification(const std::string& text, const std::string& prefix = {})
    {
        EmulatorFaults faults;
        faults.identification.assign(text.begin(), text.end());
        faults.identificationPrefix.assign(prefix.begin(), prefix.end());
        emulator->SetFaults(faults);
    }

    static long MillisecondsSince(Clock::time_point start)
    {
        return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    }
};

TEST_F(LineSpeedTest, ReadsWithEveryKindOfIdentificationText)
{
    const std::pair<std::string, std::string> replies[] = {
        {"Quasar3", ""},
        {"Quasar3\r\n", ""},
        {"Quasar3 v2.1\r\n", ""},
        {"Quasar2 rev.4\r\n", "\r\n"},
        {"Quasar3 programming adapter, fw 2.1\r\n", "L1: "},  // 40 bytes, the word inside
    };
    for (const auto& [text, prefix] : replies) {
        SCOPED_TRACE(prefix + text);
        SetIdentification(text, prefix);
        const Clock::time_point start = Clock::now();
        ASSERT_TRUE(Read());
        EXPECT_TRUE(host.messages.empty());
        // The wall time, for comparison with the floor: pauses plus the bytes' line time.
        std::cout << "[ line speed ] read with a " << (prefix + text).size()
                  << "-byte identification: " << MillisecondsSince(start) << " ms\n";
        exchange.ChangePort(exchange.PortDevicePath());  // the next read opens the port again
    }
}

TEST_F(LineSpeedTest, WriteIsVerifiedAfterALongIdentification)
{
    ASSERT_TRUE(Read());
    const ParameterBlock block = BuildParameterBlock(SynthMode::Legacy, false, false, {48, 108, 400}, {16, 91, 400});
    ASSERT_TRUE(Write(block));
    EXPECT_EQ(emulator->StoredBlock(), block);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(LineSpeedTest, WrongOrShortIdentificationEndsInItsPrompt)
{
    SetIdentification("quasar3 v2.1\r\n");
    EXPECT_FALSE(Read());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, texts::kAdapterNotFoundAfterRetries.text);
    EXPECT_EQ(testing::exchange_line::CommandsOf(*emulator), std::vector<AdapterCommand>(5, AdapterCommand::Identify));

    ASSERT_TRUE(testing::RunUntil([&] { return !comm.IsOpen(); }));
    SetIdentification("Quasar");
    const Clock::time_point start = Clock::now();
    EXPECT_FALSE(Read(8000));  // the whole response time-out, then the prompt
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text, texts::kAdapterNotFoundTimeout.text);
    EXPECT_GE(MillisecondsSince(start), 5000);
}

// Replies holding the byte 0xFF (every grid record; 45 legacy 25 kHz channels such as
// 146.1 MHz), and an info block followed by a line end, read and written at line speed.
TEST_F(LineSpeedTest, UnitsWhoseBlocksHoldTheMarkByteAreReadAndWritten)
{
    struct Case {
        const char* what;
        std::uint8_t type;
        ChannelPlan held;
        std::optional<ChannelPlan> written;
        std::vector<std::uint8_t> infoTrailer;
    };
    const Case cases[] = {
        {"grid, type 13", 13, {SynthMode::Grid, 150.0125}, std::nullopt, {}},
        {"grid, type 14, written", 14, {SynthMode::Grid, 440.025}, ChannelPlan{SynthMode::Grid, 455.5, 460.0}, {}},
        {"grid, type 15", 15, {SynthMode::Grid, 400.025}, std::nullopt, {}},
        {"legacy 146.1", 13, {SynthMode::Legacy, 146.1}, std::nullopt, {}},
        {"legacy, 146.1 written", 13, {SynthMode::Legacy, 146.0}, ChannelPlan{SynthMode::Legacy, 146.1}, {}},
        {"info followed by a line end",
         13,
         {SynthMode::Legacy, 146.0},
         ChannelPlan{SynthMode::Legacy, 146.175},
         {0x0D, 0x0A}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TransmitterContents contents = MakeContents({.deviceType = c.type}, c.held);
        emulator->SetContents(contents);
        EmulatorFaults faults;
        faults.infoTrailer = c.infoTrailer;
        emulator->SetFaults(faults);
        Clock::time_point start = Clock::now();
        ASSERT_TRUE(Read());
        std::cout << "[ line speed ] read, " << c.what << ": " << MillisecondsSince(start) << " ms\n";
        EXPECT_EQ(exchange.Block(), contents.block);
        if (c.written) {
            const ParameterBlock block = MakeParameterBlock(*c.written, c.type);
            start = Clock::now();
            ASSERT_TRUE(Write(block));
            std::cout << "[ line speed ] write, " << c.what << ": " << MillisecondsSince(start) << " ms\n";
            EXPECT_EQ(emulator->StoredBlock(), block);
            ASSERT_TRUE(Read());
            EXPECT_EQ(exchange.Block(), block);
        }
        EXPECT_TRUE(host.messages.empty());
        exchange.ChangePort(exchange.PortDevicePath());  // the next unit opens the port again
    }
}

}  // namespace
}  // namespace torv
