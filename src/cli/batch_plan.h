#pragma once
// The frequencies a batch gives each unit: one set for every unit, or a plan by serial
// number read from a CSV file with the header serial,f1,f2,step (f2 empty: one frequency;
// step empty: as read). A file saved with ';' between fields takes ',' as decimal mark.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/write_steps.h"
#include "production/plan_file.h"

namespace torv::cli {

// The rows of CSV text: quoted fields, doubled quotes, blanks around unquoted fields and
// blank rows left out. Throws UsageError for text that is not CSV.
std::vector<std::vector<std::string>> CsvRows(const std::string& text, unsigned char delimiter = ',');
// Why CSV text could not be read: "not valid CSV after row N: reason".
std::string CsvProblemText(const PlanProblem& problem);

class BatchPlan {
public:
    // The same frequencies for every unit.
    explicit BatchPlan(WantedFrequencies everyUnit);
    // Reads and checks the whole file, a regular file of at most 10 MiB; gridEditEnabled
    // applies to every row. Throws UsageError naming the file and the row.
    static BatchPlan FromCsv(const std::string& path, bool gridEditEnabled);
    // The same for the file's text; path names it in messages.
    static BatchPlan FromText(std::string text, const std::string& path, bool gridEditEnabled);

    // The frequencies for the unit; nothing when it is not in the plan.
    std::optional<WantedFrequencies> For(const std::string& serial) const;
    // Every unit the file plans is among these (never for one set for every unit).
    bool AllAmong(const std::set<std::string>& serials) const;
    // The units the file plans, by serial number; none for one set for every unit.
    const std::map<std::string, WantedFrequencies>& Units() const { return units_; }
    // The units the file plans that are not among these, in serial number order.
    std::vector<std::string> NotAmong(const std::set<std::string>& serials) const;

private:
    BatchPlan() = default;
    // The plan read, or UsageError naming path and the row at fault.
    static BatchPlan Read(PlanReading reading, const std::string& path);

    std::optional<WantedFrequencies> everyUnit_;
    std::map<std::string, WantedFrequencies> units_;
};

}  // namespace torv::cli
