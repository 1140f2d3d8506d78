// The plans and claims of orders on the workshop's server: a unit is claimed by inserting
// a claim row that the server's unique index on a unit's live claims lets in once.
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "journal/journal_server.h"
#include "journal/journal_text.h"

namespace torv {

std::optional<std::vector<PlannedUnit>> JournalServer::Plan(const std::string& orderCode)
{
    if (!Connect())
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(QString::fromStdString(connection_), false));
    query.setForwardOnly(true);
    query.prepare("SELECT serial, f1_mhz, f2_mhz, step_khz FROM plans WHERE order_code = ? ORDER BY serial");
    query.addBindValue(QString::fromStdString(orderCode));
    if (!query.exec()) {
        Fail(JournalText::tr("cannot read the plan of order %1 on the server %2: %3")
                 .arg(JournalArg(orderCode), JournalArg(Shown()), query.lastError().text())
                 .toStdString());
        Disconnect();
        return std::nullopt;
    }
    std::vector<PlannedUnit> units;
    const auto number = [](const QVariant& value) {
        return value.isNull() ? std::nullopt : std::optional(value.toDouble());
    };
    while (query.next())
        units.push_back({query.value(0).toString().toStdString(), query.value(1).toDouble(), number(query.value(2)),
                         number(query.value(3))});
    return units;
}

JournalServer::ServerClaim JournalServer::Claim(const ClaimRecord& claim)
{
    if (!Connect())
        return {};
    QSqlDatabase db = QSqlDatabase::database(QString::fromStdString(connection_), false);
    const auto unanswered = [&](const QSqlQuery& failed) {
        Fail(JournalText::tr("the server %1 did not answer the claim on unit %2 of order %3: %4")
                 .arg(JournalArg(Shown()), JournalArg(claim.serial), JournalArg(claim.orderCode),
                      failed.lastError().text())
                 .toStdString());
        Disconnect();
        return ServerClaim{};
    };
    QSqlQuery insert(db);
    insert.prepare(
        "INSERT INTO claims (id, order_code, serial, bench, state, finished_at) "
        "VALUES (?::uuid, ?, ?, ?, ?, CASE WHEN ? = 'claimed' THEN NULL ELSE now() END) "
        "ON CONFLICT DO NOTHING RETURNING id");
    for (const std::string& value : {claim.id, claim.orderCode, claim.serial, claim.bench, claim.state, claim.state})
        insert.addBindValue(QString::fromStdString(value));
    if (!insert.exec())
        return unanswered(insert);
    if (insert.next())
        return {ClaimAnswer::Granted, {}};
    // Kept out: by another live claim on the unit, or by this very claim, sent before.
    QSqlQuery holder(db);
    holder.prepare(
        "SELECT id = ?::uuid, bench FROM claims WHERE id = ?::uuid OR "
        "(order_code = ? AND serial = ? AND state <> 'failed') ORDER BY 1 DESC LIMIT 1");
    for (const std::string& value : {claim.id, claim.id, claim.orderCode, claim.serial})
        holder.addBindValue(QString::fromStdString(value));
    if (!holder.exec() || !holder.next())
        return unanswered(holder);
    if (holder.value(0).toBool())
        return {ClaimAnswer::Granted, {}};
    return {ClaimAnswer::Held, holder.value(1).toString().toStdString()};
}

bool JournalServer::FinishClaim(const std::string& id, const std::string& state)
{
    if (!Connect())
        return false;
    QSqlQuery query(QSqlDatabase::database(QString::fromStdString(connection_), false));
    // A claim already ended (its end sent before) is left as it is.
    query.prepare("UPDATE claims SET state = ?, finished_at = now() WHERE id = ?::uuid AND state = 'claimed'");
    query.addBindValue(QString::fromStdString(state));
    query.addBindValue(QString::fromStdString(id));
    if (query.exec())
        return true;
    Fail(JournalText::tr("the server %1 did not take the end of claim %2: %3")
             .arg(JournalArg(Shown()), JournalArg(id), query.lastError().text())
             .toStdString());
    Disconnect();
    return false;
}

}  // namespace torv
