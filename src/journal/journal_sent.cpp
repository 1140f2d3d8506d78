// What the journal keeps for its outbox: which rows the workshop's server has, and how the
// last attempt to reach it went.
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "journal/journal.h"
#include "journal/journal_text.h"

namespace torv {

std::optional<std::vector<Journal::LocalRow>> Journal::Unsent(int limit)
{
    // A journal of an older schema, read as it is, has sent nothing.
    QStringList conditions{missingColumns_.contains("demo") ? "1" : "demo = 0"};
    if (!missingColumns_.contains("sent"))
        conditions << "sent = 0";
    return Select(conditions, {}, "id", limit);
}

bool Journal::MarkSent(long long id)
{
    QSqlQuery query(QSqlDatabase::database(QString::fromStdString(connection_), false));
    query.prepare("UPDATE operations SET sent = 1 WHERE id = ?");
    query.addBindValue(id);
    return query.exec() || Fail(NotWritten(), query.lastError().text().toStdString());
}

bool Journal::NoteServerAttempt(const ServerAttempt& attempt)
{
    QSqlDatabase db = QSqlDatabase::database(QString::fromStdString(connection_), false);
    QSqlQuery query(db);
    if (!db.transaction())
        return Fail(NotWritten(), db.lastError().text().toStdString());
    query.prepare("INSERT INTO outbox (server, last_error, last_attempt_utc) VALUES (?, ?, ?)");
    query.addBindValue(QString::fromStdString(attempt.server));
    query.addBindValue(QString::fromStdString(attempt.error));
    query.addBindValue(QString::fromStdString(attempt.timeUtc.empty() ? UtcText(TimeNow()) : attempt.timeUtc));
    if (!QSqlQuery(db).exec("DELETE FROM outbox") || !query.exec() || !db.commit()) {
        const std::string why = query.lastError().text().toStdString();
        db.rollback();
        return Fail(NotWritten(), why);
    }
    return true;
}

std::optional<Journal::ServerAttempt> Journal::LastServerAttempt()
{
    QSqlQuery query(QSqlDatabase::database(QString::fromStdString(connection_), false));
    if (noTable_ || missingColumns_.contains("sent") ||
        !query.exec("SELECT server, last_error, last_attempt_utc FROM outbox") || !query.next())
        return std::nullopt;
    return ServerAttempt{query.value(0).toString().toStdString(), query.value(1).toString().toStdString(),
                         query.value(2).toString().toStdString()};
}

}  // namespace torv
