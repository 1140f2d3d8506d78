#include "production/plan_file.h"

#include <csv.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>
#include <utility>

namespace torv {
namespace {

using Row = std::vector<std::string>;
using Kind = PlanProblem::Kind;

// The columns a plan may have, in this order; the first two it must have.
constexpr std::array<std::string_view, 4> kColumns = {"serial", "f1", "f2", "step"};

// A plan is a spreadsheet's few rows: anything larger is not one.
constexpr std::size_t kLargestPlan = 10 * 1024 * 1024;

constexpr double kLargestFieldMHz = 99999999.0;

// The plan's bytes, from a regular file only (a pipe or a device could block or never end).
std::optional<PlanProblem> ReadFileText(const std::string& path, std::string& text)
{
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
        return PlanProblem{Kind::Unreadable, 0, std::strerror(errno), errno};
    if (!S_ISREG(info.st_mode))
        return PlanProblem{Kind::NotARegularFile, 0, {}};
    char piece[1 << 16];
    for (;;) {
        const ssize_t count = ::read(file.fd, piece, sizeof piece);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return PlanProblem{Kind::Unreadable, 0, std::strerror(errno), errno};
        if (count == 0)
            return std::nullopt;
        text.append(piece, static_cast<std::size_t>(count));
        if (text.size() > kLargestPlan)
            return PlanProblem{Kind::TooLarge, 0, {}};
    }
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// One frequency of a row, or the problem with it.
std::optional<PlanProblem> Frequency(const std::string& text, std::size_t row, FrequencyEntry& entry)
{
    switch (CheckMHzText(text, entry.mhz)) {
    case MHzText::Valid: entry.text = text; return std::nullopt;
    case MHzText::NotANumber: return PlanProblem{Kind::NotAFrequency, row, text};
    case MHzText::OutOfBounds: return PlanProblem{Kind::FrequencyOutOfBounds, row, text};
    }
    return PlanProblem{Kind::NotAFrequency, row, text};
}

// A row's frequencies as the header's columns give them, or the problem with them.
std::optional<PlanProblem> Wanted(const Row& row, std::size_t number, bool gridEditEnabled, WantedFrequencies& wanted)
{
    wanted.gridEditEnabled = gridEditEnabled;
    wanted.noF2 = row[2].empty();
    if (std::optional<PlanProblem> problem = Frequency(row[1], number, wanted.f1))
        return problem;
    if (!row[2].empty()) {
        wanted.f2.emplace();
        if (std::optional<PlanProblem> problem = Frequency(row[2], number, *wanted.f2))
            return problem;
    }
    if (!row[3].empty()) {
        wanted.grid25kHz = GridStepNamed(row[3]);
        if (!wanted.grid25kHz)
            return PlanProblem{Kind::UnknownStep, number, row[3]};
    }
    return std::nullopt;
}

PlanReading Problem(PlanProblem problem)
{
    return {{}, std::move(problem)};
}

}  // namespace

MHzText CheckMHzText(std::string_view text, double& value)
{
    const bool plainDecimal = !text.empty() && text.find_first_not_of("0123456789.") == std::string_view::npos &&
                              std::count(text.begin(), text.end(), '.') <= 1 && text != ".";
    const char* end = text.data() + text.size();
    if (!plainDecimal || std::from_chars(text.data(), end, value, std::chars_format::fixed).ptr != end)
        return MHzText::NotANumber;
    if (!(value > 0) || value > kLargestFieldMHz)
        return MHzText::OutOfBounds;
    return MHzText::Valid;
}

std::optional<bool> GridStepNamed(std::string_view text)
{
    if (text == "12.5")
        return false;
    if (text == "25")
        return true;
    return std::nullopt;
}

CsvTable ReadCsv(const std::string& text, unsigned char delimiter)
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
        return {{}, PlanProblem{Kind::NotCsv, collected.rows.size(), csv_strerror(csv_error(&parser))}};
    return {std::move(collected.rows), std::nullopt};
}

PlanReading ReadPlanFile(const std::string& path, bool gridEditEnabled)
{
    std::string text;
    if (std::optional<PlanProblem> problem = ReadFileText(path, text))
        return Problem(std::move(*problem));
    return ReadPlanText(std::move(text), gridEditEnabled);
}

PlanReading ReadPlanText(std::string text, bool gridEditEnabled)
{
    if (text.starts_with("\xEF\xBB\xBF"))  // the byte order mark spreadsheets put first
        text.erase(0, 3);
    const std::string header = text.substr(0, text.find('\n'));
    const bool semicolons = header.find(';') != std::string::npos && header.find(',') == std::string::npos;
    CsvTable table = ReadCsv(text, semicolons ? ';' : ',');
    if (table.problem)
        return Problem(std::move(*table.problem));
    const std::vector<Row>& rows = table.rows;

    const Row columns = rows.empty() ? Row{} : rows.front();
    const bool headerFits =
        columns.size() >= 2 && columns.size() <= kColumns.size() &&
        std::equal(columns.begin(), columns.end(), kColumns.begin(),
                   [](const std::string& name, std::string_view wanted) { return Lower(name) == wanted; });
    if (!headerFits)
        return Problem({Kind::BadHeader, 1, {}});
    PlanReading plan;
    for (std::size_t index = 1; index < rows.size(); ++index) {
        const std::size_t number = index + 1;
        Row row = rows[index];
        if (row.size() > columns.size())
            return Problem({Kind::MoreFields, number, {}});
        row.resize(kColumns.size());
        if (semicolons) {
            for (std::size_t column = 1; column < kColumns.size(); ++column)  // f1, f2, step
                std::replace(row[column].begin(), row[column].end(), ',', '.');
        }
        const std::string& serial = row[0];
        if (serial.empty())
            return Problem({Kind::NoSerial, number, {}});
        if (plan.units.contains(serial))
            return Problem({Kind::PlannedTwice, number, serial});
        WantedFrequencies wanted;
        if (std::optional<PlanProblem> problem = Wanted(row, number, gridEditEnabled, wanted))
            return Problem(std::move(*problem));
        plan.units.emplace(serial, std::move(wanted));
    }
    if (plan.units.empty())
        return Problem({Kind::NoUnit, 0, {}});
    return plan;
}

}  // namespace torv
