#pragma once
// torvctl's command word: which command runs, its usage text, and a bad command line
// turned into exit code 2 with one clear line (and a JSON object when --json was given).

#include <string>
#include <vector>

#include "cli/terminal_host.h"

namespace torv::cli {

extern const char* const kUsage;

// words: the command line without the program's name.
int RunTorvctl(const std::vector<std::string>& words, const Console& console);

}  // namespace torv::cli
