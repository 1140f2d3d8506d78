#include "cli/journal_commands.h"

#include <algorithm>
#include <ostream>

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include "cli/arguments.h"
#include "cli/cli_text.h"
#include "cli/command_journal.h"
#include "cli/workshop_server.h"
#include "cli/write_steps.h"
#include "device/frequency_codec.h"
#include "journal/journal.h"
#include "journal/outcome_kind.h"

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

// The outcome in words, as people read it; the notes behind it are in the CSV's
// outcome_detail and the JSON's outcome.
QString OutcomeWords(const JournalEntry& row)
{
    switch (OutcomeOf(row)) {
    case OutcomeKind::Read: return CliText::tr("read");
    case OutcomeKind::ReadDamagedAccepted: return CliText::tr("read, damaged block accepted");
    case OutcomeKind::WriteVerified: return CliText::tr("written and verified");
    case OutcomeKind::WriteNotVerified: return CliText::tr("written, not verified: state unknown");
    case OutcomeKind::WriteInProgress: return CliText::tr("write in progress");
    case OutcomeKind::WriteInterrupted: return CliText::tr("write interrupted: state unknown");
    case OutcomeKind::RefusedNeedsTuning: return CliText::tr("refused: frequency cannot be programmed");
    case OutcomeKind::RefusedOutOfRange: return CliText::tr("refused: frequency out of range");
    case OutcomeKind::RefusedDamagedData: return CliText::tr("refused: damaged data");
    case OutcomeKind::RefusedWriteLocked: return CliText::tr("refused: writing locked by the adapter");
    case OutcomeKind::RefusedWrongUnit: return CliText::tr("refused: another unit connected");
    case OutcomeKind::RefusedWrongType: return CliText::tr("refused: image of another device type");
    case OutcomeKind::Declined: return CliText::tr("not confirmed: nothing written");
    case OutcomeKind::PortUnavailable: return CliText::tr("port unavailable");
    case OutcomeKind::NoAdapter: return CliText::tr("no adapter found");
    case OutcomeKind::DeviceTypeRefused: return CliText::tr("device type not set");
    case OutcomeKind::NoTransmitter: return CliText::tr("no transmitter connected");
    case OutcomeKind::NotATransmitter: return CliText::tr("not a transmitter");
    case OutcomeKind::TransmitterNotResponding: return CliText::tr("transmitter not responding");
    case OutcomeKind::ExchangeFailed: break;
    }
    return CliText::tr("exchange failed");
}

// Every column, in the order of the CSV header; the JSON leaves the local time and the
// outcome's words out, and keeps the notes as "outcome".
std::vector<std::pair<const char*, std::string>> Columns(const JournalEntry& e)
{
    return {{"time_utc", e.timeUtc},
            {"time_local", ShownTime(e.timeUtc, LocalIsoText)},
            {"program", e.program},
            {"operation", e.operation},
            {"port", e.port},
            {"adapter", e.adapter},
            {"outcome", Utf8(OutcomeWords(e))},
            {"outcome_detail", e.outcome},
            {"outcome_kind", OutcomeKindName(OutcomeOf(e))},
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
            {"state", RowStateName(e.state)},
            {"demo", e.demo ? "1" : "0"},
            {"id", e.uuid},
            {"bench", e.bench},
            {"station", e.station},
            {"operator", e.operatorName},
            {"order_code", e.orderCode},
            {"program_version", e.programVersion},
            {"duration_ms", e.durationMs ? std::to_string(*e.durationMs) : ""},
            {"run_id", e.runId}};
}

// A CSV field, quoted when it holds a separator, a quote or a line break. A text that a
// spreadsheet would take for a formula (= + - @, or a tab or carriage return first) is
// kept as text by a leading apostrophe: the journal holds what adapters and operators
// typed, and opening an export must never run it.
std::string CsvField(const std::string& field)
{
    const bool formula = !field.empty() && std::string_view("=+-@\t\r").find(field.front()) != std::string_view::npos;
    const std::string text = formula ? "'" + field : field;
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
        for (const auto& [name, value] : Columns(row)) {
            const std::string_view column(name);
            if (column != "time_local" && column != "outcome" && column != "outcome_detail")
                object.insert(name, QString::fromStdString(value));
        }
        object.insert("outcome", QString::fromStdString(row.outcome));
        object.insert("success", row.success);
        object.insert("demo", row.demo);
        list.append(object);
    }
    PrintJson(QJsonObject{{"exitCode", kExitOk}, {"rows", list}}, out);
}

