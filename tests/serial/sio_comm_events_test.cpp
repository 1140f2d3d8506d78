// Line events on the main thread: received bytes with their counts, transmit-empty,
// hang-up, and closing while a dispatch is pending.
#include "event_loop.h"
#include "pty_pair.h"
#include "serial/sio_comm.h"
#include "serial/sio_error.h"

#include <gtest/gtest.h>

#include <QThread>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace torv {
namespace {

using testing::ProcessEventsFor;
using testing::RunUntil;
using test::PtyPair;
using namespace std::chrono_literals;

class PortEvents : public ::testing::Test {
protected:
    void SetUp() override
    {
        ApplyProgrammerPortSettings(port);
        port.SetDeviceName(pty.SlavePath());
        port.SetCloseSettleTime(0ms);
        port.OnRxChar = [this](TSioComm* sender, int count) {
            EXPECT_EQ(sender, &port);
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            counts.push_back(count);
            if (onRxChar) {
                onRxChar(count);
            }
        };
    }
    // Handlers capture the test's locals, and closing the port in the destructor still
    // delivers a dispatch handed over before: it must not reach them once the test is over.
    void TearDown() override
    {
        onRxChar = nullptr;
        port.OnTxEmpty = nullptr;
        port.OnError = nullptr;
    }

    PtyPair pty;
    TSioComm port;
    std::vector<int> counts;
    std::function<void(int)> onRxChar;
};

TEST_F(PortEvents, ReportsWaitingBytesAndHandlerReadsThem)
{
    std::string received;
    onRxChar = [&](int) { received += port.ReadAllText(); };
    port.OpenPort();
    pty.Send("Quasar2");
    ASSERT_TRUE(RunUntil([&] { return received.size() == 7; }));
    EXPECT_EQ(received, "Quasar2");
    ProcessEventsFor(50);
    int total = 0;
    for (const int count : counts) {
        EXPECT_GT(count, 0);
        total += count;
    }
    EXPECT_EQ(total, 7);  // counts cover the bytes once, whatever the split
}

TEST_F(PortEvents, UnreadBytesWaitForTheNextArrival)
{
    port.OpenPort();
    pty.Send("ab");
    ASSERT_TRUE(RunUntil([&] { return !counts.empty(); }));
    ProcessEventsFor(100);
    EXPECT_EQ(counts, std::vector<int>{2});  // the handler read nothing; no repeat

    pty.Send("c");
    ASSERT_TRUE(RunUntil([&] { return counts.size() == 2; }));
    EXPECT_EQ(counts[1], 3);
    EXPECT_EQ(port.ReadAllText(), "abc");
}

TEST_F(PortEvents, BytesArrivingDuringTheHandlerGiveOneMoreEvent)
{
    std::string received;
    onRxChar = [&](int) {
        if (counts.size() == 1) {
            received += port.ReadAllText();
            pty.Send("xyz");  // arrives while the handler still runs
            QThread::msleep(30);
        } else {
            received += port.ReadAllText();
        }
    };
    port.OpenPort();
    pty.Send("1");
    ASSERT_TRUE(RunUntil([&] { return received == "1xyz"; }));
    ProcessEventsFor(100);
    EXPECT_EQ(counts, (std::vector<int>{1, 3}));
}

TEST_F(PortEvents, NoEventWhenTheHandlerAlreadyTookTheNewBytes)
{
    onRxChar = [&](int) {
        pty.Send("more");
        QThread::msleep(30);
        port.ReadAllText();
    };
    port.OpenPort();
    pty.Send("1");
    ASSERT_TRUE(RunUntil([&] { return !counts.empty(); }));
    ProcessEventsFor(150);
    EXPECT_EQ(counts, std::vector<int>{1});  // a count of 0 is never reported
}

TEST_F(PortEvents, ReadBytesNeverWaits)
{
    port.OpenPort();
    char buffer[16];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.ReadBytes(buffer, 16), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));

    pty.Send("abc");
    ASSERT_TRUE(RunUntil([&] { return port.InputCount() == 3; }));
    EXPECT_EQ(port.ReadBytes(buffer, 16), 3);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_EQ(port.ReadAllText(), "");
}

