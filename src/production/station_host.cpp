#include "production/station_host.h"

#include "exchange/exchange_texts.h"
#include "production/unattended_answers.h"

namespace torv {

Answer StationHost::ShowMessage(const Message& message)
{
    const UnattendedAnswer rule = AnswerUnattended(message, acceptDamaged_);
    if (rule == UnattendedAnswer::NotAPrompt)
        return Answer::Ok;
    NotePrompt(message);
    NoteDamagedBlockTaken(rule == UnattendedAnswer::AcceptDamaged);
    return Answer::Cancel;
}

// The exchange gives its success text only for a block that passed its check or a
// read-back that equalled the block sent; a damaged block taken comes without one.
bool StationHost::ReadCompleted() const
{
    return State() == ControlState::IdleAfterSuccess &&
           (LastStatus().ends_with(texts::kReadSucceeded) || DamagedBlockTaken());
}

bool StationHost::WriteVerified() const
{
    return State() == ControlState::IdleAfterSuccess && LastStatus().ends_with(texts::kWriteSucceeded);
}

}  // namespace torv
