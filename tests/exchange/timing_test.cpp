#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "event_loop.h"
#include "exchange/paced_wait.h"
#include "exchange/time_out.h"

namespace torv {
namespace {

using testing::ProcessEventsFor;

TEST(TTimeOut, NewTimerDoesNotTickUntilStarted)
{
    TTimeOut timer;
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    EXPECT_FALSE(timer.isActive());
    ProcessEventsFor(60);
    EXPECT_EQ(ticks, 0);
    timer.Start(20);
    ProcessEventsFor(60);
    EXPECT_GE(ticks, 1);
}

TEST(TTimeOut, StopPreventsTheTickAndIsHarmlessWhenStopped)
{
    TTimeOut timer;
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.Stop();
    timer.Start(30);
    ProcessEventsFor(10);
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
    ProcessEventsFor(120);
    timer.Start(200);
    ProcessEventsFor(250);
    ASSERT_GE(tickAt, 0);
    EXPECT_LT(tickAt, 300);  // a restart would have ticked at 320 or later
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

    int ticks = 0;
    QTimer periodic;
    QObject::connect(&periodic, &QTimer::timeout, [&] { ++ticks; });
    periodic.start(10);
    const std::uint32_t before = TickCount();
    PacedWait(80);
    EXPECT_GE(TickCount() - before, 80u);
    EXPECT_GE(ticks, 2);
    EXPECT_GE(TickCount() - start, 81u);
}

}  // namespace
}  // namespace torv
