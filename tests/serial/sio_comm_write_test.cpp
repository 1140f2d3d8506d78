// Writing: direct writes held by CTS or XOFF, and the queued-write mode.
#include "event_loop.h"
#include "pty_pair.h"
#include "serial/sio_comm.h"
#include "serial/sio_error.h"
#include "serial/tty_port.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace torv {
namespace {

using testing::ProcessEventsFor;
using testing::RunUntil;
using test::PtyPair;
using Clock = std::chrono::steady_clock;

constexpr int kShortTimeoutMs = 200;

class DirectWrite : public ::testing::Test {
protected:
    void SetUp() override
    {
        ApplyProgrammerPortSettings(port);
        port.SetDeviceName(pty.SlavePath());
        port.Buffers().SetWriteTimeout(kShortTimeoutMs);
    }

    PtyPair pty;
    TSioComm port;
};

TEST_F(DirectWrite, CtsHeldOffGivesZeroAfterTheTimeoutAndSendsNothing)
{
    auto cts = std::make_shared<std::atomic<bool>>(false);
    port.SetModemStatusSource([cts](int) -> std::optional<int> { return *cts ? tty::kCts : 0; });
    port.OpenPort();

    const auto start = Clock::now();
    EXPECT_EQ(port.WriteBytes("\x55", 1), 0);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(kShortTimeoutMs));
    EXPECT_EQ(pty.Receive(50), "");

    *cts = true;
    EXPECT_EQ(port.WriteBytes("\x55", 1), 1);
    EXPECT_EQ(pty.Receive(), "\x55");
}

TEST_F(DirectWrite, BlockedWriteRaisesOnWriteWaitEveryHundredMilliseconds)
{
    port.Buffers().SetWriteTimeout(1500);
    port.SetModemStatusSource([](int) -> std::optional<int> { return 0; });
    std::vector<Clock::time_point> waits;
    port.OnWriteWait = [&](TSioComm* sender) {
        EXPECT_EQ(sender, &port);
        waits.push_back(Clock::now());
    };
    bool otherEventRan = false;
    QMetaObject::invokeMethod(&port, [&] { otherEventRan = true; }, Qt::QueuedConnection);
    port.OpenPort();

    const auto start = Clock::now();
    EXPECT_EQ(port.WriteBytes("\x55", 1), 0);
    EXPECT_GE(waits.size(), 8u);  // 1500 ms at one every 100 ms, allowing for a loaded machine
    EXPECT_LE(waits.size(), 15u);
    ASSERT_FALSE(waits.empty());
    EXPECT_GE(waits.front() - start, std::chrono::milliseconds(95));
    EXPECT_FALSE(otherEventRan);  // nothing else runs while the write blocks
    ProcessEventsFor(10);
    EXPECT_TRUE(otherEventRan);
}

TEST_F(DirectWrite, CtsIsNotWatchedWithoutOutCtsFlow)
{
    port.FlowControl().SetOutCtsFlow(false);
    port.SetModemStatusSource([](int) -> std::optional<int> { return 0; });
    port.OpenPort();
    EXPECT_EQ(port.WriteBytes("ok", 2), 2);
    EXPECT_EQ(pty.Receive(), "ok");
}

TEST_F(DirectWrite, OutputStoppedByXoffTimesOutWithoutKeepingTheCallersBuffer)
{
    port.FlowControl().SetXonXoffOut(true);
    port.OpenPort();
    pty.Send("\x13");  // XOFF
    ProcessEventsFor(20);

    auto data = std::make_unique<std::string>(64, 'A');
    EXPECT_EQ(port.WriteBytes(data->data(), static_cast<int>(data->size())), 0);
    data.reset();  // freed: nothing may read it later

    pty.Send("\x11");  // XON
    pty.Receive(50);
    EXPECT_EQ(port.WriteBytes("B", 1), 1);
    EXPECT_EQ(pty.Receive(), "B");
}

class QueuedWrite : public ::testing::Test {
protected:
    void SetUp() override
    {
        port.SetDeviceName(pty.SlavePath());
        port.Buffers().SetWriteTimeout(kShortTimeoutMs);
    }
    // The transmit-empty handler captures the test's locals; closing the port in the
    // destructor still delivers a notification handed over before.
    void TearDown() override { port.OnTxEmpty = nullptr; }

    PtyPair pty;
    TSioComm port;
};

TEST_F(QueuedWrite, ReturnsAtOnceAndTheWriteThreadReportsTxEmpty)
{
    int txEmpty = 0;
    port.OnTxEmpty = [&](TSioComm*) { ++txEmpty; };
    port.OpenPort();
    EXPECT_EQ(port.WriteBytes("hello", 5), 5);
    EXPECT_EQ(port.WriteBytes(" world", 6), 6);
    std::string received;
    ASSERT_TRUE(RunUntil([&] {
        received += pty.Receive(1);
        return received == "hello world" && txEmpty > 0;
    }));
    EXPECT_EQ(port.OutputCount(), 0);
}

TEST_F(QueuedWrite, FullBufferIsReportedAfterTheWait)
{
    TSioBuffers small;
    small.SetWriteSize(8);
    small.SetWriteTimeout(kShortTimeoutMs);
    port.SetBuffers(small);
    port.FlowControl().SetXonXoffOut(true);
    port.OpenPort();
    pty.Send("\x13");  // XOFF: the write thread cannot empty its buffer
    ProcessEventsFor(20);

    EXPECT_EQ(port.WriteBytes("12345678", 8), 8);
    const auto start = Clock::now();
    try {
        port.WriteBytes("9", 1);
        ADD_FAILURE() << "no room: the write must fail";
    } catch (const ESioCommError& error) {
        EXPECT_STREQ(error.what(), "Output buffer is full. Please check comm status.");
    }
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(kShortTimeoutMs));
    EXPECT_EQ(port.OutputCount(), 8);

    port.PurgeAll();  // drops the queued bytes
    EXPECT_EQ(port.OutputCount(), 0);
    pty.Send("\x11");
    EXPECT_EQ(pty.Receive(50), "");
    EXPECT_EQ(port.WriteBytes("ok", 2), 2);
    EXPECT_EQ(pty.Receive(), "ok");
}

}  // namespace
}  // namespace torv
