#pragma once
// torvctl journal: the rows of the journal, newest first, for people, scripts or
// spreadsheets.

#include <string>
#include <vector>

#include "cli/results.h"
#include "cli/terminal_host.h"

namespace torv::cli {

int RunJournal(const std::vector<std::string>& args, const Console& console);

}  // namespace torv::cli
