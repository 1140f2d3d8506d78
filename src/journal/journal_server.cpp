#include "journal/journal_server.h"

#include <atomic>

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "journal/journal_columns.h"
#include "journal/journal_settings.h"
#include "journal/journal_text.h"

namespace torv {
namespace {

std::atomic<int> connectionCount{0};

// The server's name for a local column: the row's identity is its id there.
QString ServerName(const Column& column)
{
    return column.name == "uuid" ? QStringLiteral("id") : column.name;
}

// The columns the server keeps of a row: all but the writer's, which mean nothing off this PC.
std::vector<const Column*> ServerColumns()
{
    std::vector<const Column*> columns;
    for (const Column& column : JournalColumns())
        if (column.setBy != SetBy::BeginWrite)
            columns.push_back(&column);
    return columns;
}

// A value in the server's type: the journal's 0 and 1 are booleans there.
QVariant ServerValue(const Column& column, const StoredRow& row)
{
    const QVariant value = column.get(row);
    if (column.name == "success" || column.name == "demo")
        return value.toInt() != 0;
    return value;
}

}  // namespace

std::string ServerStringProblem(const std::string& server)
{
    if (server.find("://") != std::string::npos)
        return JournalText::tr(
                   "give the server as libpq key=value pairs (host=NAME dbname=torv user=NAME) or "
                   "service=NAME, not as a URI")
            .toStdString();
    return "";
}

JournalServer::JournalServer(std::string server)
    : server_(std::move(server)), connection_("torv-server-" + std::to_string(++connectionCount))
{
}

JournalServer::~JournalServer()
{
    Disconnect();
    QSqlDatabase::removeDatabase(QString::fromStdString(connection_));
}

std::string JournalServer::Shown() const
{
    return MaskPasswords(server_);
}

bool JournalServer::Fail(const std::string& why)
{
    // libpq's messages run over several lines; one line here, and never a password.
    error_ = MaskPasswords(QString::fromStdString(why).simplified().toStdString());
    return false;
}

bool JournalServer::Connect()
{
    const QString name = QString::fromStdString(connection_);
    QSqlDatabase db =
        QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false) : QSqlDatabase::addDatabase("QPSQL", name);
    if (db.isOpen())
        return true;
    if (!db.isValid())
        return Fail(JournalText::tr("Qt's PostgreSQL driver (QPSQL) is not installed (Debian package "
                                    "libqt6sql6-psql)")
                        .toStdString());
    if (const std::string problem = ServerStringProblem(server_); !problem.empty())
        return Fail(problem);
    // An unreachable server, or one that vanished from the network, costs seconds, not
    // minutes: libpq's own time-outs, unless the connection string sets them.
    QString options = QString::fromStdString(server_);
    for (const char* timeout : {"connect_timeout=2", "tcp_user_timeout=5000"})
        if (const QString key = QString(timeout).section('=', 0, 0);
            !options.contains(QRegularExpression("\\b" + key + "\\s*=")))
            options += QString(" ") + timeout;
    db.setConnectOptions(options);
    if (!db.open())
        return Fail(JournalText::tr("cannot reach the server %1: %2")
                        .arg(JournalArg(Shown()), db.lastError().text())
                        .toStdString());
    return true;
}

void JournalServer::Disconnect()
{
    QSqlDatabase::database(QString::fromStdString(connection_), false).close();
}

bool JournalServer::Insert(const JournalEntry& row)
{
    if (!Connect())
        return false;
    QSqlDatabase db = QSqlDatabase::database(QString::fromStdString(connection_), false);
    QStringList names, binds;
    const std::vector<const Column*> columns = ServerColumns();
    for (const Column* column : columns) {
        names << ServerName(*column);
        binds << "?";
    }
    QSqlQuery query(db);
    query.prepare(QString("INSERT INTO operations (%1) VALUES (%2) ON CONFLICT (id) DO NOTHING")
                      .arg(names.join(", "), binds.join(", ")));
    StoredRow stored{row, {}};
    if (stored.entry.bench.empty())  // a row made before rows named their bench: made here
        stored.entry.bench = BenchName(ReadJournalSettings().bench);
    for (const Column* column : columns)
        query.addBindValue(ServerValue(*column, stored));
    if (query.exec())
        return true;
    Fail(JournalText::tr("the server %1 did not take row %2: %3")
             .arg(JournalArg(Shown()), JournalArg(row.uuid), query.lastError().text())
             .toStdString());
    // The driver cannot tell a broken connection from a refused row: made anew next time.
    Disconnect();
    return false;
}

