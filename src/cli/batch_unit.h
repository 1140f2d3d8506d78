#pragma once
// One unit of a batch once it has been read: looked up in the plan, checked, written,
// verified and journaled, the same at every station; and how such units are reported.

#include <optional>
#include <string>

#include "cli/results.h"
#include "cli/write_steps.h"
#include "journal/workshop_claims.h"
#include "production/batch_engine.h"

namespace torv::cli {

class BatchPlan;
class CommandJournal;
class Session;

struct UnitSteps {
    const BatchPlan& plan;
    bool acceptDamaged = false;
    bool programmedEarlier = false;    // in this batch, here or at another station: not written again
    BeforeWriting beforeWriting{};     // once the checks have passed, before the block is sent
    WorkshopClaims* claims = nullptr;  // an order's units are claimed before they are written
};

// The unit just read, or whose read failed (readFailure), handled as steps say; its
// journal row is written.
UnitReport ProgramReadUnit(Session& session, CommandJournal& journal, const std::optional<CommandFailure>& readFailure,
                           const UnitSteps& steps);

// The unit's one line: serial, frequencies, outcome and seconds, tab-separated, after the
// station's name when one is given.
std::string UnitLine(const UnitReport& unit, const std::string& station = {});
QJsonObject UnitJson(const UnitReport& unit);

// The failure that weighs most on a batch's exit code: a unit left in an unknown state
// first, then a port lost, a failed exchange, a refusal.
int Weight(int exitCode);

}  // namespace torv::cli
