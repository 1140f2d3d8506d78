#pragma once
// torvctl batch on several stations at once, or on one that waits for each unit: every
// station polls its adapter and programs each new unit found there, with no key to
// press; the batch ends when the plan is complete, after --units units in all, after
// --idle-timeout seconds without a new unit, on q + Enter, or on SIGINT once the
// writes in progress have finished.

#include <optional>
#include <string>
#include <vector>

#include "cli/terminal_host.h"

namespace torv::cli {

class Arguments;
class BatchPlan;

// ports: the stations' ports as given (empty with --demo).
int RunStations(const Arguments& arguments, const BatchPlan& plan, const std::vector<std::string>& ports,
                std::optional<int> unitsLimit, const Console& console);

}  // namespace torv::cli
