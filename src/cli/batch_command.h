#pragma once
// torvctl batch: a production line on one port. Each unit connected is read, looked up in
// the plan by its serial number, written, verified and journaled, and gets one line.

#include <string>
#include <vector>

#include "cli/terminal_host.h"

namespace torv::cli {

// torvctl batch (--port NAME|PATH | --demo) (--plan FILE | --f1 MHZ [--f2 MHZ | --no-f2]
//               [--step 12.5|25]) [--units N] [--enable-grid-edit] [--accept-damaged] [--json]
int RunBatch(const std::vector<std::string>& args, const Console& console);

}  // namespace torv::cli
