#pragma once
// One station of a batch on several ports (or one that waits for each unit): its
// session with the adapter, its journal and its unit handling, made and used on the
// station's own thread.

#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "cli/arguments.h"
#include "cli/exchange_session.h"
#include "journal/journal.h"
#include "journal/workshop_claims.h"
#include "production/batch_engine.h"

namespace torv::cli {

class BatchPlan;

class BatchStation : public StationWork {
public:
    // words: the station's own command line (its --port, and the batch's --demo,
    // --accept-damaged and --no-journal). Throws UsageError.
    BatchStation(const std::vector<std::string>& words, const BatchPlan& plan);

    Sighting Look() override;
    UnitReport Handle(bool claimed, const StationHooks& hooks) override;
    void Abandon() override { session_.StopSignalled(2); }

private:
    Arguments arguments_;
    // What the exchange says while polling is of no use to anyone; a unit's outcome
    // tells what matters of it.
    std::ostringstream out_;
    std::ostringstream messages_;
    Console console_{out_, messages_, nullptr};
    Session session_;
    std::optional<Journal> journal_;
    std::unique_ptr<WorkshopClaims> claims_;  // with an order on the workshop's server
    const BatchPlan& plan_;
    std::optional<CommandFailure> readFailure_;
    std::chrono::steady_clock::time_point readStart_;
};

}  // namespace torv::cli
