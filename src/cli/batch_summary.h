#pragma once
// The end of a batch: counts per station and in all, units programmed per hour, the
// units whose state is unknown, and the batch's exit code.

#include <iosfwd>
#include <string>
#include <vector>

#include "production/batch_engine.h"

namespace torv::cli {

enum class BatchOutput {
    Lines,      // one line per unit, then the summary lines
    Json,       // one JSON object at the end, with every unit
    JsonLines,  // one JSON object per unit as it ends, then one for the summary
};

class Arguments;

// --json, --json-lines, or lines.
BatchOutput OutputAsked(const Arguments& arguments);

// The summary of units (each naming its station among stations; with one name the
// stations go unnamed, as on a single port) over seconds, printed as output says.
// Returns the batch's exit code: that of the failure weighing most, 1 when nothing was
// programmed and nothing failed, else 0.
int PrintBatchSummary(const std::vector<UnitReport>& units, const std::vector<std::string>& stations, double seconds,
                      BatchOutput output, std::ostream& out);

}  // namespace torv::cli
