#include "line_client.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace torv::test {

LineClient::LineClient(const std::string& path, bool purge)
{
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    termios settings{};
    ::tcgetattr(fd_, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(fd_, TCSANOW, &settings);
    if (purge)
        ::tcflush(fd_, TCIOFLUSH);
}

LineClient::~LineClient()
{
    ::close(fd_);
}

void LineClient::Send(const Bytes& bytes)
{
    if (::write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error(std::string("cannot write to the line: ") + std::strerror(errno));
}

Bytes LineClient::Receive(std::size_t count, milliseconds timeout)
{
    Bytes received;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (received.size() < count) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd fds{fd_, POLLIN, 0};
        if (::poll(&fds, 1, static_cast<int>(left.count())) <= 0 || !(fds.revents & POLLIN))
            break;
        std::uint8_t buffer[4096];
        const ssize_t got = ::read(fd_, buffer, std::min(sizeof buffer, count - received.size()));
        if (got <= 0)
            break;
        received.insert(received.end(), buffer, buffer + got);
    }
    return received;
}

Bytes LineClient::Exchange(const Bytes& command, std::size_t replySize)
{
    Send(command);
    return Receive(replySize);
}

bool LineClient::StaysQuiet(milliseconds time)
{
    return Receive(1, time).empty();
}

std::size_t LineClient::DrainUntilQuiet(milliseconds quiet)
{
    std::size_t total = 0;
    for (Bytes got; !(got = Receive(4096, quiet)).empty();)
        total += got.size();
    return total;
}

}  // namespace torv::test
