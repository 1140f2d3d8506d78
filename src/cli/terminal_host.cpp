#include "cli/terminal_host.h"

#include <istream>
#include <ostream>

#include <QEventLoop>

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

}  // namespace

TerminalHost::TerminalHost(std::ostream& out, std::istream* answers) : out_(out), answers_(answers) {}

void TerminalHost::SetControlState(ControlState state)
{
    state_ = state;
    if (state == ControlState::IdleAfterSuccess)
        writeLocked_ = false;
}

void TerminalHost::ShowStatusText(const std::string& text)
{
    out_ << text.substr(text.find_first_not_of(' ')) << "\n";
}

Answer TerminalHost::ShowMessage(const Message& message)
{
    out_ << message.caption << ": " << TerminalText(message.text) << "\n";
    if (!OffersRetry(message.flags))
        return Answer::Ok;
    if (!answers_) {
        out_ << "(answered Cancel: no terminal to ask)\n";
        return Answer::Cancel;
    }
    for (;;) {
        out_ << "[r]etry or [c]ancel? " << std::flush;
        std::string reply;
        if (!std::getline(*answers_, reply))
            return Answer::Cancel;
        if (reply == "r" || reply == "R" || reply == "retry")
            return Answer::Retry;
        if (reply == "c" || reply == "C" || reply == "cancel")
            return Answer::Cancel;
    }
}

void TerminalHost::WaitUntilIdle()
{
    QEventLoop loop;
    while (state_ == ControlState::Busy)
        loop.processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace torv::cli