std::optional<long long> JournalServer::ImportPlan(const std::string& orderCode, const std::vector<PlannedUnit>& units)
{
    if (!Connect())
        return std::nullopt;
    QSqlDatabase db = QSqlDatabase::database(QString::fromStdString(connection_), false);
    const auto failed = [&](const QSqlError& error) -> std::optional<long long> {
        db.rollback();
        Fail(JournalText::tr("the server %1 did not take the plan of order %2: %3")
                 .arg(JournalArg(Shown()), JournalArg(orderCode), error.text())
                 .toStdString());
        return std::nullopt;
    };
    if (!db.transaction())
        return failed(db.lastError());
    QSqlQuery query(db);
    query.prepare(
        "INSERT INTO plans (order_code, serial, f1_mhz, f2_mhz, step_khz) VALUES (?, ?, ?, ?, ?) "
        "ON CONFLICT (order_code, serial) DO UPDATE SET f1_mhz = EXCLUDED.f1_mhz, f2_mhz = EXCLUDED.f2_mhz, "
        "step_khz = EXCLUDED.step_khz WHERE (plans.f1_mhz, plans.f2_mhz, plans.step_khz) IS DISTINCT FROM "
        "(EXCLUDED.f1_mhz, EXCLUDED.f2_mhz, EXCLUDED.step_khz)");
    long long changed = 0;
    for (const PlannedUnit& unit : units) {
        query.addBindValue(QString::fromStdString(orderCode));
        query.addBindValue(QString::fromStdString(unit.serial));
        query.addBindValue(unit.f1MHz);
        query.addBindValue(unit.f2MHz ? QVariant(*unit.f2MHz) : QVariant(QMetaType::fromType<double>()));
        query.addBindValue(unit.stepKHz ? QVariant(*unit.stepKHz) : QVariant(QMetaType::fromType<double>()));
        if (!query.exec())
            return failed(query.lastError());
        changed += query.numRowsAffected();
    }
    if (!db.commit())
        return failed(db.lastError());
    return changed;
}

std::optional<std::vector<JournalEntry>> JournalServer::Find(const JournalQuery& filter)
{
    if (!Connect())
        return std::nullopt;
    QStringList select;
    for (const Column* column : ServerColumns()) {
        if (column->name == "time_utc")
            select << R"(to_char(time_utc AT TIME ZONE 'UTC', 'YYYY-MM-DD"T"HH24:MI:SS.MS"Z"') AS time_utc)";
        else
            select << ServerName(*column) + " AS " + column->name;
    }
    QStringList conditions;
    QVariantList values;
    const auto where = [&](const QString& condition, const QVariant& value) {
        conditions << condition;
        values << value;
    };
    if (!filter.serial.empty())
        where("serial = ?", QString::fromStdString(filter.serial));
    if (filter.since)
        where("time_utc >= ?::timestamptz", QString::fromStdString(UtcText(*filter.since)));
    if (filter.before)
        where("time_utc < ?::timestamptz", QString::fromStdString(UtcText(*filter.before)));
    if (filter.success)
        where("success = ?", *filter.success);
    if (filter.operation)
        where("operation = ?", QString::fromStdString(*filter.operation));
    QString sql = "SELECT " + select.join(", ") + " FROM operations";
    if (!conditions.isEmpty())
        sql += " WHERE " + conditions.join(" AND ");
    sql += " ORDER BY operations.time_utc DESC, operations.id DESC";
    if (filter.limit > 0)
        sql += QString(" LIMIT %1").arg(filter.limit);
    QSqlQuery query(QSqlDatabase::database(QString::fromStdString(connection_), false));
    query.setForwardOnly(true);
    query.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        Fail(JournalText::tr("cannot read the rows of the server %1: %2")
                 .arg(JournalArg(Shown()), query.lastError().text())
                 .toStdString());
        return std::nullopt;
    }
    std::vector<JournalEntry> rows;
    const std::vector<const Column*> columns = ServerColumns();
    while (query.next()) {
        StoredRow row;
        for (std::size_t i = 0; i < columns.size(); ++i)
            columns[i]->set(row, query.value(static_cast<int>(i)));
        rows.push_back(std::move(row.entry));
    }
    return rows;
}

}  // namespace torv
