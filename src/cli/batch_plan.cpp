#include "cli/batch_plan.h"

#include <csv.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "cli/arguments.h"
#include "cli/cli_text.h"

namespace torv::cli {
namespace {

using Row = std::vector<std::string>;

// The columns a plan may have, in this order; the first two it must have.
constexpr std::array<std::string_view, 4> kColumns = {"serial", "f1", "f2", "step"};

// A plan is a spreadsheet's few rows: anything larger is not one.
constexpr std::size_t kLargestPlan = 10 * 1024 * 1024;

// The plan's bytes, from a regular file only (a pipe or a device could block or never end).
std::string FileText(const std::string& path)
{
    const auto unreadable = [&](const QString& why) {
        return UsageError(Utf8(CliText::tr("cannot read the plan %1: %2").arg(ToQString(path), why)));
    };
    struct File {
        int fd;
        ~File()
        {
            if (fd >= 0)
                ::close(fd);
        }
    } file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    struct stat info {};
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0)
        throw unreadable(ToQString(std::strerror(errno)));
    if (!S_ISREG(info.st_mode))
        throw unreadable(CliText::tr("it is not a regular file"));
    std::string text;
    char piece[1 << 16];
    for (;;) {
        const ssize_t count = ::read(file.fd, piece, sizeof piece);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            throw unreadable(ToQString(std::strerror(errno)));
        if (count == 0)
            break;
        text.append(piece, static_cast<std::size_t>(count));
        if (text.size() > kLargestPlan)
            throw unreadable(CliText::tr("it is larger than 10 MiB"));
    }
    return text;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

}  // namespace

std::vector<std::vector<std::string>> CsvRows(const std::string& text, unsigned char delimiter)
{
    struct Collected {
        std::vector<std::vector<std::string>> rows;
        std::vector<std::string> row;
    } collected;
    const auto field = [](void* bytes, std::size_t size, void* data) {
        static_cast<Collected*>(data)->row.emplace_back(static_cast<const char*>(bytes), size);
    };
    const auto rowEnd = [](int, void* data) {
        auto* into = static_cast<Collected*>(data);
        into->rows.push_back(std::exchange(into->row, {}));
    };
    csv_parser parser{};
    csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI);
    const std::unique_ptr<csv_parser, decltype(&csv_free)> freed(&parser, &csv_free);
    csv_set_delim(&parser, delimiter);
    if (csv_parse(&parser, text.data(), text.size(), field, rowEnd, &collected) != text.size() ||
        csv_fini(&parser, field, rowEnd, &collected) != 0)
        throw UsageError(Utf8(CliText::tr("not valid CSV after row %1: %2")
                                  .arg(collected.rows.size())
                                  .arg(ToQString(csv_strerror(csv_error(&parser))))));
    return collected.rows;
}

BatchPlan::BatchPlan(WantedFrequencies everyUnit) : everyUnit_(std::move(everyUnit)) {}

BatchPlan BatchPlan::FromCsv(const std::string& path, bool gridEditEnabled)
{
    return FromText(FileText(path), path, gridEditEnabled);
}

BatchPlan BatchPlan::FromText(std::string text, const std::string& path, bool gridEditEnabled)
{
    if (text.starts_with("\xEF\xBB\xBF"))  // the byte order mark spreadsheets put first
        text.erase(0, 3);
    const std::string header = text.substr(0, text.find('\n'));
    const bool semicolons = header.find(';') != std::string::npos && header.find(',') == std::string::npos;
    std::vector<Row> rows;
    try {
        rows = CsvRows(text, semicolons ? ';' : ',');
    } catch (const UsageError& error) {
        throw UsageError(Utf8(CliText::tr("the plan %1 is %2").arg(ToQString(path), ToQString(error.what()))));
    }

    const Row columns = rows.empty() ? Row{} : rows.front();
    const bool headerFits =
        columns.size() >= 2 && columns.size() <= kColumns.size() &&
        std::equal(columns.begin(), columns.end(), kColumns.begin(),
                   [](const std::string& name, std::string_view wanted) { return Lower(name) == wanted; });
    if (!headerFits)
        throw UsageError(
            Utf8(CliText::tr("the plan %1 must start with the header serial,f1,f2,step").arg(ToQString(path))));
    BatchPlan plan;
    for (std::size_t number = 1; number < rows.size(); ++number) {
        Row row = rows[number];
        const std::string where = Utf8(CliText::tr("the plan %1, row %2: ").arg(ToQString(path)).arg(number + 1));
        if (row.size() > columns.size())
            throw UsageError(where + Utf8(CliText::tr("more fields than the header names")));
        row.resize(kColumns.size());
        if (semicolons) {
            for (std::size_t column = 1; column < kColumns.size(); ++column)  // f1, f2, step
                std::replace(row[column].begin(), row[column].end(), ',', '.');
        }
        const std::string& serial = row[0];
        if (serial.empty())
            throw UsageError(where + Utf8(CliText::tr("no serial number")));
        if (plan.units_.contains(serial))
            throw UsageError(where + Utf8(CliText::tr("serial number %1 is planned twice").arg(ToQString(serial))));
        TypedFrequencies wanted{row[1], std::nullopt, row[2].empty(), std::nullopt, gridEditEnabled};
        if (!row[2].empty())
            wanted.f2 = row[2];
        if (!row[3].empty())
            wanted.step = row[3];
        try {
            plan.units_.emplace(serial, CheckedWanted(wanted));
        } catch (const UsageError& error) {
            throw UsageError(where + error.what());
        }
    }
    if (plan.units_.empty())
        throw UsageError(Utf8(CliText::tr("the plan %1 plans no unit").arg(ToQString(path))));
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
