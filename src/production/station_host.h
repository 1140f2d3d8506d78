#pragma once
// The exchange's host at a station of a production line, where nobody is asked: prompts
// are answered as unattended_answers.h says, and how each operation came to rest is kept.

#include "production/operation_host.h"

namespace torv {

class StationHost : public OperationHost {
public:
    // acceptDamaged: a block that failed its check is taken as read (the prompt's Cancel).
    explicit StationHost(bool acceptDamaged) : acceptDamaged_(acceptDamaged) {}

    Answer ShowMessage(const Message& message) override;

    // A read whose blocks passed their checks, or whose damaged block was taken.
    bool ReadCompleted() const;
    bool WriteVerified() const;

private:
    bool acceptDamaged_;
};

}  // namespace torv
