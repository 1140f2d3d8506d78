#include "cli/terminal_host.h"

#include <istream>
#include <ostream>

#include "cli/cli_language.h"
#include "cli/cli_text.h"
#include "cli/operator_messages.h"
#include "exchange/exchange_texts.h"
#include "production/unattended_answers.h"

namespace torv::cli {
namespace {

void Tell(std::ostream& messages, const QString& text)
{
    messages << Utf8(text) << "\n";
}

}  // namespace

char PromptLetter(const Message& message)
{
    const Message* const prompts[] = {&texts::kAdapterNotFoundAfterRetries,
                                      &texts::kAdapterNotFoundTimeout,
                                      &texts::kAdapterNotResponding,
                                      &texts::kDeviceTypeRefused,
                                      &texts::kNoTransmitter,
                                      &texts::kNotATransmitter,
                                      &texts::kChecksumError,
                                      &texts::kWriteVerifyError,
                                      &texts::kTransmitterNotResponding};
    for (std::size_t i = 0; i < std::size(prompts); ++i) {
        if (prompts[i]->text == message.text)
            return static_cast<char>('A' + i);
    }
    return 0;
}

TerminalHost::TerminalHost(std::ostream& messages, std::istream* answers, bool acceptDamaged)
    : messages_(messages), answers_(answers), acceptDamaged_(acceptDamaged)
{
}

void TerminalHost::ShowStatusText(const std::string& text)
{
    OperationHost::ShowStatusText(text);
    messages_ << StatusLine(text) << "\n";
}

Answer TerminalHost::ShowMessage(const Message& message)
{
    // The window's "port busy" box would say less than the command's own failure line,
    // which names what was found.
    if (texts::MessageName(message) == "port busy")
        return Answer::Ok;
    messages_ << MessageLines(message) << "\n";
    const UnattendedAnswer rule = AnswerUnattended(message, acceptDamaged_);
    if (rule == UnattendedAnswer::NotAPrompt)
        return Answer::Ok;
    NotePrompt(message);
    const bool damagedData = AsksAboutDamagedData(message);
    if (damagedData)
        NoteDamagedBlockTaken(false);
    // A person answers, except a damaged block already accepted by the option.
    if (answers_ && rule != UnattendedAnswer::AcceptDamaged) {
        const Answer answer = Ask();
        if (damagedData)
            NoteDamagedBlockTaken(answer == Answer::Cancel);
        return answer;
    }
    switch (rule) {
    case UnattendedAnswer::AcceptDamaged:
        Tell(messages_, CliText::tr("(accepted: --accept-damaged)"));
        NoteDamagedBlockTaken(true);
        break;
    case UnattendedAnswer::RefuseDamaged:
        Tell(messages_, CliText::tr("(refused: no terminal to ask; --accept-damaged accepts the damaged block)"));
        break;
    case UnattendedAnswer::CancelNoOneToAsk:
    case UnattendedAnswer::NotAPrompt: Tell(messages_, CliText::tr("(answered Cancel: no terminal to ask)")); break;
    }
    return Answer::Cancel;
}

void TerminalHost::ShowRefusal(const WritePlan& plan, const WriteRequest& request)
{
    messages_ << RefusalLines(plan, request) << "\n";
}

Answer TerminalHost::Ask()
{
    // The question shows each answer's letter in brackets; the letters and words are
    // translated with it.
    const QString retryLetter = CliText::tr("r", "the letter that answers Retry in [r]etry");
    const QString retryWord = CliText::tr("retry", "the word that answers Retry");
    const QString cancelLetter = CliText::tr("c", "the letter that answers Cancel in [c]ancel");
    const QString cancelWord = CliText::tr("cancel", "the word that answers Cancel");
    for (;;) {
        messages_ << Utf8(CliText::tr("[%1]%2 or [%3]%4? ", "the prompt's question: [r]etry or [c]ancel?")
                              .arg(retryLetter, retryWord.mid(retryLetter.size()), cancelLetter,
                                   cancelWord.mid(cancelLetter.size())))
                  << std::flush;
        std::string reply;
        if (!std::getline(*answers_, reply))
            return Answer::Cancel;
        if (ReplyPicks(reply, retryLetter, retryWord))
            return Answer::Retry;
        if (ReplyPicks(reply, cancelLetter, cancelWord))
            return Answer::Cancel;
    }
}

Completion TerminalHost::Completed() const
{
    if (State() != ControlState::IdleAfterSuccess)
        return Completion::NotCompleted;
    // The exchange gives its success text only for a block that passed its check or a
    // read-back that equalled the block sent; a block taken at the damaged-data prompt
    // comes without one.
    if (LastStatus().ends_with(texts::kWriteSucceeded))
        return Completion::WriteVerified;
    if (LastStatus().ends_with(texts::kReadSucceeded))
        return Completion::ReadVerified;
    return Completion::DamagedBlockTaken;
}

}  // namespace torv::cli
