#include "exchange/paced_wait.h"

#include <chrono>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace torv {

std::uint32_t TickCount()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::optional<std::uint32_t> PauseDeadline(std::uint32_t start, std::uint16_t ms)
{
    const std::uint32_t deadline = start + ms;
    if (deadline <= start)
        return std::nullopt;
    return deadline;
}

void PacedWait(std::uint16_t ms)
{
    const std::optional<std::uint32_t> deadline = PauseDeadline(TickCount(), ms);
    if (!deadline)
        return;
    QCoreApplication::processEvents();
    for (std::uint32_t now = TickCount(); now < *deadline; now = TickCount()) {
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(*deadline - now), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

}  // namespace torv
