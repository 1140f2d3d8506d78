// The trace shows every byte that arrives once, in order, with what became of it.
#include "cli/traced_port.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "exchange_fakes.h"

namespace torv::cli {
namespace {

using torv::testing::BytesOf;
using torv::testing::FakePort;

// The trace's lines without their time stamps.
std::vector<std::string> Events(const std::string& trace)
{
    std::vector<std::string> events;
    std::istringstream lines(trace);
    const std::regex stamped(R"(\[ *\d+ ms\] (.*))");
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        EXPECT_TRUE(std::regex_match(line, match, stamped)) << line;
        events.push_back(match[1]);
    }
    return events;
}

TEST(TracedPort, ConsumedDroppedPurgedAndLeftAtClose)
{
    FakePort line;
    std::ostringstream trace;
    TracedPort port(line, &trace);
    ASSERT_TRUE(port.Open("/dev/ttyUSB0"));
    const std::uint8_t identify = 0x55;
    EXPECT_EQ(port.WriteBytes(&identify, 1), 1);

    line.input.assign({'Q', 'u', 'a'});
    std::uint8_t buffer[2];
    EXPECT_EQ(port.ReadBytes(buffer, 2), 2);
    EXPECT_EQ(port.DropBytes(1), 1);
    // A flood: what the exchange has no room for is dropped, the rest waits for the purge.
    for (int i = 0; i < 100; ++i)
        line.input.push_back(static_cast<std::uint8_t>(i));
    EXPECT_EQ(port.DropBytes(70), 70);
    EXPECT_TRUE(port.PurgeAll());
    line.input.assign({0x06, 0x15});
    port.ClosePort();

    const auto bytes = [](const char* mark, int from, int to) {
        std::string text = mark;
        for (int i = from; i < to; ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", i);
            text += hex;
        }
        return text;
    };
    const std::vector<std::string> expected = {"open /dev/ttyUSB0",        "> 55",
                                               "< consumed 51 75",         "< dropped 61",
                                               bytes("< dropped", 0, 64),  bytes("< dropped", 64, 70),
                                               bytes("< purged", 70, 100), "purge",
                                               "< left at close 06 15",    "close"};
    EXPECT_EQ(Events(trace.str()), expected);
    EXPECT_EQ(port.BytesWritten(), 1);
}

TEST(TracedPort, AWriteThatFailedIsNotTracedAsSent)
{
    FakePort line;
    std::ostringstream trace;
    TracedPort port(line, &trace);
    ASSERT_TRUE(port.Open("/dev/ttyUSB0"));
    line.failWrite = true;
    const std::uint8_t block[] = {0xE0, 0x10};
    EXPECT_EQ(port.WriteBytes(block, 2), -1);
    EXPECT_EQ(Events(trace.str()), (std::vector<std::string>{"open /dev/ttyUSB0", "> failed E0 10",
                                                             "write failed: Write error (5), Input/output error"}));
    EXPECT_EQ(port.BytesWritten(), 0);
}

TEST(TracedPort, WithoutTraceNothingIsReadAhead)
{
    FakePort line;
    TracedPort port(line, nullptr);
    ASSERT_TRUE(port.Open("/dev/ttyUSB0"));
    line.input.assign({1, 2, 3});
    EXPECT_EQ(port.DropBytes(2), 2);
    EXPECT_EQ(line.dropped, 2);
    EXPECT_TRUE(port.PurgeAll());
    EXPECT_EQ(line.purges, 1);
    port.ClosePort();
    line.failOpen = true;
    EXPECT_FALSE(port.Open("/dev/ttyUSB1"));
    EXPECT_NE(port.OpenError().value_or(""), "");
}

}  // namespace
}  // namespace torv::cli
