#pragma once
// How an exchange's prompt is answered when nobody can be asked (no terminal, or a
// station of a production line): every prompt with Retry is answered Cancel; the
// damaged-data prompt, where Cancel takes the block as read, only when the operator
// chose beforehand to accept damaged blocks, and refused otherwise.

#include "exchange/exchange_host.h"

namespace torv {

enum class UnattendedAnswer {
    NotAPrompt,        // a message without Retry: acknowledged
    CancelNoOneToAsk,  // a prompt with Retry: Cancel
    AcceptDamaged,     // damaged data, accepted beforehand: Cancel, which takes the block
    RefuseDamaged,     // damaged data not accepted: Cancel, and the block is not used
};

UnattendedAnswer AnswerUnattended(const Message& message, bool acceptDamaged);

// True for the prompts that offer Retry and Cancel.
bool OffersRetry(const Message& message);
// The damaged-data prompt, whose Cancel takes the block as read.
bool AsksAboutDamagedData(const Message& message);

}  // namespace torv
