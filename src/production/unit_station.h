#pragma once
// A station of a production line on its own port: it looks for a unit, reads it, looks
// its serial number up in the plan, writes and verifies the planned frequencies, and
// journals each unit it handles. It tells how a unit ended by a kind, leaving the words
// to the front end; the journal row's outcome starts with the kind's name, so that rows
// read back later tell the same.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "exchange/programming_exchange.h"
#include "exchange/sio_exchange_port.h"
#include "journal/journal.h"
#include "journal/workshop_claims.h"
#include "production/batch_engine.h"
#include "production/operation_record.h"
#include "production/station_host.h"
#include "production/unit_journal.h"
#include "production/unit_request.h"
#include "serial/sio_comm.h"

namespace torv {

enum class StationOutcome {
    Programmed,         // written and confirmed by its read-back
    NotInPlan,          // skipped: the plan does not name it
    ProgrammedEarlier,  // skipped: programmed, or being programmed, earlier in this run
    LabelNotMatched,    // its label was not matched before the write (time up, run stopped): nothing was written
    DamagedData,        // its parameter block failed its check: nothing was written
    WriteLocked,        // the adapter locked writing: nothing was written
    NeedsTuning,        // a planned frequency has no divisors (legacy mode): nothing was written
    OutOfRange,         // a planned frequency is outside the unit's band: nothing was written
    NotVerified,        // the block was sent and its read-back did not confirm it: state unknown
    ReadFailed,         // the exchange ended before anything was written
    HeldElsewhere,      // skipped: programmed, or being programmed, at another bench (the workshop's claims)
    ClaimNotKept,       // the unit's claim could not be kept in the journal: nothing was written
};

// The kind's stable name, as a journal row's outcome begins: "programmed", "skipped-not-in-plan", ...
const char* StationOutcomeName(StationOutcome outcome);
// The kind a report's kind or a row's outcome names; nothing for any other text.
std::optional<StationOutcome> StationOutcomeNamed(std::string_view text);
// How a journal row of a station tells its unit ended.
StationOutcome StationOutcomeOfRow(const JournalEntry& row);
// The plan's frequencies for a unit as the plan gives them: "150.0125 / 160.5".
std::string PlannedFrequenciesText(const WantedFrequencies& wanted);
// Skipped units were never meant to be written here; the others failed or were programmed.
bool IsSkip(StationOutcome outcome);

struct UnitStationSettings {
    std::string devicePath;
    std::string adapter;      // the port's identity as the system tells it; may be empty
    bool demo = false;        // an emulated adapter: its rows are kept apart in the journal
    std::string journalPath;  // empty: nothing is journaled
    RowOrigin origin;         // with the station's name
    bool acceptDamaged = false;
    // When set: the label scanned for the unit about to be written, asked for right
    // before the write; the unit is written only when that is its serial number.
    std::function<std::string()> labelScanned;
    // The workshop's server: with an order, each unit of it is claimed there (in the
    // journal alone while the server is away) before it is written. Empty: none.
    std::string server;
};

class UnitStation : public StationWork {
public:
    // plan and programmedBefore (serial numbers programmed in this run before the engine
    // started) are read only, and outlive the station.
    UnitStation(UnitStationSettings settings, const std::map<std::string, WantedFrequencies>& plan,
                const std::set<std::string>& programmedBefore);
    ~UnitStation() override;
    UnitStation(const UnitStation&) = delete;
    UnitStation& operator=(const UnitStation&) = delete;

    Sighting Look() override;
    UnitReport Handle(bool claimed, const StationHooks& hooks) override;
    void Abandon() override { abandoned_ = true; }

private:
    // A read of whatever is connected; true when its blocks could be used.
    bool Read();
    // The unit's end: its journal row written, and its report.
    UnitReport Ended(UnitJournal& row, StationOutcome outcome, const std::string& serial, const std::string& note,
                     const std::string& frequencies = {});
    // The write gate (a label scan), then the write.
    StationOutcome GatedWrite(UnitJournal& row, const std::string& serial, const ParameterBlock& block,
                              const StationHooks& hooks, std::string& note);
    // The write of block, waited for until verified or ended.
    StationOutcome Write(UnitJournal& row, const ParameterBlock& block, const StationHooks& hooks, std::string& note);
    UnitOnLine OnLine();
    std::string Serial();

    UnitStationSettings settings_;
    const std::map<std::string, WantedFrequencies>& plan_;
    const std::set<std::string>& programmedBefore_;
    TSioComm comm_;
    SioExchangePort line_{comm_};
    StationHost host_;
    JournalingHost notes_{host_};
    ProgrammingExchange exchange_{notes_, line_};
    std::optional<Journal> journal_;
    std::unique_ptr<WorkshopClaims> claims_;
    bool readCompleted_ = false;
    bool abandoned_ = false;
    std::chrono::steady_clock::time_point readStart_;
};

}  // namespace torv
