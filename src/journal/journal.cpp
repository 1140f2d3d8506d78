#include "journal/journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

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
};

// The columns of an entry, in the order of EntryValues.
const QStringList kColumns = {"time_utc",     "program",        "operation",         "port",          "adapter",
                              "outcome",      "success",        "exit_code",         "device_type",   "date",
                              "serial",       "version",        "info_hex",          "block_read_hex",
                              "block_written_hex", "read_back_hex", "f1_before_mhz", "f2_before_mhz",
                              "f1_after_mhz", "f2_after_mhz",   "state"};
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
    return {Text(entry.timeUtc),        Text(entry.program),      Text(entry.operation),
            Text(entry.port),           Text(entry.adapter),      Text(entry.outcome),
            entry.success ? 1 : 0,      Nullable(entry.exitCode), Nullable(entry.deviceType),
            Text(entry.date),           Text(entry.serial),       Text(entry.version),
            Text(entry.infoHex),        Text(entry.blockReadHex), Text(entry.blockWrittenHex),
            Text(entry.readBackHex),    Nullable(entry.f1BeforeMHz), Nullable(entry.f2BeforeMHz),
            Nullable(entry.f1AfterMHz), Nullable(entry.f2AfterMHz), RowStateName(entry.state)};
}

QString Placeholders(qsizetype count)
{
    QStringList marks;
    for (qsizetype i = 0; i < count; ++i)
        marks << "?";
    return marks.join(", ");
}

// The journal holds what units were programmed with: only its owner may read it. The
// file is created that way before SQLite opens it (SQLite gives its side files the
// same permissions).
bool CreateOwnerOnly(const std::string& path, std::string& why)
{
    const QString folder = QFileInfo(Text(path)).absolutePath();
    if (!QDir().mkpath(folder)) {
        why = "cannot create the folder " + folder.toStdString();
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    const bool narrowed = ::fchmod(fd, 0600) == 0;
    why = narrowed ? "" : std::strerror(errno);
    ::close(fd);
    return narrowed;
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
    if (const char* path = std::getenv("TORV_JOURNAL"); path && *path)
        return path;
    std::string data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        data = xdg;
    else
        data = QDir::homePath().toStdString() + "/.local/share";
    return data + "/torv-programmer/journal.sqlite";
}

Journal::Journal(const std::string& path) : connection_("torv-journal-" + std::to_string(++connectionCount))
{
    std::string why;
    if (!CreateOwnerOnly(path, why)) {
        Fail("cannot create the journal " + path, why);
        return;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", Text(connection_));
    if (!db.isValid()) {
        Fail("cannot open the journal " + path, "Qt's SQLite driver (QSQLITE) is not installed");
        return;
    }
    db.setDatabaseName(Text(path));
    db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=5000");  // another program writing: wait for it
    if (!db.open()) {
        Fail("cannot open the journal " + path, db.lastError().text().toStdString());
        return;
    }
    QSqlQuery wal(db);
    if (!wal.exec("PRAGMA journal_mode=WAL")) {
        Fail("cannot open the journal " + path, wal.lastError().text().toStdString());
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

bool Journal::Migrate()
{
    QSqlQuery query(QSqlDatabase::database(Text(connection_), false));
    // Taken for writing at once, so that two programs opening a new journal together
    // wait for each other (the busy time-out) rather than fail on upgrading a read lock.
    if (!query.exec("BEGIN IMMEDIATE"))
        return Fail("cannot read the journal's schema", query.lastError().text().toStdString());
    auto rollBack = [&]() {
        const std::string why = query.lastError().text().toStdString();
        query.exec("ROLLBACK");
        return Fail("cannot bring the journal's schema up to date", why);
    };
    if (!query.exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)") ||
        !query.exec("SELECT version FROM schema_version"))
        return rollBack();
    const bool hadVersion = query.next();
    int version = hadVersion ? query.value(0).toInt() : 0;
    query.finish();
    if (version > kSchemaVersion) {
        query.exec("ROLLBACK");
        return Fail("the journal was written by a newer version of the programmer",
                    "schema " + std::to_string(version));
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
        return Fail("cannot write to the journal", db.lastError().text().toStdString());
    for (JournalEntry& entry : entries) {
        if (!Insert(entry)) {
            db.rollback();
            return false;
        }
    }
    return db.commit() || Fail("cannot write to the journal", db.lastError().text().toStdString());
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
    if (entry.timeUtc.empty())
        entry.timeUtc = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toStdString();
    QSqlQuery query(QSqlDatabase::database(Text(connection_), false));
    query.prepare(sql);
    for (const QVariant& value : EntryValues(entry) + more)
        query.addBindValue(value);
    if (!query.exec())
        return Fail("cannot write to the journal", query.lastError().text().toStdString());
    if (insertedId)
        *insertedId = query.lastInsertId().toLongLong();
    return true;
}

std::vector<JournalEntry> Journal::Find(const JournalQuery& filter)
{
    std::vector<JournalEntry> entries;
    if (!open_)
        return entries;
    QStringList conditions;
    QVariantList values;
    if (!filter.serial.empty()) {
        conditions << "serial = ?";
        values << Text(filter.serial);
    }
    if (!filter.since.empty()) {
        conditions << "time_utc >= ?";
        values << Text(filter.since);
    }
    if (!filter.until.empty()) {
        // A date or a time given in part covers the whole of it.
        conditions << "(time_utc <= ? OR substr(time_utc, 1, length(?)) = ?)";
        values << Text(filter.until) << Text(filter.until) << Text(filter.until);
    }
    if (filter.success) {
        conditions << "success = ?";
        values << (*filter.success ? 1 : 0);
    }
    if (filter.operation) {
        conditions << "operation = ?";
        values << Text(*filter.operation);
    }
    QString sql = QString("SELECT %1 FROM operations").arg((kColumns + kWriterColumns).join(", "));
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
        Fail("cannot read the journal", query.lastError().text().toStdString());
        return entries;
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
        const WriterProcess writer{query.value(21).toLongLong(), text(22), query.value(23).toLongLong()};
        if (e.state == RowState::InProgress && !StillRunning(writer))
            e.state = RowState::Interrupted;
    }
    return entries;
}

}  // namespace torv
