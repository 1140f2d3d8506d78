// The exchange's pauses and time-outs at their production lengths: which pause comes
// before which command, and the order of opens, purges, writes and closes. A swapped or
// changed constant fails here.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "exchange/timing.h"
#include "exchange_fixture.h"

namespace torv {
namespace {

using namespace testing::exchange_fixture;
using testing::RunUntil;
using Clock = std::chrono::steady_clock;

// A scripted port that stamps every operation with the time it was made.
class StampedPort : public testing::FakePort {
public:
    struct Event {
        std::string what;
        Clock::time_point at;
    };

    bool Open(const std::string& devicePath) override
    {
        Stamp("open");
        return FakePort::Open(devicePath);
    }
    bool PurgeAll() override
    {
        Stamp("purge");
        return FakePort::PurgeAll();
    }
    int WriteBytes(const std::uint8_t* data, int count) override
    {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", data[0]);
        Stamp(std::string("write ") + hex);
        return FakePort::WriteBytes(data, count);
    }
    void ClosePort() override
    {
        Stamp("close");
        FakePort::ClosePort();
    }

    void Stamp(const std::string& what) { events.push_back({what, Clock::now()}); }

    std::vector<Event> events;
};

class ProductionTimingTest : public ::testing::Test {
protected:
    ProductionTimingTest() { exchange.SetPortDevicePath("/dev/ttyUSB0"); }

    void Deliver(const Bytes& bytes)
    {
        port.Stamp("reply");
        port.input.insert(port.input.end(), bytes.begin(), bytes.end());
        port.dispatching = true;
        exchange.PortRxChar(static_cast<int>(port.input.size()));
        port.dispatching = false;
    }

    // The events from the index on, as text, and the milliseconds between each and the one before.
    std::vector<std::pair<std::string, long>> Since(std::size_t first) const
    {
        std::vector<std::pair<std::string, long>> steps;
        for (std::size_t i = first; i < port.events.size(); ++i) {
            const auto gap = i == 0 ? Clock::duration{} : port.events[i].at - port.events[i - 1].at;
            steps.emplace_back(port.events[i].what, std::chrono::duration_cast<std::chrono::milliseconds>(gap).count());
        }
        return steps;
    }

    StampedPort port;
    testing::FakeHost host;
    ProgrammingExchange exchange{host, port};
};

// Each step's gap lies between its pause and the pause plus a margin for a loaded machine
// that stays below the next longer pause, so that a swap shows. The stamps are whole
// milliseconds: a gap may read 1 ms short.
void ExpectSteps(const std::vector<std::pair<std::string, long>>& steps,
                 const std::vector<std::pair<std::string, int>>& expected)
{
    constexpr int kMarginMs = 90;
    ASSERT_EQ(steps.size(), expected.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(steps[i].first);
        EXPECT_EQ(steps[i].first, expected[i].first);
        EXPECT_GE(steps[i].second, expected[i].second - 1);
        EXPECT_LT(steps[i].second, expected[i].second + kMarginMs);
    }
}

TEST_F(ProductionTimingTest, PausesBelongToTheirCommandsAndEveryWaitIsFiveSeconds)
{
    exchange.StartRead();
    EXPECT_EQ(exchange.ResponseTimerInterval(), 5000);
    Deliver(BytesOf("Quasar3"));
    Deliver({0x06});
    EXPECT_EQ(exchange.ResponseTimerInterval(), 5000);
    Deliver(InfoOfType(13));
    Deliver(BytesOfBlock(GoodBlock()));
    ExpectSteps(Since(0), {{"open", 0},
                           {"purge", 0},
                           {"write 55", 100},
                           {"reply", 0},
                           {"write 61", 200},
                           {"reply", 0},
                           {"write 88", 1500},
                           {"reply", 0},
                           {"write A0", 100},
                           {"reply", 0}});

    // A write goes out at once; the read-back request follows the drain after 100 ms.
    std::size_t mark = port.events.size();
    exchange.StartWrite(GoodBlock());
    EXPECT_EQ(exchange.ResponseTimerInterval(), 5000);
    port.Stamp("drained");
    exchange.PortTxEmpty();
    ExpectSteps(Since(mark), {{"write E0", 0}, {"drained", 0}, {"write A0", 100}});
    Deliver(BytesOfBlock(GoodBlock()));

    // A read on the open port identifies at once; the probe comes 100 ms after a refusal.
    mark = port.events.size();
    host.answers = {Answer::Retry};
    exchange.StartRead();
    for (int i = 0; i < 5; ++i) {
        Deliver(Bytes(64, 'x'));
    }
    ExpectSteps(Since(mark), {{"write 55", 0},
                              {"reply", 0},
                              {"write 55", 0},
                              {"reply", 0},
                              {"write 55", 0},
                              {"reply", 0},
                              {"write 55", 0},
                              {"reply", 0},
                              {"write 55", 0},
                              {"reply", 0},
                              {"write 57", 100}});

    // An abort purges, then closes, 100 ms later.
    mark = port.events.size();
    port.Stamp("abort");
    exchange.AbortToIdle();
    ASSERT_TRUE(RunUntil([&] { return !port.open; }));
    ExpectSteps(Since(mark), {{"abort", 0}, {"purge", 100}, {"close", 0}});
}

}  // namespace
}  // namespace torv
