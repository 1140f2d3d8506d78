#include "cli/terminal_host.h"

#include <istream>
#include <ostream>

#include <QEventLoop>

#include "exchange/exchange_texts.h"

namespace torv::cli {
namespace {

// Message texts centre their lines with blanks and break them with "\r\n".
std::string TerminalText(const std::string& text)
{
    std::string lines;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        std::size_t end = text.find("\r\n", begin);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(begin, end - begin);
        line.erase(0, line.find_first_not_of(' '));
        line.erase(line.find_last_not_of(' ') + 1);
        lines += (lines.empty() ? "" : "\n") + line;
        begin = end + 2;
    }
    return lines;
}

bool OffersRetry(MessageFlags flags)
{
    return flags == MessageFlags::kRetryCancelError || flags == MessageFlags::kRetryCancelWarning;
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

char PromptLetter(const Message& message)
{
    const Message* const prompts[] = {&texts::kAdapterNotFoundAfterRetries, &texts::kAdapterNotFoundTimeout,
                                      &texts::kAdapterNotResponding,        &texts::kDeviceTypeRefused,
                                      &texts::kNoTransmitter,               &texts::kNotATransmitter,
                                      &texts::kChecksumError,               &texts::kWriteVerifyError,
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

void TerminalHost::SetControlState(ControlState state)
{
    state_ = state;
    if (state == ControlState::IdleAfterSuccess)
        writeLocked_ = false;
}

void TerminalHost::ShowStatusText(const std::string& text)
{
    lastStatus_ = text;
    messages_ << text.substr(text.find_first_not_of(' ')) << "\n";
}

Answer TerminalHost::ShowMessage(const Message& message)
{
    // The window's "port busy" box would say less than the command's own failure line,
    // which names what was found.
    if (texts::MessageName(message) == "port busy")
        return Answer::Ok;
    messages_ << message.caption << ": " << TerminalText(message.text) << "\n";
    if (!OffersRetry(message.flags))
        return Answer::Ok;
    lastPrompt_ = message;
    if (message.text != texts::kChecksumError.text) {
        if (answers_)
            return Ask();
        messages_ << "(answered Cancel: no terminal to ask)\n";
        return Answer::Cancel;
    }
    // Damaged data: Cancel takes the block as read, so it is given only by a person or
    // by the option; answered automatically, the block is refused (and not used).
    damagedAccepted_ = false;
    if (acceptDamaged_) {
        messages_ << "(accepted: --accept-damaged)\n";
        damagedAccepted_ = true;
        return Answer::Cancel;
    }
    if (!answers_) {
        messages_ << "(refused: no terminal to ask; --accept-damaged accepts the damaged block)\n";
        return Answer::Cancel;
    }
    const Answer answer = Ask();
    damagedAccepted_ = answer == Answer::Cancel;
    return answer;
}

Answer TerminalHost::Ask()
{
    for (;;) {
        messages_ << "[r]etry or [c]ancel? " << std::flush;
        std::string reply;
        if (!std::getline(*answers_, reply))
            return Answer::Cancel;
        if (reply == "r" || reply == "R" || reply == "retry")
            return Answer::Retry;
        if (reply == "c" || reply == "C" || reply == "cancel")
            return Answer::Cancel;
    }
}

void TerminalHost::Begin()
{
    state_ = ControlState::Busy;
    damagedAccepted_ = false;
    lastStatus_.clear();
    lastPrompt_.reset();
}

void TerminalHost::WaitUntilIdle(const std::function<bool()>& stop)
{
    QEventLoop loop;
    while (state_ == ControlState::Busy && !(stop && stop()))
        loop.processEvents(QEventLoop::WaitForMoreEvents);
}

Completion TerminalHost::Completed() const
{
    if (state_ != ControlState::IdleAfterSuccess)
        return Completion::NotCompleted;
    // The exchange gives its success text only for a block that passed its check or a
    // read-back that equalled the block sent; a block taken at the damaged-data prompt
    // comes without one.
    if (EndsWith(lastStatus_, texts::kWriteSucceeded))
        return Completion::WriteVerified;
    if (EndsWith(lastStatus_, texts::kReadSucceeded))
        return Completion::ReadVerified;
    return Completion::DamagedBlockTaken;
}

}  // namespace torv::cli
