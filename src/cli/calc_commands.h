#pragma once
// torvctl calc and torvctl decode: what a frequency becomes, and what a record holds.

#include <iosfwd>
#include <string>
#include <vector>

namespace torv::cli {

// torvctl calc --legacy MHZ | --grid --type T [--step 12.5|25] [--second] MHZ
int RunCalc(const std::vector<std::string>& args, std::ostream& out);

// torvctl decode [--type T] RECORD_HEX
int RunDecode(const std::vector<std::string>& args, std::ostream& out);

}  // namespace torv::cli
