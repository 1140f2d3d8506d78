// Running the Qt event loop of a test: until a condition holds, or for a while.
#pragma once

#include <functional>

#include <QCoreApplication>
#include <QElapsedTimer>

namespace torv::testing {

// Processes events until pred holds (true) or ms pass (false).
inline bool RunUntil(const std::function<bool()>& pred, int ms = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

// Processes events for ms milliseconds.
inline void ProcessEventsFor(int ms)
{
    RunUntil([] { return false; }, ms);
}

}  // namespace torv::testing
