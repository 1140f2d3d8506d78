#pragma once
// The exchange's host for torvctl: messages go to standard error, prompts are asked on
// the terminal when standard input is one and answered automatically otherwise. It
// keeps what the exchange told it, so that the exit code says what happened.

#include <iosfwd>
#include <string>

#include "exchange/write_preparation.h"
#include "production/operation_host.h"

namespace torv::cli {

// Where torvctl talks: results, operator texts, and the operator's answers (nullptr
// when standard input is not a terminal and nobody can be asked).
struct Console {
    std::ostream& out;
    std::ostream& err;
    std::istream* answers = nullptr;
};

// The letter of an exchange prompt ('A' to 'I'), or 0 for any other message.
char PromptLetter(const Message& message);

// How the last operation came to rest.
enum class Completion {
    NotCompleted,       // aborted, or still busy
    ReadVerified,       // a read whose blocks passed their checks
    WriteVerified,      // a write whose read-back equalled the block sent
    DamagedBlockTaken,  // the damaged-data prompt was answered Cancel, which takes the block
};

class TerminalHost : public OperationHost {
public:
    // acceptDamaged: the damaged-data prompt is answered by accepting the block, as the
    // window's Cancel does. Without it and without a terminal, the block is refused.
    TerminalHost(std::ostream& messages, std::istream* answers, bool acceptDamaged);

    void ShowStatusText(const std::string& text) override;
    Answer ShowMessage(const Message& message) override;
    // The write checks' refusal (W1 to W4) of this request, with what can be written instead.
    void ShowRefusal(const WritePlan& plan, const WriteRequest& request);

    Completion Completed() const;

private:
    Answer Ask();

    std::ostream& messages_;
    std::istream* answers_;
    bool acceptDamaged_;
};

}  // namespace torv::cli
