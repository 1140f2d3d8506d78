#include "production/stop_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <stdexcept>

#include <QSocketNotifier>

namespace torv {
namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> signalsReceived{0};
std::atomic<int> wakeUpEnd{-1};

void OnStopSignal(int)
{
    const int savedErrno = errno;
    ++signalsReceived;
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(wakeUpEnd, &byte, 1);
    errno = savedErrno;
}

}  // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent)
{
    if (wakeUpEnd != -1)
        throw std::logic_error("only one StopSignals may live at a time");
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("no pipe for the stop signals");
    signalsReceived = 0;
    wakeUpEnd = pipe_[1];
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { TakeSignals(); });
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: a read waiting for an answer is given up
    for (int i = 0; i < 3; ++i)
        ::sigaction(kStopSignals[i], &action, &previous_[i]);
}

StopSignals::~StopSignals()
{
    for (int i = 0; i < 3; ++i)
        ::sigaction(kStopSignals[i], &previous_[i], nullptr);
    wakeUpEnd = -1;
    notifier_.reset();
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

int StopSignals::Count() const
{
    return signalsReceived;
}

void StopSignals::TakeSignals()
{
    char bytes[16];
    while (::read(pipe_[0], bytes, sizeof bytes) > 0) {
    }
    while (delivered_ < signalsReceived)
        emit Received(++delivered_);
}

}  // namespace torv