TEST_F(PortEvents, PurgeDiscardsWaitingInput)
{
    port.OpenPort();
    pty.Send("stale");
    ASSERT_TRUE(RunUntil([&] { return port.InputCount() == 5; }));
    port.PurgeAll();
    EXPECT_EQ(port.InputCount(), 0);
}

TEST_F(PortEvents, WriteCompletesAndRaisesTxEmpty)
{
    int txEmpty = 0;
    int outputAtTxEmpty = -1;
    port.OnTxEmpty = [&](TSioComm*) {
        ++txEmpty;
        outputAtTxEmpty = port.OutputCount();
    };
    port.OpenPort();
    const std::string command = "\x88\x80";
    EXPECT_EQ(port.WriteBytes(command.data(), 2), 2);
    EXPECT_EQ(pty.Receive(), command);
    ASSERT_TRUE(RunUntil([&] { return txEmpty == 1; }));
    EXPECT_EQ(outputAtTxEmpty, 0);
}

TEST_F(PortEvents, EmptyMonitorEventsRaisesNothing)
{
    int txEmpty = 0;
    port.OnTxEmpty = [&](TSioComm*) { ++txEmpty; };
    port.SetMonitorEvents({});
    port.OpenPort();
    pty.Send("abc");
    EXPECT_EQ(port.WriteBytes("U", 1), 1);
    ProcessEventsFor(100);
    EXPECT_TRUE(counts.empty());
    EXPECT_EQ(txEmpty, 0);
    EXPECT_EQ(port.InputCount(), 3);
}

TEST_F(PortEvents, CloseDeliversTheDispatchHandedOverBeforeIt)
{
    port.OpenPort();
    pty.Send("late");
    QThread::msleep(50);  // the event thread has handed over and waits; nothing ran it yet
    EXPECT_TRUE(counts.empty());
    port.ClosePort();
    EXPECT_EQ(counts, std::vector<int>{4});
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(PortEvents, ClosingInsideAHandlerIsRefusedInsteadOfDeadlocking)
{
    std::string handled;
    SetApplicationExceptionHandler([&](const std::exception& error) { handled = error.what(); });
    onRxChar = [&](int) { port.ClosePort(); };
    port.OpenPort();
    pty.Send("x");
    ASSERT_TRUE(RunUntil([&] { return !handled.empty(); }));
    SetApplicationExceptionHandler(nullptr);
    EXPECT_EQ(handled, "ClosePort cannot be called from inside a port event handler");
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(PortEvents, HangUpIsReportedOnceAndTheComponentStaysUsable)
{
    std::vector<int> errors;
    port.OnError = [&](TSioComm*, int flags) { errors.push_back(flags); };
    port.OpenPort();
    pty.CloseMaster();
    ASSERT_TRUE(RunUntil([&] { return !errors.empty(); }));
    ProcessEventsFor(100);
    EXPECT_EQ(errors, std::vector<int>{line_error::kIoError});
    EXPECT_TRUE(counts.empty());

    EXPECT_EQ(port.InputCount(), 0);
    EXPECT_EQ(port.OutputCount(), 0);
    EXPECT_EQ(port.ReadAllText(), "");
    port.PurgeAll();
    try {
        port.WriteBytes("U", 1);
        ADD_FAILURE() << "a write to a hung-up device must fail";
    } catch (const ESioCommError& error) {
        EXPECT_STREQ(error.what(), "Write error (5), Input/output error");
    }
    port.ClosePort();
    EXPECT_FALSE(port.IsOpen());
}

TEST(PortDestruction, DeliversAPendingDispatchToAWholeComponent)
{
    PtyPair pty;
    auto port = std::make_unique<TSioComm>();
    port->SetDeviceName(pty.SlavePath());
    port->SetCloseSettleTime(0ms);
    TSioComm* sender = nullptr;
    int count = 0;
    port->OnRxChar = [&](TSioComm* from, int waiting) {
        sender = from;
        count = waiting;
        from->ReadAllText();
    };
    port->OpenPort();
    pty.Send("bye");
    QThread::msleep(50);
    TSioComm* const expected = port.get();
    port.reset();
    EXPECT_EQ(sender, expected);
    EXPECT_EQ(count, 3);
}

}  // namespace
}  // namespace torv