// A header, then one line a row: when, what, which unit, the frequencies before and
// after, the outcome in words.
void PrintTable(const std::vector<JournalEntry>& rows, std::ostream& out)
{
    if (rows.empty()) {
        out << Utf8(CliText::tr("no operations recorded")) << "\n";
        return;
    }
    // Each column as wide as its widest cell, counted in characters, so that the columns
    // line up in either language; the outcome, last, is not padded.
    std::vector<QStringList> table{{CliText::tr("TIME"), CliText::tr("PROGRAM"), CliText::tr("ACTION"),
                                    CliText::tr("SERIAL"), CliText::tr("BEFORE MHZ"), CliText::tr("AFTER MHZ"),
                                    CliText::tr("OUTCOME")}};
    for (const JournalEntry& row : rows) {
        const std::string before = MHzText(row.f1BeforeMHz) + (row.f2BeforeMHz ? "/" + MHzText(row.f2BeforeMHz) : "");
        const std::string after = MHzText(row.f1AfterMHz) + (row.f2AfterMHz ? "/" + MHzText(row.f2AfterMHz) : "");
        table.push_back({ToQString(ShownTime(row.timeUtc)), ToQString(row.program), ToQString(row.operation),
                         ToQString(row.serial.empty() ? "-" : row.serial), ToQString(before.empty() ? "-" : before),
                         ToQString(after.empty() ? "-" : after), OutcomeWords(row)});
    }
    QList<qsizetype> widths(table.front().size(), 0);
    for (const QStringList& cells : table)
        for (qsizetype column = 0; column < cells.size(); ++column)
            widths[column] = std::max(widths[column], cells[column].size());
    for (const QStringList& cells : table) {
        QString line;
        for (qsizetype column = 0; column + 1 < cells.size(); ++column)
            line += cells[column].leftJustified(widths[column]) + ' ';
        out << Utf8(line + cells.back()) << "\n";
    }
}

}  // namespace

int RunJournal(const std::vector<std::string>& args, const Console& console)
{
    const Arguments arguments(args, {{"--serial", true},
                                     {"--since", true},
                                     {"--until", true},
                                     {"--outcome", true},
                                     {"--with-demo"},
                                     {"--json"},
                                     {"--csv"},
                                     {"--server"},
                                     {"--sync"},
                                     {"--status"},
                                     {"--journal-mode", true}});
    if (!arguments.Positional().empty())
        throw UsageError(Utf8(CliText::tr("%1 takes no positional arguments").arg("journal")));
    if (arguments.Has("--sync") + arguments.Has("--status") + arguments.Has("--server") > 1)
        throw UsageError(Utf8(CliText::tr("give one of --sync, --status and --server")));
    if (arguments.Has("--sync"))
        return RunJournalSync(arguments, console);
    if (arguments.Has("--status"))
        return RunJournalStatus(arguments, console);
    if (arguments.Has("--json") && arguments.Has("--csv"))
        throw UsageError(Utf8(CliText::tr("give --json or --csv, not both")));
    JournalQuery query;
    query.serial = arguments.Value("--serial").value_or("");
    if (!arguments.Has("--with-demo"))
        query.demo = false;  // the built-in emulated unit is no unit of the workshop
    // A date or a time given in part covers the whole of it: --until 2026-12-01 takes the day.
    if (const std::optional<std::string> since = arguments.Value("--since"))
        query.since = ParseTimeOption("--since", *since).begin;
    if (const std::optional<std::string> until = arguments.Value("--until"))
        query.before = ParseTimeOption("--until", *until).end;
    if (const std::optional<std::string> outcome = arguments.Value("--outcome")) {
        if (*outcome != "success" && *outcome != "failed")
            throw UsageError(
                Utf8(CliText::tr("--outcome takes success or failed, not \"%1\"").arg(ToQString(*outcome))));
        query.success = *outcome == "success";
    }
    const JournalRows found = arguments.Has("--server") ? ReadServer(arguments, query) : ReadJournal(query);
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
