#pragma once
// The journal row of one read or write of a unit, gathered while the exchange runs and
// written when the operation ends, whatever its end. A write's row is made before its
// block goes out ("in progress") and completed afterwards, so that a write cut short
// stays on record. Any front end may keep it: torvctl's commands, a station of a batch.

#include <chrono>
#include <optional>
#include <string>

#include "device/blocks.h"
#include "exchange/programming_exchange.h"
#include "journal/journal.h"
#include "production/operation_record.h"

namespace torv {

// Where the unit was, and what the exchange with it noted.
struct UnitOnLine {
    ProgrammingExchange& exchange;
    const JournalingHost& notes;
    std::string devicePath;
    std::string adapter;  // the port's identity, "" when the system does not list it
};

// Where a row comes from, beyond the unit: the program, the PC and the station, who
// worked it and for which order.
struct RowOrigin {
    std::string program;
    std::string bench;         // the PC: a configured name, else the host name
    std::string station;       // a batch's station; empty outside a batch
    std::string operatorName;  // may be empty
    std::string orderCode;     // may be empty
    std::string runId;         // a station window's production run; may be empty
};

// How the operation ended, as its row tells it.
struct UnitEnding {
    int exitCode = 0;
    std::optional<std::string> failure;  // the outcome of a failure; success otherwise
    bool damagedDataAccepted = false;
    bool interrupted = false;  // a write abandoned before its verification
};

class UnitJournal {
public:
    // The operation's duration is counted from here.
    UnitJournal(RowOrigin origin, std::string operation, bool demo);

    // The transmitter as the read found it, before anything was written.
    void NoteRead(ProgrammingExchange& exchange);
    // The block is about to be sent: with a journal, its row is made now, in progress.
    // False when the journal did not take the row (its Error says why).
    bool BeginWrite(Journal* journal, const UnitOnLine& unit, const ParameterBlock& block);
    // Writes the row, or completes the one BeginWrite made. False when the journal did
    // not take it.
    bool Finish(Journal* journal, const UnitOnLine& unit, const UnitEnding& ending);

private:
    JournalEntry Entry(const UnitOnLine& unit) const;

    RowOrigin origin_;
    std::string operation_;
    bool demo_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::optional<InfoBlock> info_;
    std::optional<ParameterBlock> read_;
    std::optional<ParameterBlock> written_;
    std::optional<long long> writeRow_;
};

}  // namespace torv
