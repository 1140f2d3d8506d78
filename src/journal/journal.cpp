#include "journal/journal.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <utility>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSysInfo>
#include <QUuid>
#include <QVariant>

#include "journal/journal_columns.h"
#include "journal/journal_file.h"
#include "journal/journal_settings.h"
#include "journal/network_filesystem.h"
#include "journal/journal_text.h"
#include "journal/writer_process.h"
#include "torv_version.h"

namespace torv {
namespace {

std::atomic<int> connectionCount{0};

// How long a program waits for another that is writing to the journal.
constexpr std::chrono::milliseconds kBusyTimeout{5000};

// SQLite's SQLITE_BUSY and SQLITE_LOCKED: another connection holds the database.
bool IsBusy(const QSqlError& error)
{
    return error.nativeErrorCode() == "5" || error.nativeErrorCode() == "6";
}

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace

std::string Journal::DefaultPath()
{
    return JournalPathFromEnvironment();
}

std::optional<JournalMode> Journal::ModeNamed(const std::string& name)
{
    if (name == "wal")
        return JournalMode::Wal;
    if (name == "delete")
        return JournalMode::Delete;
    return std::nullopt;
}

Journal::Journal(const std::string& path, JournalAccess access, std::optional<JournalMode> mode)
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
    const QString busyTimeout = QString("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeout.count());
    db.setConnectOptions(write ? busyTimeout : busyTimeout + ";QSQLITE_OPEN_READONLY");
    if (!db.open()) {
        Fail(Unusable(), db.lastError().text().toStdString());
        return;
    }
    if (!write) {
        open_ = CheckSchema();
        return;
    }
    open_ = SetMode(mode.value_or(ModeNamed(ReadJournalSettings().mode).value_or(JournalMode::Wal))) && Migrate();
}

bool Journal::SetMode(JournalMode mode)
{
    if (mode == JournalMode::Wal) {
        if (const std::string type = FileSystemTypeOf(path_); IsNetworkFileSystem(type))
            return Fail(Unusable(),
                        JournalText::tr("it is on a network file system (%1), where SQLite's write-ahead log "
                                        "corrupts databases: keep the journal on this PC and share its rows "
                                        "through the workshop's server (--server, $TORV_JOURNAL_SERVER or the "
                                        "setting journal/server), or choose --journal-mode delete")
                            .arg(JournalArg(type))
                            .toStdString());
    }
    // While another program opens the journal too, SQLite answers busy here at once, as
    // waiting could deadlock: asked again until the busy time-out.
    const auto deadline = std::chrono::steady_clock::now() + kBusyTimeout;
    for (;;) {
        QSqlQuery pragma(QSqlDatabase::database(Text(connection_), false));
        if (pragma.exec(mode == JournalMode::Wal ? "PRAGMA journal_mode=WAL" : "PRAGMA journal_mode=DELETE")) {
            pragma.finish();  // the pragma answers with a row: done with it before any transaction
            return true;
        }
        const QSqlError error = pragma.lastError();
        if (!IsBusy(error) || std::chrono::steady_clock::now() >= deadline)
            return Fail(Unusable(), error.text().toStdString());
        pragma.finish();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
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
    for (const Column& column : JournalColumns())
        if (!present.contains(column.name))
            missingColumns_ << column.name;
    if (!present.contains("sent"))  // the outbox's, with its table
        missingColumns_ << "sent";
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
    if (!replacing)  // a new row, even one made of a copy of another
        entry.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
    if (entry.bench.empty())
        entry.bench = QSysInfo::machineHostName().toStdString();
    if (entry.programVersion.empty())
        entry.programVersion = TORV_VERSION;
    const std::vector<const Column*> columns = ColumnsToSet(!replacing, writer != nullptr);
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
    if (!filter.runId.empty())
        where(missingColumns_.contains("run_id") ? "'' = :run" : "run_id = :run", ":run", Text(filter.runId));
    std::optional<std::vector<LocalRow>> rows = Select(conditions, values, "time_utc DESC, id DESC", filter.limit);
    if (!rows)
        return std::nullopt;
    std::vector<JournalEntry> entries;
    for (LocalRow& row : *rows)
        entries.push_back(std::move(row.entry));
    return entries;
}

std::optional<std::vector<Journal::LocalRow>> Journal::Select(const QStringList& conditions, const QVariantMap& values,
                                                              const QString& order, int limit)
{
    std::vector<LocalRow> rows;
    if (!open_)
        return std::nullopt;
    if (noTable_)
        return rows;
    // Columns that an older journal lacks read as empty.
    QStringList columns{"id"};
    for (const Column& column : JournalColumns())
        columns << (missingColumns_.contains(column.name) ? "NULL AS " + column.name : column.name);
    QString sql = QString("SELECT %1 FROM operations").arg(columns.join(QStringLiteral(", ")));
    if (!conditions.isEmpty())
        sql += " WHERE " + conditions.join(" AND ");
    sql += " ORDER BY " + order;
    if (limit > 0)
        sql += QString(" LIMIT %1").arg(limit);

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
    for (const Column& column : JournalColumns())
        read.emplace_back(&column, record.indexOf(column.name));
    while (query.next()) {
        StoredRow row;
        for (const auto& [column, index] : read)
            column->set(row, query.value(index));
        if (row.entry.state == RowState::InProgress && !StillRunning(row.writer))
            row.entry.state = RowState::Interrupted;
        rows.push_back({query.value(0).toLongLong(), std::move(row.entry)});
    }
    // A row that cannot be read ends the rows early: that is no answer, not a short one.
    if (query.lastError().isValid()) {
        Fail(Unusable(), query.lastError().text().toStdString());
        return std::nullopt;
    }
    return rows;
}

}  // namespace torv
