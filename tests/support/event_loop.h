// Running the Qt event loop of a test: until a condition holds, or for a while.
#pragma once

#include <functional>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace torv::testing {

// Processes events until pred holds (true) or ms pass (false). The loop sleeps while no
// event is due; pred is checked whenever the pending events have been processed.
inline bool RunUntil(const std::function<bool()>& pred, int ms = 5000)
{
    if (pred())
        return true;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop, [&] {
        if (pred())
            loop.quit();
    });
    deadline.start(ms);
    loop.exec();
    return pred();
}

// Processes events for ms milliseconds.
inline void ProcessEventsFor(int ms)
{
    RunUntil([] { return false; }, ms);
}

}  // namespace torv::testing
