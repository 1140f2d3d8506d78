#pragma once
// torvctl ports, read and write: the transmitter exchange from the command line.

#include <iosfwd>
#include <string>
#include <vector>

namespace torv::cli {

// torvctl ports
int RunPorts(const std::vector<std::string>& args, std::ostream& out);

// torvctl read (--port NAME|PATH | --demo) [--json] [--trace]
int RunRead(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// torvctl write (--port NAME|PATH | --demo) --f1 MHZ [--f2 MHZ | --no-f2] [--step 12.5|25]
//               [--enable-grid-edit] [--trace]
int RunWrite(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace torv::cli
