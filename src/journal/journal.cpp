#include "journal/journal.h"

#include <atomic>

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

// The schema, one list of statements per version step: entry n brings version n to n + 1.
// A later version appends a step; a journal of an older version is brought up to date.
const std::vector<std::vector<const char*>> kMigrations = {
    {
        "CREATE TABLE operations ("
        " id INTEGER PRIMARY KEY,"
        " time_utc TEXT NOT NULL, program TEXT NOT NULL, operation TEXT NOT NULL,"
        " port TEXT, adapter TEXT, outcome TEXT NOT NULL, success INTEGER NOT NULL, exit_code INTEGER,"
        " device_type INTEGER, date TEXT, serial TEXT, version TEXT,"
        " info_hex TEXT, block_read_hex TEXT, block_written_hex TEXT, read_back_hex TEXT,"
        " f1_before_mhz REAL, f2_before_mhz REAL, f1_after_mhz REAL, f2_after_mhz REAL)",
        "CREATE INDEX operations_by_serial ON operations (serial, time_utc)",
        "CREATE INDEX operations_by_time ON operations (time_utc)",
    },
    {
        // A write's row is made before its block goes out, naming its writer.
        "ALTER TABLE operations ADD COLUMN state TEXT NOT NULL DEFAULT 'done'",
        "ALTER TABLE operations ADD COLUMN writer_pid INTEGER",
        "ALTER TABLE operations ADD COLUMN writer_boot_id TEXT",
        "ALTER TABLE operations ADD COLUMN writer_start INTEGER",
    },
    {
        // Runs on the built-in emulated adapter are told apart from real units; the rows
        // made before were on real units or could not be told apart.
        "ALTER TABLE operations ADD COLUMN demo INTEGER NOT NULL DEFAULT 0",
    },
};

// The columns of an entry, in the order of EntryValues, and those naming a write's writer.
const QStringList kColumns = {"time_utc",      "program",           "operation",     "port",
                              "adapter",       "outcome",           "success",       "exit_code",
                              "device_type",   "date",              "serial",        "version",
                              "info_hex",      "block_read_hex",    "block_written_hex", "read_back_hex",
                              "f1_before_mhz", "f2_before_mhz",     "f1_after_mhz",  "f2_after_mhz",
                              "state",         "demo"};
const QStringList kWriterColumns = {"writer_pid", "writer_boot_id", "writer_start"};

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

template <typename T>
QVariant Nullable(const std::optional<T>& value)
{
    return value ? QVariant::fromValue(*value) : QVariant();
}

template <typename T>
std::optional<T> OptionalOf(const QVariant& value)
{
    if (value.isNull())
        return std::nullopt;
    return value.value<T>();
}

QVariantList EntryValues(const JournalEntry& entry)
{
    return {Text(entry.timeUtc),        Text(entry.program),         Text(entry.operation),
            Text(entry.port),           Text(entry.adapter),         Text(entry.outcome),
            entry.success ? 1 : 0,      Nullable(entry.exitCode),    Nullable(entry.deviceType),
            Text(entry.date),           Text(entry.serial),          Text(entry.version),
            Text(entry.infoHex),        Text(entry.blockReadHex),    Text(entry.blockWrittenHex),
            Text(entry.readBackHex),    Nullable(entry.f1BeforeMHz), Nullable(entry.f2BeforeMHz),
            Nullable(entry.f1AfterMHz), Nullable(entry.f2AfterMHz),  RowStateName(entry.state),
            entry.demo ? 1 : 0};
}

QString Placeholders(qsizetype count)
{
    QStringList marks;
    for (qsizetype i = 0; i < count; ++i)
        marks << "?";
    return marks.join(", ");
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
        for (const char* statement : kMigrations[static_cast<std::size_t>(version)])
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
    for (const QString& column : kColumns + kWriterColumns)
        if (!present.contains(column))
            missingColumns_ << column;
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
    return Write(QString("INSERT INTO operations (%1) VALUES (%2)").arg(kColumns.join(", "), Placeholders(kColumns.size())),
                 entry);
}

