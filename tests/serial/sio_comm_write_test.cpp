// Writing: direct writes held by CTS or XOFF, and the queued-write mode.
#include "event_loop.h"
#include "fake_uart.h"
#include "pty_pair.h"
#include "serial/sio_comm.h"
#include "serial/sio_error.h"
#include "serial/tty_port.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace torv {
namespace {

using test::PtyPair;
using testing::ProcessEventsFor;
using testing::RunUntil;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kShortTimeoutMs = 200;

// Sends XOFF to the open port and waits until the line has taken it: the byte sent after
// it arrives only once the XOFF before it has stopped the output.
void StopOutputByXoff(PtyPair& pty, TSioComm& port)
{
    pty.Send("\x13.");
    ASSERT_TRUE(RunUntil([&] { return port.InputCount() == 1; }));
    EXPECT_EQ(port.ReadAllText(), ".");
}

class DirectWrite : public ::testing::Test {
protected:
    void SetUp() override
    {
        ApplyProgrammerPortSettings(port);
        port.SetDeviceName(pty.SlavePath());
        port.SetCloseSettleTime(0ms);
        port.Buffers().SetWriteTimeout(kShortTimeoutMs);
    }

    PtyPair pty;
    TSioComm port;
};

// A UART whose CTS the test drives.
class GatedWrite : public ::testing::Test {
protected:
    void SetUp() override
    {
        ApplyProgrammerPortSettings(port);
        uart.Attach(port);
        port.SetCloseSettleTime(0ms);
        port.Buffers().SetWriteTimeout(kShortTimeoutMs);
    }
    void TearDown() override
    {
        uart.onWrite = nullptr;
        if (raiser.joinable()) {
            raiser.join();
        }
    }
    // CTS drops once the UART has sent after bytes; raised again after resumeMs unless negative.
    void DropCtsAfter(size_t after, int resumeMs)
    {
        uart.onWrite = [this, after, resumeMs](const std::string& sent) {
            if (sent.size() < after || dropped.exchange(true)) {
                return;
            }
            uart.SetLines(0);
            if (resumeMs >= 0) {
                raiser = std::thread([this, resumeMs] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(resumeMs));
                    uart.SetLines(tty::kCts);
                });
            }
        };
    }

    test::FakeUart uart;
    TSioComm port;
    std::atomic<bool> dropped{false};
    std::thread raiser;
    const std::string data = "0123456789abcdefghij";
};

TEST_F(GatedWrite, CtsHeldOffGivesZeroAfterTheTimeoutAndSendsNothing)
{
    uart.SetLines(0);
    port.OpenPort();
    const auto start = Clock::now();
    EXPECT_EQ(port.WriteBytes("\x55", 1), 0);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(kShortTimeoutMs));
    EXPECT_EQ(uart.Sent(), "");

    uart.SetLines(tty::kCts);
    EXPECT_EQ(port.WriteBytes("\x55", 1), 1);
    EXPECT_EQ(uart.Sent(), "\x55");
}

TEST_F(GatedWrite, SendingPausesWhileCtsIsOffAndResumes)
{
    uart.SetLines(tty::kCts);
    port.Buffers().SetWriteTimeout(1500);
    DropCtsAfter(4, 100);
    port.OpenPort();
    const auto start = Clock::now();
    EXPECT_EQ(port.WriteBytes(data.data(), static_cast<int>(data.size())), static_cast<int>(data.size()));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(uart.Sent(), data);
    EXPECT_EQ(uart.SentWhileCtsOff(), 0);
}

TEST_F(GatedWrite, CtsStayingOffEndsTheWriteWithTheCountSent)
{
    uart.SetLines(tty::kCts);
    DropCtsAfter(4, -1);
    port.OpenPort();
    const auto start = Clock::now();
    const int sent = port.WriteBytes(data.data(), static_cast<int>(data.size()));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(kShortTimeoutMs));
    EXPECT_GE(sent, 4);
    EXPECT_LT(sent, 8);  // at most the piece that was on its way
    EXPECT_EQ(uart.Sent(), data.substr(0, static_cast<size_t>(sent)));
    EXPECT_EQ(uart.SentWhileCtsOff(), 0);
}

TEST_F(GatedWrite, BytesHandedOverCountAsSentWhenTheQueueCanNoLongerBeRead)
{
    // The device goes away as the first piece leaves: that piece may have reached the
    // other end, so it is not reported as unsent.
    uart.SetLines(tty::kCts);
    uart.onWrite = [this](const std::string&) { uart.outputQueueFails = true; };
    port.OpenPort();
    const int sent = port.WriteBytes(data.data(), static_cast<int>(data.size()));
    EXPECT_GT(sent, 0);
    EXPECT_EQ(uart.Sent(), data.substr(0, static_cast<size_t>(sent)));
}

TEST_F(GatedWrite, BlockedWriteRaisesOnWriteWaitEveryHundredMilliseconds)
{
    uart.SetLines(0);
    port.Buffers().SetWriteTimeout(1500);
    std::vector<Clock::time_point> waits;
    QObject scope;
    port.OnWriteWait.Connect(&scope, [&](TSioComm* sender) {
        EXPECT_EQ(sender, &port);
        waits.push_back(Clock::now());
    });
    bool otherEventRan = false;
    QMetaObject::invokeMethod(
        &port, [&] { otherEventRan = true; }, Qt::QueuedConnection);
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

TEST_F(GatedWrite, CtsIsNotWatchedWithoutOutCtsFlow)
{
    uart.SetLines(0);
    port.FlowControl().SetOutCtsFlow(false);
    port.OpenPort();
    EXPECT_EQ(port.WriteBytes("ok", 2), 2);
    EXPECT_EQ(uart.Sent(), "ok");
}

TEST_F(GatedWrite, RtsToggleRaisesRtsOnlyWhileSending)
{
    uart.SetLines(tty::kCts);
    port.FlowControl().SetControlRts(TSioControlRts::rtsToggle);
    std::vector<bool> rtsWhileSending;
    uart.onWrite = [&](const std::string&) { rtsWhileSending.push_back((uart.Lines() & tty::kRts) != 0); };
    port.OpenPort();
    EXPECT_EQ(uart.Lines() & tty::kRts, 0);
    EXPECT_EQ(port.WriteBytes("ok", 2), 2);
    EXPECT_EQ(rtsWhileSending, std::vector<bool>(rtsWhileSending.size(), true));
    EXPECT_FALSE(rtsWhileSending.empty());
    EXPECT_EQ(uart.Lines() & tty::kRts, 0);
}

TEST_F(DirectWrite, OutputStoppedByXoffTimesOutWithoutKeepingTheCallersBuffer)
{
    port.FlowControl().SetXonXoffOut(true);
    port.OpenPort();
    StopOutputByXoff(pty, port);

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
        port.SetCloseSettleTime(0ms);
        port.Buffers().SetWriteTimeout(kShortTimeoutMs);
    }

    PtyPair pty;
    TSioComm port;
};

TEST_F(QueuedWrite, ReturnsAtOnceAndTheWriteThreadReportsTxEmpty)
{
    int txEmpty = 0;
    QObject scope;  // the handler ends with the locals, before the port's destructor closes it
    port.OnTxEmpty.Connect(&scope, [&](TSioComm*) { ++txEmpty; });
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
    StopOutputByXoff(pty, port);  // the write thread cannot empty its buffer

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
