#include "journal/journal.h"

#include <atomic>
#include <functional>
#include <utility>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include "journal/journal_file.h"
#include "journal/journal_text.h"
#include "journal/writer_process.h"

namespace torv {
namespace {

std::atomic<int> connectionCount{0};

const std::pair<RowState, const char*> kStateNames[] = {
    {RowState::Done, "done"}, {RowState::InProgress, "in progress"}, {RowState::Interrupted, "interrupted"}};

RowState StateNamed(const QString& name)
{
    for (const auto& [value, stateName] : kStateNames)
        if (name == stateName)
            return value;
    return RowState::Done;
}

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

// A row as stored: the entry and, for a write's row, the process writing it.
struct StoredRow {
    JournalEntry entry;
    WriterProcess writer;
};

// A field's value in its column, and back.
QVariant ToColumn(const std::string& field)
{
    return Text(field);
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

// One column of the operations table: its name, its type and constraints, the schema
// version that added it, and the field of a stored row it holds.
struct Column {
    QString name;
    QString declaration;
    int since;
    bool namesWriter;  // set by BeginWrite only
    std::function<QVariant(const StoredRow&)> get;
    std::function<void(StoredRow&, const QVariant&)> set;
};

template <typename T>
Column EntryColumn(const char* name, const char* declaration, int since, T JournalEntry::*field)
{
    return {name,
            declaration,
            since,
            false,
            [field](const StoredRow& row) { return ToColumn(row.entry.*field); },
            [field](StoredRow& row, const QVariant& value) { FromColumn(value, row.entry.*field); }};
}

template <typename T>
Column WriterColumn(const char* name, const char* declaration, int since, T WriterProcess::*field)
{
    return {name,
            declaration,
            since,
            true,
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
};

// The statements that bring a journal of schema version - 1 to version: the table with
// its first columns and its indexes, then the columns of each later version.
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
    return statements;
}

// The columns a row's insert or update sets: the entry's, and the writer's when asked.
std::vector<const Column*> ColumnsToSet(bool withWriter)
{
    std::vector<const Column*> columns;
    for (const Column& column : kColumns)
        if (withWriter || !column.namesWriter)
            columns.push_back(&column);
    return columns;
}

}  // namespace

const char* RowStateName(RowState state)
{
    for (const auto& [value, name] : kStateNames)
        if (value == state)
            return name;
    return "done";
}

std::string Journal::DefaultPath()
{
    return JournalPathFromEnvironment();
}

Journal::Journal(const std::string& path, JournalAccess access)
    : connection_("torv-journal-" + std::to_string(++connectionCount)), path_(path)
{
    if (path.empty()) {
        Fail(JournalText::tr(kNoJournalPath).toStdString(), "");
        return;
    }
    const bool write = access == JournalAccess::Write;
    const JournalFileCheck file = CheckJournalFile(path, write);
    if (!file.problem.empty()) {
        Fail(file.problem, "");
        return;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", Text(connection_));
    if (!db.isValid()) {
        Fail(Unusable(), JournalText::tr("Qt's SQLite driver (QSQLITE) is not installed").toStdString());
        return;
    }
    db.setDatabaseName(Text(path));
    // Another program writing: wait for it.
    db.setConnectOptions(write ? "QSQLITE_BUSY_TIMEOUT=5000" : "QSQLITE_BUSY_TIMEOUT=5000;QSQLITE_OPEN_READONLY");
    if (!db.open()) {
        Fail(Unusable(), db.lastError().text().toStdString());
        return;
    }
    if (!write) {
        open_ = CheckSchema();
        return;
    }
    QSqlQuery wal(db);
    if (!wal.exec("PRAGMA journal_mode=WAL")) {
        Fail(Unusable(), wal.lastError().text().toStdString());
        return;
    }
    wal.finish();  // the pragma answers with a row: done with it before any transaction
    open_ = Migrate();
}

Journal::~Journal()
{
    QSqlDatabase::database(Text(connection_), false).close();
    QSqlDatabase::removeDatabase(Text(connection_));
}

bool Journal::Fail(const std::string& what, const std::string& why)
{
    error_ = why.empty() ? what : what + ": " + why;
    return false;
}

std::string Journal::Unusable() const
{
    return JournalText::tr("the journal %1 cannot be used").arg(JournalArg(path_)).toStdString();
}

std::string Journal::NotWritten() const
{
    return JournalText::tr("cannot write to the journal %1").arg(JournalArg(path_)).toStdString();
}

bool Journal::FailNewer(int version)
{
    return Fail(Unusable(),
                JournalText::tr("it was written by a newer version of the programmer (schema %1, this version "
                                "knows %2)")
                    .arg(version)
                    .arg(kSchemaVersion)
                    .toStdString());
}

bool Journal::Migrate()
{
    QSqlQuery query(QSqlDatabase::database(Text(connection_), false));
    // Taken for writing at once, so that two programs opening a new journal together
    // wait for each other (the busy time-out) rather than fail on upgrading a read lock.
    if (!query.exec("BEGIN IMMEDIATE"))
        return Fail(Unusable(), query.lastError().text().toStdString());
    auto rollBack = [&]() {
        const std::string why = query.lastError().text().toStdString();
        query.exec("ROLLBACK");
        return Fail(JournalText::tr("cannot bring the schema of the journal %1 up to date")
                        .arg(JournalArg(path_))
                        .toStdString(),
                    why);
    };
    if (!query.exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)") ||
        !query.exec("SELECT version FROM schema_version"))
        return rollBack();
    const bool hadVersion = query.next();
    int version = hadVersion ? query.value(0).toInt() : 0;
    query.finish();
    if (version > kSchemaVersion) {
        query.exec("ROLLBACK");
        return FailNewer(version);
    }
    for (; version < kSchemaVersion; ++version) {
        for (const QString& statement : MigrationStep(version + 1))
            if (!query.exec(statement))
                return rollBack();
    }
    query.prepare(hadVersion ? "UPDATE schema_version SET version = ?" : "INSERT INTO schema_version VALUES (?)");
    query.addBindValue(kSchemaVersion);
    if (!query.exec() || !query.exec("COMMIT"))
        return rollBack();
    return true;
}

bool Journal::CheckSchema()
{
    QSqlQuery query(QSqlDatabase::database(Text(connection_), false));
    const auto failed = [&] { return Fail(Unusable(), query.lastError().text().toStdString()); };
    if (!query.exec("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'operations'") || !query.next())
        return failed();
    if (query.value(0).toInt() == 0) {
        noTable_ = true;  // a journal nothing has been written to yet
        return true;
    }
    if (!query.exec("SELECT version FROM schema_version") || !query.next())
        return query.lastError().isValid()
                   ? failed()
                   : Fail(Unusable(), JournalText::tr("its schema version is missing").toStdString());
    if (const int version = query.value(0).toInt(); version > kSchemaVersion)
        return FailNewer(version);
    if (!query.exec("PRAGMA table_info(operations)"))
        return failed();
    QStringList present;
    while (query.next())
        present << query.value(1).toString();
    for (const Column& column : kColumns)
        if (!present.contains(column.name))
            missingColumns_ << column.name;
    return true;
}

bool Journal::Append(JournalEntry entry)
{
    return open_ && Insert(entry);
}

bool Journal::AppendAll(std::vector<JournalEntry> entries)
{
    if (!open_)
        return false;
    QSqlDatabase db = QSqlDatabase::database(Text(connection_), false);
    if (!db.transaction())
        return Fail(NotWritten(), db.lastError().text().toStdString());
    for (JournalEntry& entry : entries) {
        if (!Insert(entry)) {
            db.rollback();
            return false;
        }
    }
    return db.commit() || Fail(NotWritten(), db.lastError().text().toStdString());
}

bool Journal::Insert(JournalEntry& entry)
{
    return Store(entry, nullptr, std::nullopt);
}

std::optional<long long> Journal::BeginWrite(JournalEntry entry)
{
    if (!open_)
        return std::nullopt;
    entry.state = RowState::InProgress;
    const WriterProcess writer = ThisWriterProcess();
    long long id = 0;
    if (!Store(entry, &writer, std::nullopt, &id))
        return std::nullopt;
    return id;
}

bool Journal::Complete(long long id, JournalEntry entry)
{
    return open_ && Store(entry, nullptr, id);
}

bool Journal::Store(JournalEntry& entry, const WriterProcess* writer, std::optional<long long> replacing,
                    long long* insertedId)
{
    if (entry.timeUtc.empty()) {
        entry.timeUtc = UtcText(TimeNow());
    } else {
        // Stored in one form, so that the text orders rows as their instants.
        const std::optional<JournalTime> time = ParseStoredTime(entry.timeUtc);
        if (!time)
            return Fail(NotWritten(),
                        JournalText::tr("\"%1\" is not an ISO 8601 time").arg(JournalArg(entry.timeUtc)).toStdString());
        entry.timeUtc = UtcText(*time);
    }
    const std::vector<const Column*> columns = ColumnsToSet(writer != nullptr);
    QStringList names;
    QStringList binds;
    QStringList assignments;
    for (const Column* column : columns) {
        names << column->name;
        binds << ":" + column->name;
        assignments << column->name + " = :" + column->name;
    }
    QSqlQuery query(QSqlDatabase::database(Text(connection_), false));
    if (replacing)
        query.prepare(QString("UPDATE operations SET %1 WHERE id = :id").arg(assignments.join(", ")));
    else
        query.prepare(QString("INSERT INTO operations (%1) VALUES (%2)").arg(names.join(", "), binds.join(", ")));
    const StoredRow row{entry, writer ? *writer : WriterProcess{}};
    for (const Column* column : columns)
        query.bindValue(":" + column->name, column->get(row));
    if (replacing)
        query.bindValue(":id", *replacing);
    if (!query.exec())
        return Fail(NotWritten(), query.lastError().text().toStdString());
    if (insertedId)
        *insertedId = query.lastInsertId().toLongLong();
    return true;
}

std::optional<std::vector<JournalEntry>> Journal::Find(const JournalQuery& filter)
{
    std::vector<JournalEntry> entries;
    if (!open_)
        return std::nullopt;
    if (noTable_)
        return entries;
    // Each condition with its value, bound by the column's name.
    QStringList conditions;
    QVariantMap values;
    const auto where = [&](const QString& condition, const QString& bind, const QVariant& value) {
        conditions << condition;
        values.insert(bind, value);
    };
    if (!filter.serial.empty())
        where("serial = :serial", ":serial", Text(filter.serial));
    if (filter.since)
        where("time_utc >= :since", ":since", Text(UtcText(*filter.since)));
    if (filter.before)
        where("time_utc < :before", ":before", Text(UtcText(*filter.before)));
    if (filter.success)
        where("success = :success", ":success", *filter.success ? 1 : 0);
    if (filter.operation)
        where("operation = :operation", ":operation", Text(*filter.operation));
    if (filter.demo)
        where(missingColumns_.contains("demo") ? "0 = :demo" : "demo = :demo", ":demo", *filter.demo ? 1 : 0);
    // Columns that an older journal lacks read as empty.
    QStringList columns;
    for (const Column& column : kColumns)
        columns << (missingColumns_.contains(column.name) ? "NULL AS " + column.name : column.name);
    QString sql = QString("SELECT %1 FROM operations").arg(columns.join(QStringLiteral(", ")));
    if (!conditions.isEmpty())
        sql += " WHERE " + conditions.join(" AND ");
    sql += " ORDER BY time_utc DESC, id DESC";
    if (filter.limit > 0)
        sql += QString(" LIMIT %1").arg(filter.limit);

    QSqlQuery query(QSqlDatabase::database(Text(connection_), false));
    query.setForwardOnly(true);
    query.prepare(sql);
    for (auto value = values.cbegin(); value != values.cend(); ++value)
        query.bindValue(value.key(), value.value());
    if (!query.exec()) {
        Fail(Unusable(), query.lastError().text().toStdString());
        return std::nullopt;
    }
    const QSqlRecord record = query.record();
    std::vector<std::pair<const Column*, int>> read;
    for (const Column& column : kColumns)
        read.emplace_back(&column, record.indexOf(column.name));
    while (query.next()) {
        StoredRow row;
        for (const auto& [column, index] : read)
            column->set(row, query.value(index));
        if (row.entry.state == RowState::InProgress && !StillRunning(row.writer))
            row.entry.state = RowState::Interrupted;
        entries.push_back(std::move(row.entry));
    }
    // A row that cannot be read ends the rows early: that is no answer, not a short one.
    if (query.lastError().isValid()) {
        Fail(Unusable(), query.lastError().text().toStdString());
        return std::nullopt;
    }
    return entries;
}

}  // namespace torv
