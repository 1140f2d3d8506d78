#include "production/operation_host.h"

#include <QEventLoop>

namespace torv {

void OperationHost::SetControlState(ControlState state)
{
    state_ = state;
    if (state == ControlState::IdleAfterSuccess)
        writeLocked_ = false;
}

void OperationHost::Begin()
{
    state_ = ControlState::Busy;
    damagedTaken_ = false;
    lastStatus_.clear();
    lastPrompt_.reset();
}

void OperationHost::WaitUntilIdle(const std::function<bool()>& stop)
{
    QEventLoop loop;
    while (Busy() && !(stop && stop()))
        loop.processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace torv
