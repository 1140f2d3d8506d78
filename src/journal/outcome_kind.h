#pragma once
// What a journal row's outcome means, in one word a program can test and a person's
// text can be chosen by: the row's outcome notes ("prompt C: Retry; prompt I: Cancel",
// "refused (W3): ...", "not-verified (prompt H): ...") are the record; this is how to read them.

#include <string>

#include "journal/journal.h"

namespace torv {

enum class OutcomeKind {
    Read,                      // read, its blocks sound
    ReadDamagedAccepted,       // read, a damaged block taken as it was
    WriteVerified,             // written and confirmed by its read-back
    WriteNotVerified,          // a block went out and was not confirmed: the unit's state is unknown
    WriteInProgress,           // a write still running
    WriteInterrupted,          // a write whose program ended before it did: the unit's state is unknown
    RefusedNeedsTuning,        // a frequency without divisors (W1, W2)
    RefusedOutOfRange,         // a frequency outside the band (W3, W4)
    RefusedDamagedData,        // the block read failed its check and was not taken
    RefusedWriteLocked,        // the adapter locked writing
    RefusedWrongUnit,          // another unit was connected than the one meant
    RefusedWrongType,          // an image of another device type
    Declined,                  // the operator did not confirm the write
    PortUnavailable,           // the port could not be opened
    NoAdapter,                 // prompts A to C
    DeviceTypeRefused,         // prompt D
    NoTransmitter,             // prompt E
    NotATransmitter,           // prompt F
    TransmitterNotResponding,  // prompt I
    ExchangeFailed,            // ended otherwise before anything was written
};

OutcomeKind OutcomeOf(const JournalEntry& row);

// A stable name for scripts: "write-verified", "refused-out-of-range", ...
const char* OutcomeKindName(OutcomeKind kind);

}  // namespace torv
