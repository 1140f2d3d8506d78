#include "cli/batch_plan.h"

#include <algorithm>
#include <utility>

#include "cli/arguments.h"
#include "cli/cli_text.h"
#include "production/plan_file.h"

namespace torv::cli {
namespace {

// What is wrong with the plan at path, in torvctl's words.
std::string ProblemText(const PlanProblem& problem, const std::string& path)
{
    using Kind = PlanProblem::Kind;
    const QString file = ToQString(path);
    const QString detail = ToQString(problem.detail);
    const auto unreadable = [&](const QString& why) {
        return CliText::tr("cannot read the plan %1: %2").arg(file, why);
    };
    const QString where = CliText::tr("the plan %1, row %2: ").arg(file).arg(problem.row);
    switch (problem.kind) {
    case Kind::Unreadable: return Utf8(unreadable(detail));
    case Kind::NotARegularFile: return Utf8(unreadable(CliText::tr("it is not a regular file")));
    case Kind::TooLarge: return Utf8(unreadable(CliText::tr("it is larger than 10 MiB")));
    case Kind::NotCsv: return Utf8(CliText::tr("the plan %1 is %2").arg(file, ToQString(CsvProblemText(problem))));
    case Kind::BadHeader:
        return Utf8(CliText::tr("the plan %1 must start with the header serial,f1,f2,step").arg(file));
    case Kind::MoreFields: return Utf8(where + CliText::tr("more fields than the header names"));
    case Kind::NoSerial: return Utf8(where + CliText::tr("no serial number"));
    case Kind::PlannedTwice: return Utf8(where + CliText::tr("serial number %1 is planned twice").arg(detail));
    case Kind::NotAFrequency: return Utf8(where) + MHzTextProblem(MHzText::NotANumber, problem.detail);
    case Kind::FrequencyOutOfBounds: return Utf8(where) + MHzTextProblem(MHzText::OutOfBounds, problem.detail);
    case Kind::UnknownStep: return Utf8(where) + GridStepProblem(problem.detail);
    case Kind::NoUnit: return Utf8(CliText::tr("the plan %1 plans no unit").arg(file));
    }
    return Utf8(where);
}

}  // namespace

std::string CsvProblemText(const PlanProblem& problem)
{
    return Utf8(CliText::tr("not valid CSV after row %1: %2").arg(problem.row).arg(ToQString(problem.detail)));
}

std::vector<std::vector<std::string>> CsvRows(const std::string& text, unsigned char delimiter)
{
    CsvTable table = ReadCsv(text, delimiter);
    if (table.problem)
        throw UsageError(CsvProblemText(*table.problem));
    return std::move(table.rows);
}

BatchPlan::BatchPlan(WantedFrequencies everyUnit) : everyUnit_(std::move(everyUnit)) {}

BatchPlan BatchPlan::FromCsv(const std::string& path, bool gridEditEnabled)
{
    return Read(ReadPlanFile(path, gridEditEnabled), path);
}

BatchPlan BatchPlan::FromText(std::string text, const std::string& path, bool gridEditEnabled)
{
    return Read(ReadPlanText(std::move(text), gridEditEnabled), path);
}

BatchPlan BatchPlan::Read(PlanReading reading, const std::string& path)
{
    if (reading.problem)
        throw UsageError(ProblemText(*reading.problem, path));
    BatchPlan plan;
    plan.units_ = std::move(reading.units);
    return plan;
}

std::optional<WantedFrequencies> BatchPlan::For(const std::string& serial) const
{
    if (everyUnit_)
        return everyUnit_;
    const auto unit = units_.find(serial);
    return unit == units_.end() ? std::nullopt : std::optional(unit->second);
}

bool BatchPlan::AllAmong(const std::set<std::string>& serials) const
{
    return !everyUnit_ &&
           std::all_of(units_.begin(), units_.end(), [&](const auto& unit) { return serials.contains(unit.first); });
}

std::vector<std::string> BatchPlan::NotAmong(const std::set<std::string>& serials) const
{
    std::vector<std::string> missing;
    for (const auto& unit : units_)
        if (!serials.contains(unit.first))
            missing.push_back(unit.first);
    return missing;
}

}  // namespace torv::cli
