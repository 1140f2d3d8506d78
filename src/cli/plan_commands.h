#pragma once
// torvctl plan import FILE --order CODE: an order's plan loaded into the workshop's server,
// from which every bench's batch of that order may take it.

#include <string>
#include <vector>

#include "cli/terminal_host.h"

namespace torv::cli {

int RunPlan(const std::vector<std::string>& args, const Console& console);

}  // namespace torv::cli
