#include "production/station_host.h"

#include <QEventLoop>

#include "exchange/exchange_texts.h"
#include "production/unattended_answers.h"

namespace torv {

void StationHost::SetControlState(ControlState state)
{
    state_ = state;
    if (state == ControlState::IdleAfterSuccess)
        writeLocked_ = false;
}

Answer StationHost::ShowMessage(const Message& message)
{
    const UnattendedAnswer rule = AnswerUnattended(message, acceptDamaged_);
    if (rule == UnattendedAnswer::NotAPrompt)
        return Answer::Ok;
    lastPrompt_ = message;
    damagedTaken_ = rule == UnattendedAnswer::AcceptDamaged;
    return Answer::Cancel;
}

void StationHost::Begin()
{
    state_ = ControlState::Busy;
    damagedTaken_ = false;
    lastStatus_.clear();
    lastPrompt_.reset();
}

void StationHost::WaitUntilIdle(const std::function<bool()>& stop)
{
    QEventLoop loop;
    while (Busy() && !(stop && stop()))
        loop.processEvents(QEventLoop::WaitForMoreEvents);
}

// The exchange gives its success text only for a block that passed its check or a
// read-back that equalled the block sent; a damaged block taken comes without one.
bool StationHost::ReadCompleted() const
{
    return state_ == ControlState::IdleAfterSuccess && (lastStatus_.ends_with(texts::kReadSucceeded) || damagedTaken_);
}

bool StationHost::WriteVerified() const
{
    return state_ == ControlState::IdleAfterSuccess && lastStatus_.ends_with(texts::kWriteSucceeded);
}

}  // namespace torv
