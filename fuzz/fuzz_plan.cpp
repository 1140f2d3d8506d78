// The batch plan reader over arbitrary file text. A UsageError naming the plan is an
// expected outcome; any other exception, a crash or a broken invariant is a finding:
// - a plan read plans at least one unit, and every unit of the file's first column;
// - each planned unit's frequencies pass the checks of the write command again and
//   carry the grid-edit choice given;
// - the CSV reader never gives a row for text it calls invalid.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "cli/arguments.h"
#include "cli/batch_plan.h"
#include "fuzz_check.h"

namespace torv::cli {
namespace {

constexpr const char* kPlanName = "order.csv";

// The serial numbers of the file's rows below the header, read as the plan reader reads them.
std::set<std::string> Serials(std::string text)
{
    if (text.starts_with("\xEF\xBB\xBF"))
        text.erase(0, 3);
    const std::string header = text.substr(0, text.find('\n'));
    const bool semicolons = header.find(';') != std::string::npos && header.find(',') == std::string::npos;
    std::set<std::string> serials;
    const std::vector<std::vector<std::string>> rows = CsvRows(text, semicolons ? ';' : ',');
    for (std::size_t row = 1; row < rows.size(); ++row)
        serials.insert(rows[row].empty() ? std::string() : rows[row][0]);
    return serials;
}

void FuzzPlan(const std::string& text, bool gridEdit)
{
    try {
        const BatchPlan plan = BatchPlan::FromText(text, kPlanName, gridEdit);
        const std::set<std::string> serials = Serials(text);
        Check(!serials.empty(), "a plan without units");
        Check(plan.AllAmong(serials), "a planned unit that is not in the file");
        for (const std::string& serial : serials) {
            const std::optional<WantedFrequencies> wanted = plan.For(serial);
            Check(wanted.has_value(), "a unit of the file that is not planned");
            Check(wanted->gridEditEnabled == gridEdit, "the grid-edit choice lost");
            // What the plan holds reads back as the same values (a UsageError here is a finding).
            Check(ParseMHz(wanted->f1.text) == wanted->f1.mhz, "a first frequency that does not read back");
            if (wanted->f2)
                Check(ParseMHz(wanted->f2->text) == wanted->f2->mhz, "a second frequency that does not read back");
        }
    } catch (const UsageError& error) {
        Check(std::string(error.what()).find(kPlanName) != std::string::npos, "a plan's error that does not name it");
    }
}

void FuzzCsv(const std::string& text, unsigned char delimiter)
{
    try {
        for (const std::vector<std::string>& row : CsvRows(text, delimiter))
            Check(!row.empty(), "an empty row");
    } catch (const UsageError& error) {
        Check(error.what()[0] != '\0', "a CSV error without a message");
    }
}

}  // namespace
}  // namespace torv::cli

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const bool plan = input.ConsumeBool();
    const bool gridEditOrSemicolon = input.ConsumeBool();
    const std::string text = input.ConsumeRemainingBytesAsString();
    if (plan)
        torv::cli::FuzzPlan(text, gridEditOrSemicolon);
    else
        torv::cli::FuzzCsv(text, gridEditOrSemicolon ? ';' : ',');
    return 0;
}
