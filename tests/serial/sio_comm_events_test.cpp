// Line events on the main thread: received bytes with their counts, transmit-empty,
// hang-up, closing while a dispatch is pending, and handlers that end with their receivers.
#include "event_loop.h"
#include "pty_pair.h"
#include "serial/sio_comm.h"
#include "serial/sio_error.h"

#include <gtest/gtest.h>

#include <QThread>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace torv {
namespace {

using test::PtyPair;
using testing::ProcessEventsFor;
using testing::RunUntil;
using namespace std::chrono_literals;

// Waits, without running events, until done holds; false after 2 s.
bool WaitWithoutEvents(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Waits, without running events, until port has count bytes waiting; false after 2 s.
bool WaitForInput(TSioComm& port, int count)
{
    return WaitWithoutEvents([&] { return port.InputCount() >= count; });
}

class PortEvents : public ::testing::Test {
protected:
    void SetUp() override
    {
        ApplyProgrammerPortSettings(port);
        port.SetDeviceName(pty.SlavePath());
        port.SetCloseSettleTime(0ms);
        port.SetHandOverObserver([this](TSioCommEvents) { ++handOvers; });
        CountRxChar(fixtureScope, nullptr);
    }

    // OnRxChar, connected with receiver, records the counts and then runs then. Handlers
    // that use a test's locals are connected with a receiver declared after them, since
    // closing the port in its destructor still delivers a dispatch handed over before.
    void CountRxChar(const QObject& receiver, std::function<void(int)> then)
    {
        port.OnRxChar.Connect(&receiver, [this, then](TSioComm* sender, int count) {
            EXPECT_EQ(sender, &port);
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            counts.push_back(count);
            if (then) {
                then(count);
            }
        });
    }

    // Writes a byte and waits for its OnTxEmpty. The event thread reports that only after
    // going round its loop once more, so whatever it had to report about the input
    // before has been raised by then.
    void WaitForTheEventThreadsNextRound()
    {
        QObject scope;
        bool sent = false;
        port.OnTxEmpty.Connect(&scope, [&](TSioComm*) { sent = true; });
        ASSERT_EQ(port.WriteBytes("M", 1), 1);
        ASSERT_TRUE(RunUntil([&] { return sent; }));
    }

    PtyPair pty;
    std::atomic<int> handOvers{0};  // dispatches the port's threads handed over
    TSioComm port;
    std::vector<int> counts;
    QObject fixtureScope;  // destroyed before the rest: the fixture's handlers end first
};

TEST_F(PortEvents, ReportsWaitingBytesAndHandlerReadsThem)
{
    std::string received;
    QObject scope;
    CountRxChar(scope, [&](int) { received += port.ReadAllText(); });
    port.OpenPort();
    pty.Send("Quasar2");
    ASSERT_TRUE(RunUntil([&] { return received.size() == 7; }));
    EXPECT_EQ(received, "Quasar2");
    WaitForTheEventThreadsNextRound();
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
    WaitForTheEventThreadsNextRound();
    EXPECT_EQ(counts, std::vector<int>{2});  // the handler read nothing; no repeat

    pty.Send("c");
    ASSERT_TRUE(RunUntil([&] { return counts.size() == 2; }));
    EXPECT_EQ(counts[1], 3);
    EXPECT_EQ(port.ReadAllText(), "abc");
}

TEST_F(PortEvents, BytesArrivingDuringTheHandlerGiveOneMoreEvent)
{
    std::string received;
    QObject scope;
    CountRxChar(scope, [&](int) {
        received += port.ReadAllText();
        if (counts.size() == 1) {
            pty.Send("xyz");
            EXPECT_TRUE(WaitForInput(port, 3));  // arrived while the handler still runs
        }
    });
    port.OpenPort();
    pty.Send("1");
    ASSERT_TRUE(RunUntil([&] { return received == "1xyz"; }));
    WaitForTheEventThreadsNextRound();
    EXPECT_EQ(counts, (std::vector<int>{1, 3}));
}

TEST_F(PortEvents, NoEventWhenTheHandlerAlreadyTookTheNewBytes)
{
    QObject scope;
    CountRxChar(scope, [&](int) {
        pty.Send("more");
        EXPECT_TRUE(WaitForInput(port, 5));
        port.ReadAllText();
    });
    port.OpenPort();
    pty.Send("1");
    ASSERT_TRUE(RunUntil([&] { return !counts.empty(); }));
    WaitForTheEventThreadsNextRound();
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
    QObject scope;
    port.OnTxEmpty.Connect(&scope, [&](TSioComm*) {
        ++txEmpty;
        outputAtTxEmpty = port.OutputCount();
    });
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
    QObject scope;
    port.OnTxEmpty.Connect(&scope, [&](TSioComm*) { ++txEmpty; });
    port.SetMonitorEvents({});
    port.OpenPort();
    pty.Send("abc");
    EXPECT_EQ(port.WriteBytes("U", 1), 1);
    ProcessEventsFor(100);  // without an event thread nothing comes that could be waited for
    EXPECT_TRUE(counts.empty());
    EXPECT_EQ(txEmpty, 0);
    EXPECT_EQ(port.InputCount(), 3);
}

TEST_F(PortEvents, CloseDeliversTheDispatchHandedOverBeforeIt)
{
    port.OpenPort();
    pty.Send("late");
    ASSERT_TRUE(WaitWithoutEvents([&] { return handOvers > 0; }));  // handed over; nothing ran it yet
    EXPECT_TRUE(counts.empty());
    port.ClosePort();
    EXPECT_EQ(counts, std::vector<int>{4});
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(PortEvents, ClosingInsideAHandlerIsRefusedInsteadOfDeadlocking)
{
    std::string handled;
    SetApplicationExceptionHandler([&](const std::exception& error) { handled = error.what(); });
    QObject scope;
    CountRxChar(scope, [&](int) { port.ClosePort(); });
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
    QObject scope;
    port.OnError.Connect(&scope, [&](TSioComm*, int flags) { errors.push_back(flags); });
    port.OpenPort();
    pty.CloseMaster();
    ASSERT_TRUE(RunUntil([&] { return !errors.empty(); }));

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
    port.ClosePort();  // ends the event thread; a report it had handed over is delivered first
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(errors, std::vector<int>{line_error::kIoError});
    EXPECT_TRUE(counts.empty());
}

TEST_F(PortEvents, AHandlerWhoseReceiverIsDestroyedBeforeItsEventIsNotCalled)
{
    // The handler uses its receiver's members: calling it after the receiver has gone
    // would touch freed memory.
    struct Receiver : QObject {
        std::vector<int> counts;
    };
    auto receiver = std::make_unique<Receiver>();
    int calls = 0;
    port.OnRxChar.Connect(receiver.get(), [&calls, receiver = receiver.get()](TSioComm*, int count) {
        ++calls;
        receiver->counts.push_back(count);
    });
    port.OpenPort();
    pty.Send("late");
    ASSERT_TRUE(WaitForInput(port, 4));
    receiver.reset();  // no event has run since the bytes came: their dispatch is still to be delivered
    EXPECT_FALSE(port.OnRxChar);
    WaitForTheEventThreadsNextRound();  // it has been delivered now
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(port.InputCount(), 4);  // and nothing read the bytes
}

TEST(PortDestruction, DeliversAPendingDispatchToAWholeComponent)
{
    PtyPair pty;
    std::atomic<int> handOvers{0};
    auto port = std::make_unique<TSioComm>();
    port->SetDeviceName(pty.SlavePath());
    port->SetCloseSettleTime(0ms);
    port->SetHandOverObserver([&](TSioCommEvents) { ++handOvers; });
    TSioComm* sender = nullptr;
    int count = 0;
    QObject scope;
    port->OnRxChar.Connect(&scope, [&](TSioComm* from, int waiting) {
        sender = from;
        count = waiting;
        from->ReadAllText();
    });
    port->OpenPort();
    pty.Send("bye");
    ASSERT_TRUE(WaitWithoutEvents([&] { return handOvers > 0; }));
    TSioComm* const expected = port.get();
    port.reset();
    EXPECT_EQ(sender, expected);
    EXPECT_EQ(count, 3);
}

}  // namespace
}  // namespace torv
