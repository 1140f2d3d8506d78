#pragma once
// torvctl doctor: why a port or its adapter does not work, one check a line, with the fix.

#include <string>
#include <vector>

#include "cli/terminal_host.h"

namespace torv::cli {

// torvctl doctor [--port NAME|PATH] [--loopback] [--json]. Without --port every port the
// system lists is checked. Exit 0 when a port opens and its adapter answers, 3 when the
// port opens but no adapter answers, 4 when the port is unavailable, 2 for a bad command
// line.
int RunDoctor(const std::vector<std::string>& args, const Console& console);

}  // namespace torv::cli
