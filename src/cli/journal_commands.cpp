#include "cli/journal_commands.h"

#include <cstdio>
#include <ostream>

#include <QJsonArray>
#include <QJsonObject>

#include "cli/arguments.h"
#include "cli/cli_text.h"
#include "cli/command_journal.h"
#include "cli/write_steps.h"
#include "device/frequency_codec.h"
#include "journal/journal.h"

namespace torv::cli {
namespace {

std::string MHzText(const std::optional<double>& mhz)
{
    return mhz ? FormatMHz(*mhz * 1e6, ".") : "";
}

std::string OptionalText(const std::optional<int>& value)
{
    return value ? std::to_string(*value) : "";
}

// The outcome as the table shows it: a write that never completed its row says so. The
// outcome itself is shown as it was recorded.
std::string OutcomeText(const JournalEntry& row)
{
    switch (row.state) {
    case RowState::InProgress: return Utf8(CliText::tr("in progress"));
    case RowState::Interrupted:
        return Utf8(row.outcome.empty() || row.outcome == "in progress"
                        ? CliText::tr("interrupted: the unit's state is unknown")
                        : CliText::tr("interrupted: the unit's state is unknown (%1)").arg(Q(row.outcome)));
    case RowState::Done: break;
    }
    return row.outcome;
}

// Every column, in the order of the CSV header; the JSON leaves the local time out.
std::vector<std::pair<const char*, std::string>> Columns(const JournalEntry& e)
{
    return {{"time_utc", e.timeUtc},
            {"time_local", ShownTime(e.timeUtc, LocalIsoText)},
            {"program", e.program},
            {"operation", e.operation},
            {"port", e.port},
            {"adapter", e.adapter},
            {"outcome", e.outcome},
            {"success", e.success ? "1" : "0"},
            {"exit_code", OptionalText(e.exitCode)},
            {"device_type", OptionalText(e.deviceType)},
            {"date", e.date},
            {"serial", e.serial},
            {"version", e.version},
            {"info_hex", e.infoHex},
            {"block_read_hex", e.blockReadHex},
            {"block_written_hex", e.blockWrittenHex},
            {"read_back_hex", e.readBackHex},
            {"f1_before_mhz", MHzText(e.f1BeforeMHz)},
            {"f2_before_mhz", MHzText(e.f2BeforeMHz)},
            {"f1_after_mhz", MHzText(e.f1AfterMHz)},
            {"f2_after_mhz", MHzText(e.f2AfterMHz)},
            {"state", RowStateName(e.state)}};
}

// A CSV field, quoted when it holds a separator, a quote or a line break.
std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

void PrintCsv(const std::vector<JournalEntry>& rows, std::ostream& out)
{
    const auto header = Columns(JournalEntry{});
    for (std::size_t i = 0; i < header.size(); ++i)
        out << (i ? "," : "") << header[i].first;
    out << "\r\n";
    for (const JournalEntry& row : rows) {
        const auto fields = Columns(row);
        for (std::size_t i = 0; i < fields.size(); ++i)
            out << (i ? "," : "") << CsvField(fields[i].second);
        out << "\r\n";
    }
}

void PrintJsonRows(const std::vector<JournalEntry>& rows, std::ostream& out)
{
    QJsonArray list;
    for (const JournalEntry& row : rows) {
        QJsonObject object;
        for (const auto& [name, value] : Columns(row))
            if (std::string_view(name) != "time_local")
                object.insert(name, QString::fromStdString(value));
        object.insert("success", row.success);
        list.append(object);
    }
    PrintJson(QJsonObject{{"exitCode", kExitOk}, {"rows", list}}, out);
}

// One line a row: when, what, which unit, the frequencies before and after, the outcome.
void PrintTable(const std::vector<JournalEntry>& rows, std::ostream& out)
{
    if (rows.empty())
        out << Utf8(CliText::tr("no operations recorded")) << "\n";
    for (const JournalEntry& row : rows) {
        const std::string before = MHzText(row.f1BeforeMHz) + (row.f2BeforeMHz ? "/" + MHzText(row.f2BeforeMHz) : "");
        const std::string after = MHzText(row.f1AfterMHz) + (row.f2AfterMHz ? "/" + MHzText(row.f2AfterMHz) : "");
        char line[200];
        std::snprintf(line, sizeof line, "%-26s %-7s %-7s %-8s %-17s %-17s ", ShownTime(row.timeUtc).c_str(),
                      row.program.c_str(), row.operation.c_str(), row.serial.empty() ? "-" : row.serial.c_str(),
                      before.empty() ? "-" : before.c_str(), after.empty() ? "-" : after.c_str());
        out << line << OutcomeText(row) << "\n";
    }
}

}  // namespace

int RunJournal(const std::vector<std::string>& args, const Console& console)
{
    const Arguments arguments(args, {{"--serial", true},
                                     {"--since", true},
                                     {"--until", true},
                                     {"--outcome", true},
                                     {"--json"},
                                     {"--csv"}});
    if (!arguments.Positional().empty())
        throw UsageError(Utf8(CliText::tr("%1 takes no positional arguments").arg("journal")));
    if (arguments.Has("--json") && arguments.Has("--csv"))
        throw UsageError(Utf8(CliText::tr("give --json or --csv, not both")));
    JournalQuery query;
    query.serial = arguments.Value("--serial").value_or("");
    // A date or a time given in part covers the whole of it: --until 2026-12-01 takes the day.
    if (const std::optional<std::string> since = arguments.Value("--since"))
        query.since = ParseTimeOption("--since", *since).begin;
    if (const std::optional<std::string> until = arguments.Value("--until"))
        query.before = ParseTimeOption("--until", *until).end;
    if (const std::optional<std::string> outcome = arguments.Value("--outcome")) {
        if (*outcome != "success" && *outcome != "failed")
            throw UsageError(Utf8(CliText::tr("--outcome takes success or failed, not \"%1\"").arg(Q(*outcome))));
        query.success = *outcome == "success";
    }
    const JournalRows found = ReadJournal(query);
    if (found.failure)
        return Report(*found.failure, arguments.Has("--json"), console);
    if (arguments.Has("--json"))
        PrintJsonRows(found.rows, console.out);
    else if (arguments.Has("--csv"))
        PrintCsv(found.rows, console.out);
    else
        PrintTable(found.rows, console.out);
    return kExitOk;
}

}  // namespace torv::cli
