#include "serial/sio_classes.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace torv {

void TSioPersistent::Changed()
{
    if (updateCount_ <= 0 && OnChange) {
        OnChange();
    }
}

void TSioPersistent::EndUpdate()
{
    --updateCount_;
    Changed();
}

TSioHandleObject::~TSioHandleObject()
{
    if (handle_ >= 0) {
        ::close(handle_);
    }
}

TSioEvent::TSioEvent()
{
    handle_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (handle_ < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
}

void TSioEvent::SetEvent()
{
    const std::uint64_t one = 1;
    // Fails only when the counter would overflow, and then it is set anyway.
    [[maybe_unused]] const auto written = ::write(handle_, &one, sizeof one);
}

void TSioEvent::ResetEvent()
{
    std::uint64_t value = 0;
    // EAGAIN: it was not set.
    [[maybe_unused]] const auto taken = ::read(handle_, &value, sizeof value);
}

TSioWaitResult TSioWaitEvent::WaitFor(int milliseconds)
{
    pollfd entry{handle_, POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, milliseconds < 0 ? -1 : milliseconds);
        if (ready > 0) {
            return TSioWaitResult::wrSignaled;
        }
        if (ready == 0) {
            return TSioWaitResult::wrTimeout;
        }
        if (errno != EINTR) {
            return TSioWaitResult::wrError;
        }
    }
}

}  // namespace torv
