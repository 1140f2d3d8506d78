#pragma once
// A PostgreSQL cluster of the test's own, reached through Qt's QPSQL driver as the later
// client reaches its server, and the shell commands an administrator types, run against it.

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <optional>
#include <string>

#include "postgres_cluster.h"

namespace torv::test {

struct ShellResult {
    int exitCode;
    QString output;  // standard output and error together
};

// Over any fixture: the programs' own fixtures get a cluster beside what they have.
template <typename Base = ::testing::Test>
class ServerTestOn : public Base {
protected:
    ServerTestOn() { cluster_.emplace(); }
    ~ServerTestOn() override
    {
        for (const QString& name : connections_)
            QSqlDatabase::removeDatabase(name);
    }

    // A QPSQL connection made from libpq key=value pairs; closed when it cannot be opened,
    // the reason added to the test's failures.
    QSqlDatabase Connect(const std::string& options)
    {
        const QString name = QString("server-test-%1").arg(connections_.size());
        connections_ << name;
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", name);
        if (!db.isValid()) {
            ADD_FAILURE() << "Qt's PostgreSQL driver QPSQL is not installed (Debian package libqt6sql6-psql; "
                             "scripts/install-deps)";
            return db;
        }
        db.setConnectOptions(QString::fromStdString(options));
        if (!db.open())
            ADD_FAILURE() << "cannot connect with \"" << options << "\": " << db.lastError().text().toStdString();
        return db;
    }

    // A statement's outcome in a form a table of cases can name: "rows N" (returned, or
    // changed) or the SQLSTATE of its error, such as "42501" (no privilege).
    static std::string Outcome(const QSqlDatabase& db, const QString& sql)
    {
        QSqlQuery query(db);
        if (!query.exec(sql))
            return query.lastError().nativeErrorCode().toStdString();
        int rows = 0;
        if (query.isSelect()) {
            while (query.next())
                ++rows;
        } else {
            rows = query.numRowsAffected();
        }
        return "rows " + std::to_string(rows);
    }

    // A bash command in the source tree, with the PG* variables that lead libpq to the
    // cluster as its superuser, and nothing else of the caller's PG* variables.
    ShellResult Shell(const QString& command, const QString& home, const QString& folder = TORV_SOURCE_DIR) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& name : environment.keys())
            if (name.startsWith("PG"))
                environment.remove(name);
        environment.insert("PGHOST", QString::fromStdString(cluster_->SocketFolder()));
        environment.insert("PGPORT", QString::number(PostgresCluster::kPort));
        environment.insert("PGUSER", "postgres");
        environment.insert("HOME", home);
        QProcess shell;
        shell.setProcessEnvironment(environment);
        shell.setWorkingDirectory(folder);
        shell.setProcessChannelMode(QProcess::MergedChannels);
        shell.start("bash", {"-c", command});
        shell.waitForFinished(120000);
        return {shell.exitStatus() == QProcess::NormalExit ? shell.exitCode() : -1, QString::fromUtf8(shell.readAll())};
    }

    // server/apply-migrations on a new database torv, and a bench's login bench1 in the role
    // torv_bench, as the README sets a server up.
    void MakeWorkshopDatabase(const QString& home, const QString& password)
    {
        const ShellResult made = Shell(
            "createdb torv && server/apply-migrations torv >/dev/null && psql -X -q -v ON_ERROR_STOP=1 -d torv -c "
            "\"CREATE ROLE bench1 LOGIN IN ROLE torv_bench PASSWORD '" +
                password + "'\"",
            home);
        ASSERT_EQ(made.exitCode, 0) << made.output.toStdString();
    }

    // The number of rows a query on db returns as its first value; -1 when it fails.
    static long long Count(const QSqlDatabase& db, const QString& sql)
    {
        QSqlQuery query(db);
        return query.exec(sql) && query.next() ? query.value(0).toLongLong() : -1;
    }

    std::optional<PostgresCluster> cluster_;  // reset by a test that watches it go

private:
    QStringList connections_;
};
using ServerTest = ServerTestOn<>;

}  // namespace torv::test
