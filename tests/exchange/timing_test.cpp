#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <thread>

#include "event_loop.h"
#include "exchange/paced_wait.h"
#include "exchange/time_out.h"

namespace torv {
namespace {

using testing::ProcessEventsFor;
using testing::RunUntil;
using namespace std::chrono_literals;

TEST(TTimeOut, NewTimerDoesNotTickUntilStarted)
{
    TTimeOut timer;
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    EXPECT_FALSE(timer.isActive());
    ProcessEventsFor(60);
    EXPECT_EQ(ticks, 0);
    timer.Start(20);
    EXPECT_TRUE(RunUntil([&] { return ticks >= 1; }));
}

TEST(TTimeOut, StopPreventsTheTickAndIsHarmlessWhenStopped)
{
    TTimeOut timer;
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.Stop();
    timer.Start(30);
    std::this_thread::sleep_for(40ms);  // the countdown runs out while no event is processed
    timer.Stop();
    ProcessEventsFor(60);
    EXPECT_EQ(ticks, 0);
}

TEST(TTimeOut, StartWithTheSameIntervalDoesNotRestartTheCountdown)
{
    TTimeOut timer;
    QElapsedTimer clock;
    qint64 tickAt = -1;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        timer.Stop();
        tickAt = clock.elapsed();
    });
    clock.start();
    timer.Start(200);
    std::this_thread::sleep_for(150ms);  // no event runs meanwhile, so the tick cannot come before the restart
    timer.Start(200);
    const qint64 restartAt = clock.elapsed();
    ASSERT_TRUE(RunUntil([&] { return tickAt >= 0; }));
    EXPECT_LT(tickAt, restartAt + 200);  // the countdown went on from the first start
}

TEST(PauseDeadline, ZeroAndWrappingPausesEndAtOnce)
{
    EXPECT_FALSE(PauseDeadline(1000, 0));
    EXPECT_FALSE(PauseDeadline(0xFFFFFFF0u, 100));
    EXPECT_FALSE(PauseDeadline(0xFFFFFFFFu, 1));
    EXPECT_EQ(PauseDeadline(0xFFFFFF00u, 100), 0xFFFFFF64u);
    EXPECT_EQ(PauseDeadline(5, 65535), 65540u);
}

TEST(PacedWait, ZeroReturnsAtOnceWithoutProcessingEvents)
{
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    PacedWait(0);
    EXPECT_FALSE(ran);
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran);
}

TEST(PacedWait, ProcessesEventsAndNeverReturnsEarly)
{
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    const std::uint32_t start = TickCount();
    PacedWait(1);
    EXPECT_TRUE(ran);

    // Timers due within the wait run in it, before it ends, however late they come.
    int ticks = 0;
    QTimer::singleShot(10, Qt::PreciseTimer, [&] { ++ticks; });
    QTimer::singleShot(40, Qt::PreciseTimer, [&] { ++ticks; });
    const std::uint32_t before = TickCount();
    PacedWait(80);
    EXPECT_GE(TickCount() - before, 80u);
    EXPECT_EQ(ticks, 2);
    EXPECT_GE(TickCount() - start, 81u);
}

}  // namespace
}  // namespace torv
