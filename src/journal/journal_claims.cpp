// What the journal keeps of the workshop's claims and plans: this bench's claims, sent to
// the server when it answers, and the plans last read from it.
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "journal/journal.h"
#include "journal/journal_text.h"

namespace torv {
namespace {

QVariant Text(const std::string& text)
{
    return QString::fromStdString(text);
}

QVariant Number(const std::optional<double>& value)
{
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<double>());
}

std::optional<double> Number(const QVariant& value)
{
    return value.isNull() ? std::nullopt : std::optional(value.toDouble());
}

}  // namespace

std::optional<bool> Journal::TakeClaim(const ClaimRecord& claim)
{
    if (!HasClaims()) {
        Fail(NotWritten(), JournalText::tr("the journal keeps no claims").toStdString());
        return std::nullopt;
    }
    QSqlQuery query(QSqlDatabase::database(QString::fromStdString(connection_), false));
    // The unique index on a unit's claims that have not failed keeps a second one out.
    query.prepare(
        "INSERT OR IGNORE INTO claims (id, order_code, serial, bench, state, on_server, claimed_utc) "
        "VALUES (?, ?, ?, ?, ?, ?, ?)");
    for (const std::string& value : {claim.id, claim.orderCode, claim.serial, claim.bench, claim.state, claim.onServer})
        query.addBindValue(Text(value));
    query.addBindValue(Text(UtcText(TimeNow())));
    if (!query.exec()) {
        Fail(NotWritten(), query.lastError().text().toStdString());
        return std::nullopt;
    }
    return query.numRowsAffected() == 1;
}

bool Journal::ChangeClaims(const QString& statement, const QVariantList& values)
{
    QSqlQuery query(QSqlDatabase::database(QString::fromStdString(connection_), false));
    query.prepare(statement);
    for (const QVariant& value : values)
        query.addBindValue(value);
    return query.exec() || Fail(NotWritten(), query.lastError().text().toStdString());
}

bool Journal::DropClaim(const std::string& id)
{
    return ChangeClaims("DELETE FROM claims WHERE id = ?", {Text(id)});
}

bool Journal::FinishClaim(const std::string& id, const std::string& state)
{
    return ChangeClaims("UPDATE claims SET state = ?, finished_utc = ? WHERE id = ?",
                        {Text(state), Text(UtcText(TimeNow())), Text(id)});
}

bool Journal::MarkClaimOnServer(const std::string& id, const std::string& state)
{
    return ChangeClaims("UPDATE claims SET on_server = ? WHERE id = ?", {Text(state), Text(id)});
}

bool Journal::NoteClaimConflict(const std::string& id, const std::string& otherBench)
{
    return ChangeClaims("UPDATE claims SET conflict = ? WHERE id = ?", {Text(otherBench), Text(id)});
}

std::optional<std::vector<ClaimRecord>> Journal::SelectClaims(const QString& condition)
{
    std::vector<ClaimRecord> claims;
    if (!HasClaims())
        return claims;
    QSqlQuery query(QSqlDatabase::database(QString::fromStdString(connection_), false));
    if (!query.exec("SELECT id, order_code, serial, bench, state, on_server, conflict FROM claims WHERE " + condition +
                    " ORDER BY claimed_utc, rowid")) {
        Fail(Unusable(), query.lastError().text().toStdString());
        return std::nullopt;
    }
    while (query.next()) {
        const auto text = [&](int column) { return query.value(column).toString().toStdString(); };
        claims.push_back({text(0), text(1), text(2), text(3), text(4), text(5), text(6)});
    }
    return claims;
}

std::optional<std::vector<ClaimRecord>> Journal::ClaimsToSend()
{
    return SelectClaims("state <> 'claimed' AND on_server <> state AND conflict = ''");
}

std::optional<std::vector<ClaimRecord>> Journal::ClaimConflicts()
{
    return SelectClaims("conflict <> ''");
}

bool Journal::KeepPlan(const std::string& orderCode, const std::vector<PlannedUnit>& units)
{
    QSqlDatabase db = QSqlDatabase::database(QString::fromStdString(connection_), false);
    if (!HasClaims())
        return Fail(NotWritten(), JournalText::tr("the journal keeps no plans").toStdString());
    if (!db.transaction())
        return Fail(NotWritten(), db.lastError().text().toStdString());
    QSqlQuery query(db);
    query.prepare("DELETE FROM plans WHERE order_code = ?");
    query.addBindValue(Text(orderCode));
    bool kept = query.exec();
    query.prepare("INSERT INTO plans (order_code, serial, f1_mhz, f2_mhz, step_khz) VALUES (?, ?, ?, ?, ?)");
    for (std::size_t i = 0; kept && i < units.size(); ++i) {
        query.addBindValue(Text(orderCode));
        query.addBindValue(Text(units[i].serial));
        query.addBindValue(units[i].f1MHz);
        query.addBindValue(Number(units[i].f2MHz));
        query.addBindValue(Number(units[i].stepKHz));
        kept = query.exec();
    }
    if (kept && db.commit())
        return true;
    const std::string why = query.lastError().text().toStdString();
    db.rollback();
    return Fail(NotWritten(), why);
}

std::optional<std::vector<PlannedUnit>> Journal::KeptPlan(const std::string& orderCode)
{
    std::vector<PlannedUnit> units;
    if (!HasClaims())
        return units;
    QSqlQuery query(QSqlDatabase::database(QString::fromStdString(connection_), false));
    query.prepare("SELECT serial, f1_mhz, f2_mhz, step_khz FROM plans WHERE order_code = ? ORDER BY serial");
    query.addBindValue(Text(orderCode));
    if (!query.exec()) {
        Fail(Unusable(), query.lastError().text().toStdString());
        return std::nullopt;
    }
    while (query.next())
        units.push_back({query.value(0).toString().toStdString(), query.value(1).toDouble(), Number(query.value(2)),
                         Number(query.value(3))});
    return units;
}

}  // namespace torv