std::optional<long long> Journal::BeginWrite(JournalEntry entry)
{
    if (!open_)
        return std::nullopt;
    entry.state = RowState::InProgress;
    const WriterProcess writer = ThisWriterProcess();
    const QStringList columns = kColumns + kWriterColumns;
    long long id = 0;
    if (!Write(QString("INSERT INTO operations (%1) VALUES (%2)").arg(columns.join(", "), Placeholders(columns.size())),
               entry, {writer.pid, Text(writer.bootId), writer.startTicks}, &id))
        return std::nullopt;
    return id;
}

bool Journal::Complete(long long id, JournalEntry entry)
{
    if (!open_)
        return false;
    QStringList assignments;
    for (const QString& column : kColumns)
        assignments << column + " = ?";
    return Write(QString("UPDATE operations SET %1 WHERE id = ?").arg(assignments.join(", ")), entry, {id});
}

bool Journal::Write(const QString& sql, JournalEntry& entry, const QVariantList& more, long long* insertedId)
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
    QSqlQuery query(QSqlDatabase::database(Text(connection_), false));
    query.prepare(sql);
    for (const QVariant& value : EntryValues(entry) + more)
        query.addBindValue(value);
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
    QStringList conditions;
    QVariantList values;
    if (!filter.serial.empty()) {
        conditions << "serial = ?";
        values << Text(filter.serial);
    }
    if (filter.since) {
        conditions << "time_utc >= ?";
        values << Text(UtcText(*filter.since));
    }
    if (filter.before) {
        conditions << "time_utc < ?";
        values << Text(UtcText(*filter.before));
    }
    if (filter.success) {
        conditions << "success = ?";
        values << (*filter.success ? 1 : 0);
    }
    if (filter.operation) {
        conditions << "operation = ?";
        values << Text(*filter.operation);
    }
    if (filter.demo) {
        conditions << (missingColumns_.contains("demo") ? "0 = ?" : "demo = ?");
        values << (*filter.demo ? 1 : 0);
    }
    // Columns that an older journal lacks read as empty.
    QStringList columns;
    for (const QString& column : kColumns + kWriterColumns)
        columns << (missingColumns_.contains(column) ? "NULL AS " + column : column);
    QString sql = QString("SELECT %1 FROM operations").arg(columns.join(QStringLiteral(", ")));
    if (!conditions.isEmpty())
        sql += " WHERE " + conditions.join(" AND ");
    sql += " ORDER BY time_utc DESC, id DESC";
    if (filter.limit > 0)
        sql += QString(" LIMIT %1").arg(filter.limit);

    QSqlQuery query(QSqlDatabase::database(Text(connection_), false));
    query.setForwardOnly(true);
    query.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        Fail(Unusable(), query.lastError().text().toStdString());
        return std::nullopt;
    }
    while (query.next()) {
        auto text = [&](int column) { return query.value(column).toString().toStdString(); };
        JournalEntry& e = entries.emplace_back();
        e.timeUtc = text(0);
        e.program = text(1);
        e.operation = text(2);
        e.port = text(3);
        e.adapter = text(4);
        e.outcome = text(5);
        e.success = query.value(6).toInt() != 0;
        e.exitCode = OptionalOf<int>(query.value(7));
        e.deviceType = OptionalOf<int>(query.value(8));
        e.date = text(9);
        e.serial = text(10);
        e.version = text(11);
        e.infoHex = text(12);
        e.blockReadHex = text(13);
        e.blockWrittenHex = text(14);
        e.readBackHex = text(15);
        e.f1BeforeMHz = OptionalOf<double>(query.value(16));
        e.f2BeforeMHz = OptionalOf<double>(query.value(17));
        e.f1AfterMHz = OptionalOf<double>(query.value(18));
        e.f2AfterMHz = OptionalOf<double>(query.value(19));
        e.state = StateNamed(query.value(20).toString());
        e.demo = query.value(21).toInt() != 0;
        const WriterProcess writer{query.value(22).toLongLong(), text(23), query.value(24).toLongLong()};
        if (e.state == RowState::InProgress && !StillRunning(writer))
            e.state = RowState::Interrupted;
    }
    // A row that cannot be read ends the rows early: that is no answer, not a short one.
    if (query.lastError().isValid()) {
        Fail(Unusable(), query.lastError().text().toStdString());
        return std::nullopt;
    }
    return entries;
}

}  // namespace torv
