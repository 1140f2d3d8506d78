#include "emulator/pseudo_terminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace torv {
namespace {

[[noreturn]] void ThrowSystemError(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = other.Release();
    }
    return *this;
}

int UniqueFd::Release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void UniqueFd::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

PseudoTerminal PseudoTerminal::Open()
{
    PseudoTerminal pty;
    pty.master_ = UniqueFd(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (!pty.master_.Valid())
        ThrowSystemError("cannot create a pseudo-terminal");
    if (::grantpt(pty.Master()) != 0 || ::unlockpt(pty.Master()) != 0)
        ThrowSystemError("cannot unlock the pseudo-terminal");
    char path[256];
    if (const int error = ::ptsname_r(pty.Master(), path, sizeof path); error != 0) {
        errno = error;
        ThrowSystemError("cannot name the pseudo-terminal's slave");
    }
    pty.slavePath_ = path;

    pty.slaveKeepAlive_ = UniqueFd(::open(path, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!pty.slaveKeepAlive_.Valid())
        ThrowSystemError("cannot open " + pty.slavePath_);
    termios settings{};
    if (::tcgetattr(pty.slaveKeepAlive_.Get(), &settings) != 0)
        ThrowSystemError("cannot read the settings of " + pty.slavePath_);
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B2400);
    if (::tcsetattr(pty.slaveKeepAlive_.Get(), TCSANOW, &settings) != 0)
        ThrowSystemError("cannot put " + pty.slavePath_ + " into raw mode");
    return pty;
}

}  // namespace torv
