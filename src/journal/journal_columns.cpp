#include "journal/journal_columns.h"

#include <utility>

namespace torv {
namespace {

const std::pair<RowState, const char*> kStateNames[] = {
    {RowState::Done, "done"}, {RowState::InProgress, "in progress"}, {RowState::Interrupted, "interrupted"}};

}  // namespace

RowState StateNamed(const QString& name)
{
    for (const auto& [value, stateName] : kStateNames)
        if (name == stateName)
            return value;
    return RowState::Done;
}

const char* RowStateName(RowState state)
{
    for (const auto& [value, name] : kStateNames)
        if (value == state)
            return name;
    return "done";
}

namespace {

// A field's value in its column, and back.
QVariant ToColumn(const std::string& field)
{
    return QString::fromStdString(field);
}
QVariant ToColumn(bool field)
{
    return field ? 1 : 0;
}
QVariant ToColumn(long long field)
{
    return field;
}
QVariant ToColumn(RowState field)
{
    return RowStateName(field);
}
template <typename T>
QVariant ToColumn(const std::optional<T>& field)
{
    return field ? QVariant::fromValue(*field) : QVariant();
}

void FromColumn(const QVariant& value, std::string& field)
{
    field = value.toString().toStdString();
}
void FromColumn(const QVariant& value, bool& field)
{
    field = value.toInt() != 0;
}
void FromColumn(const QVariant& value, long long& field)
{
    field = value.toLongLong();
}
void FromColumn(const QVariant& value, RowState& field)
{
    field = StateNamed(value.toString());
}
template <typename T>
void FromColumn(const QVariant& value, std::optional<T>& field)
{
    field = value.isNull() ? std::nullopt : std::optional<T>(value.value<T>());
}

template <typename T>
Column EntryColumn(const char* name, const char* declaration, int since, T JournalEntry::*field,
                   SetBy setBy = SetBy::Every)
{
    return {name,
            declaration,
            since,
            setBy,
            [field](const StoredRow& row) { return ToColumn(row.entry.*field); },
            [field](StoredRow& row, const QVariant& value) { FromColumn(value, row.entry.*field); }};
}

template <typename T>
Column WriterColumn(const char* name, const char* declaration, int since, T WriterProcess::*field)
{
    return {name,
            declaration,
            since,
            SetBy::BeginWrite,
            [field](const StoredRow& row) { return ToColumn(row.writer.*field); },
            [field](StoredRow& row, const QVariant& value) { FromColumn(value, row.writer.*field); }};
}

// The operations table, column by column in the table's order. It makes the schema: a
// later version appends its columns with its number, and a journal of an older version
// is brought up to date by adding the columns of each newer one.
const std::vector<Column> kColumns = {
    EntryColumn("time_utc", "TEXT NOT NULL", 1, &JournalEntry::timeUtc),
    EntryColumn("program", "TEXT NOT NULL", 1, &JournalEntry::program),
    EntryColumn("operation", "TEXT NOT NULL", 1, &JournalEntry::operation),
    EntryColumn("port", "TEXT", 1, &JournalEntry::port),
    EntryColumn("adapter", "TEXT", 1, &JournalEntry::adapter),
    EntryColumn("outcome", "TEXT NOT NULL", 1, &JournalEntry::outcome),
    EntryColumn("success", "INTEGER NOT NULL", 1, &JournalEntry::success),
    EntryColumn("exit_code", "INTEGER", 1, &JournalEntry::exitCode),
    EntryColumn("device_type", "INTEGER", 1, &JournalEntry::deviceType),
    EntryColumn("date", "TEXT", 1, &JournalEntry::date),
    EntryColumn("serial", "TEXT", 1, &JournalEntry::serial),
    EntryColumn("version", "TEXT", 1, &JournalEntry::version),
    EntryColumn("info_hex", "TEXT", 1, &JournalEntry::infoHex),
    EntryColumn("block_read_hex", "TEXT", 1, &JournalEntry::blockReadHex),
    EntryColumn("block_written_hex", "TEXT", 1, &JournalEntry::blockWrittenHex),
    EntryColumn("read_back_hex", "TEXT", 1, &JournalEntry::readBackHex),
    EntryColumn("f1_before_mhz", "REAL", 1, &JournalEntry::f1BeforeMHz),
    EntryColumn("f2_before_mhz", "REAL", 1, &JournalEntry::f2BeforeMHz),
    EntryColumn("f1_after_mhz", "REAL", 1, &JournalEntry::f1AfterMHz),
    EntryColumn("f2_after_mhz", "REAL", 1, &JournalEntry::f2AfterMHz),
    // A write's row is made before its block goes out, naming its writer.
    EntryColumn("state", "TEXT NOT NULL DEFAULT 'done'", 2, &JournalEntry::state),
    WriterColumn("writer_pid", "INTEGER", 2, &WriterProcess::pid),
    WriterColumn("writer_boot_id", "TEXT", 2, &WriterProcess::bootId),
    WriterColumn("writer_start", "INTEGER", 2, &WriterProcess::startTicks),
    // Runs on the built-in emulated adapter are told apart from real units; the rows
    // made before were on real units or could not be told apart.
    EntryColumn("demo", "INTEGER NOT NULL DEFAULT 0", 3, &JournalEntry::demo),
    // Where each row came from, and an identity that stays the row's on the workshop's
    // server. Rows made before get an identity of their own when the journal is brought
    // forward; the rest of what they did not record stays empty.
    EntryColumn("uuid", "TEXT", 4, &JournalEntry::uuid, SetBy::Insert),
    EntryColumn("bench", "TEXT NOT NULL DEFAULT ''", 4, &JournalEntry::bench),
    EntryColumn("station", "TEXT NOT NULL DEFAULT ''", 4, &JournalEntry::station),
    EntryColumn("operator", "TEXT NOT NULL DEFAULT ''", 4, &JournalEntry::operatorName),
    EntryColumn("order_code", "TEXT NOT NULL DEFAULT ''", 4, &JournalEntry::orderCode),
    EntryColumn("program_version", "TEXT NOT NULL DEFAULT ''", 4, &JournalEntry::programVersion),
    EntryColumn("duration_ms", "INTEGER", 4, &JournalEntry::durationMs),
    EntryColumn("run_id", "TEXT NOT NULL DEFAULT ''", 4, &JournalEntry::runId),
};

// A random (version 4) UUID for each row that has none, made by SQLite itself.
const char* const kFillUuids =
    "UPDATE operations SET uuid = lower(hex(randomblob(4)) || '-' || hex(randomblob(2)) || '-4' ||"
    " substr(hex(randomblob(2)), 2) || '-' || substr('89ab', 1 + abs(random() % 4), 1) ||"
    " substr(hex(randomblob(2)), 2) || '-' || hex(randomblob(6))) WHERE uuid IS NULL";

// The table with its first columns and its indexes, then the columns of each later version.
}  // namespace

const std::vector<Column>& JournalColumns()
{
    return kColumns;
}

QStringList MigrationStep(int version)
{
    QStringList added;
    for (const Column& column : kColumns)
        if (column.since == version)
            added << column.name + " " + column.declaration;
    if (version == 1)
        return {"CREATE TABLE operations (id INTEGER PRIMARY KEY, " + added.join(", ") + ")",
                "CREATE INDEX operations_by_serial ON operations (serial, time_utc)",
                "CREATE INDEX operations_by_time ON operations (time_utc)"};
    QStringList statements;
    for (const QString& column : added)
        statements << "ALTER TABLE operations ADD COLUMN " + column;
    if (version == 4)
        // The outbox: which rows the workshop's server has (sent), and how the last
        // attempt to send went.
        statements << kFillUuids << "CREATE UNIQUE INDEX operations_by_uuid ON operations (uuid)"
                   << "ALTER TABLE operations ADD COLUMN sent INTEGER NOT NULL DEFAULT 0"
                   << "CREATE INDEX operations_unsent ON operations (id) WHERE sent = 0"
                   << "CREATE TABLE outbox (server TEXT NOT NULL, last_error TEXT NOT NULL,"
                      " last_attempt_utc TEXT NOT NULL)"
                   // This bench's claims on units of an order, one that holds each unit.
                   << "CREATE TABLE claims (id TEXT PRIMARY KEY, order_code TEXT NOT NULL, serial TEXT NOT NULL,"
                      " bench TEXT NOT NULL, state TEXT NOT NULL, on_server TEXT NOT NULL DEFAULT '',"
                      " conflict TEXT NOT NULL DEFAULT '', claimed_utc TEXT NOT NULL, finished_utc TEXT)"
                   << "CREATE UNIQUE INDEX claims_one_per_unit ON claims (order_code, serial) WHERE state <> 'failed'"
                   // The plans of orders as last read from the server.
                   << "CREATE TABLE plans (order_code TEXT NOT NULL, serial TEXT NOT NULL, f1_mhz REAL NOT NULL,"
                      " f2_mhz REAL, step_khz REAL, PRIMARY KEY (order_code, serial))";
    return statements;
}

std::vector<const Column*> ColumnsToSet(bool insert, bool withWriter)
{
    std::vector<const Column*> columns;
    for (const Column& column : kColumns)
        if (column.setBy == SetBy::Every || (insert && column.setBy == SetBy::Insert) ||
            (withWriter && column.setBy == SetBy::BeginWrite))
            columns.push_back(&column);
    return columns;
}

}  // namespace torv
