#pragma once
// A production plan: the frequencies of each unit by serial number, read from a CSV file
// with the header serial,f1,f2,step (f2 empty: one frequency; step empty: as read), as a
// spreadsheet saves it. A file with ';' between fields takes ',' as decimal mark. What is
// wrong with a file is told by a kind, the row and the text at fault, so that each front
// end words it in its own language.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "production/unit_request.h"

namespace torv {

struct PlanProblem {
    enum class Kind {
        Unreadable,            // detail: the system's reason
        NotARegularFile,       // a folder, a pipe or a device
        TooLarge,              // more than 10 MiB
        NotCsv,                // row: the rows read before; detail: the parser's reason
        BadHeader,             // not serial,f1[,f2[,step]]
        MoreFields,            // row: more fields than the header names
        NoSerial,              // row
        PlannedTwice,          // row; detail: the serial number
        NotAFrequency,         // row; detail: the text
        FrequencyOutOfBounds,  // row; detail: the text
        UnknownStep,           // row; detail: the text
        NoUnit,                // a header and nothing else
    };
    Kind kind = Kind::Unreadable;
    std::size_t row = 0;  // counted from 1, the header being row 1
    std::string detail;
    int systemError = 0;  // Unreadable: the system's error number
};

struct PlanReading {
    std::map<std::string, WantedFrequencies> units;  // empty when there is a problem
    std::optional<PlanProblem> problem;
};

// Reads and checks the whole file, a regular file of at most 10 MiB; gridEditEnabled
// applies to every row.
PlanReading ReadPlanFile(const std::string& path, bool gridEditEnabled);
// The same for a file's text.
PlanReading ReadPlanText(std::string text, bool gridEditEnabled);

// The rows of CSV text: quoted fields, doubled quotes, blanks around unquoted fields and
// blank rows left out. Text that is not CSV gives a NotCsv problem.
struct CsvTable {
    std::vector<std::vector<std::string>> rows;
    std::optional<PlanProblem> problem;
};
CsvTable ReadCsv(const std::string& text, unsigned char delimiter = ',');

// A frequency in MHz as a plan or a command line gives it: a plain decimal number with "."
// as separator, above 0 and at most 99999999 (the most a frequency field holds).
enum class MHzText { Valid, NotANumber, OutOfBounds };
MHzText CheckMHzText(std::string_view text, double& value);
// A grid step "12.5" or "25": true for 25 kHz; nothing for any other text.
std::optional<bool> GridStepNamed(std::string_view text);

}  // namespace torv
