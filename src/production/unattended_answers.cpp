#include "production/unattended_answers.h"

#include "exchange/exchange_texts.h"

namespace torv {

bool OffersRetry(const Message& message)
{
    return message.flags == MessageFlags::kRetryCancelError || message.flags == MessageFlags::kRetryCancelWarning;
}

bool AsksAboutDamagedData(const Message& message)
{
    return message.text == texts::kChecksumError.text;
}

UnattendedAnswer AnswerUnattended(const Message& message, bool acceptDamaged)
{
    if (!OffersRetry(message))
        return UnattendedAnswer::NotAPrompt;
    if (!AsksAboutDamagedData(message))
        return UnattendedAnswer::CancelNoOneToAsk;
    return acceptDamaged ? UnattendedAnswer::AcceptDamaged : UnattendedAnswer::RefuseDamaged;
}

}  // namespace torv
