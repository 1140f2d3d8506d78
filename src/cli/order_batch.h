#pragma once
// A batch for an order of the workshop's server (--order CODE with a server configured):
// its plan read from the server, and the claims through which each unit of the order is
// programmed by one bench only.

#include <memory>
#include <string>
#include <variant>

#include "cli/batch_plan.h"
#include "cli/results.h"
#include "cli/terminal_host.h"
#include "journal/workshop_claims.h"

namespace torv::cli {

class Arguments;

// The batch claims the units of its order: an order, a server, and real units. Throws
// UsageError for such a batch without a journal, which keeps the claims made while the
// server is away.
bool ClaimsUnits(const Arguments& arguments);

// Where a batch's plan comes from, with an order and a server, neither --plan nor --f1.
bool PlanFromServer(const Arguments& arguments);

// The order's plan as the server has it, kept in the journal for while it is away; while
// it is, the plan last kept. The failure (exit 7) when neither has the order.
std::variant<BatchPlan, CommandFailure> OrderPlan(const Arguments& arguments, const Console& console);

// A station's claims, kept in its journal; null when the batch claims nothing.
std::unique_ptr<WorkshopClaims> StationClaims(const Arguments& arguments, Journal& journal);

}  // namespace torv::cli
