#pragma once
// torvctl ports, read and write: the transmitter exchange from the command line.

#include <string>
#include <vector>

#include "cli/terminal_host.h"

namespace torv::cli {

// torvctl ports [--json]
int RunPorts(const std::vector<std::string>& args, const Console& console);

// torvctl read (--port NAME|PATH | --demo) [--accept-damaged] [--json] [--trace]
int RunRead(const std::vector<std::string>& args, const Console& console);

// torvctl write (--port NAME|PATH | --demo) --f1 MHZ [--f2 MHZ | --no-f2] [--step 12.5|25]
//               [--enable-grid-edit] [--accept-damaged] [--json] [--trace]
int RunWrite(const std::vector<std::string>& args, const Console& console);

// torvctl restore (--port NAME|PATH | --demo) --serial S [--before TIME] [--json] [--trace]:
// writes back the frequencies the unit held before its last verified write.
int RunRestore(const std::vector<std::string>& args, const Console& console);

}  // namespace torv::cli
