#pragma once
// Test helper: a pseudo-terminal pair (the test plays the far end on the master side).

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

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

}  // namespace torv::test
