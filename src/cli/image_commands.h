#pragma once
// torvctl save and load: a unit's frequencies kept in a file, and written into the same
// unit later or into another of its type (a clone).

#include <string>
#include <vector>

#include "cli/terminal_host.h"

namespace torv::cli {

// torvctl save (--port NAME|PATH | --demo) [--accept-damaged] [--json] [--trace] FILE
int RunSave(const std::vector<std::string>& args, const Console& console);

// torvctl load (--port NAME|PATH | --demo) [--yes] [--dry-run] [--accept-damaged] [--json]
//              [--trace] FILE
int RunLoad(const std::vector<std::string>& args, const Console& console);

}  // namespace torv::cli
