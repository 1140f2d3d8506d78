#pragma once
// Test helpers: a pseudo-terminal pair (the test plays the far end on the master side)
// and waiting while the Qt main thread processes events.

#include <QCoreApplication>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

namespace torv::test {

class PtyPair {
public:
    PtyPair()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
            throw std::runtime_error("no pseudo-terminal");
        }
        slavePath_ = ::ptsname(master_);
    }
    ~PtyPair() { CloseMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    int Master() const { return master_; }

    void Send(const std::string& bytes) const
    {
        if (::write(master_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            throw std::runtime_error("master write failed");
        }
    }

    // Everything that reaches the master within milliseconds of quiet.
    std::string Receive(int milliseconds = 100) const
    {
        std::string got;
        pollfd wait{master_, POLLIN, 0};
        while (::poll(&wait, 1, milliseconds) > 0 && (wait.revents & POLLIN) != 0) {
            char chunk[256];
            const ssize_t n = ::read(master_, chunk, sizeof chunk);
            if (n <= 0) {
                break;
            }
            got.append(chunk, static_cast<size_t>(n));
        }
        return got;
    }

    // Hangs up the slave side, as an unplugged adapter does.
    void CloseMaster()
    {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

private:
    int master_ = -1;
    std::string slavePath_;
};

// Processes events until done() holds or the time is up; the result is done().
inline bool ProcessEventsUntil(const std::function<bool()>& done, int milliseconds = 2000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

inline void ProcessEventsFor(int milliseconds)
{
    ProcessEventsUntil([] { return false; }, milliseconds);
}

}  // namespace torv::test
