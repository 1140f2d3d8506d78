#pragma once
// What the window benchmarks measure of their own process: when a window has finished its
// first paint, and a figure of /proc/self/status such as the peak memory (VmHWM).

#include <fstream>
#include <string>

#include <QEvent>
#include <QObject>
#include <QTimer>

namespace torv::testing {

// The value in kB of a /proc/self/status line ("VmHWM:"); 0 when there is none.
inline long StatusKb(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(key.size()));
    return 0;
}

// Notes when the watched window has finished its first paint.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            // Runs once the paint event, and the frame it belongs to, have been handled.
            QTimer::singleShot(0, this, [this] { done = true; });
        }
        return QObject::eventFilter(watched, event);
    }
    bool done = false;

private:
    bool painted_ = false;
};

}  // namespace torv::testing
