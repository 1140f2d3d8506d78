// The workshop server as an administrator makes it: server/apply-migrations on a database,
// and the README's set-up commands, after which each role may do what it must and no more.
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <iostream>

#include "server_fixture.h"

namespace torv::test {
namespace {

// The commands of the README's code block under this heading.
QStringList ReadmeCommands(const QString& heading)
{
    QFile readme(TORV_SOURCE_DIR "/README.md");
    if (!readme.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(readme.readAll()).split('\n');
    const qsizetype start = lines.indexOf(heading);
    QStringList commands;
    for (qsizetype i = start + 1; start >= 0 && i < lines.size(); ++i) {
        if (lines[i].startsWith("    "))
            commands << lines[i].mid(4);
        else if (!commands.isEmpty())
            break;
    }
    return commands;
}

class MigrationsTest : public ServerTest {
protected:
    // server/apply-migrations of this folder on the database torv; its versions after it.
    ShellResult Apply(const QString& folder = TORV_SOURCE_DIR "/server")
    {
        return Shell(folder + "/apply-migrations torv", home_.path());
    }
    QString Versions()
    {
        QSqlDatabase db = Connect(cluster_->ConnectOptions("postgres", "torv"));
        QSqlQuery query(db);
        QStringList versions;
        for (query.exec("SELECT version FROM schema_version ORDER BY version"); query.next();)
            versions << query.value(0).toString();
        return versions.join(',');
    }

    void SetUp() override { ASSERT_EQ(Shell("createdb torv", home_.path()).exitCode, 0); }

    QTemporaryDir home_;
};

TEST_F(MigrationsTest, EmptyDatabaseIsBroughtToTheLatestVersionOnce)
{
    const ShellResult first = Apply();
    EXPECT_EQ(first.exitCode, 0) << first.output.toStdString();
    EXPECT_EQ(first.output,
              "schema version 1 applied (schema.sql)\n"
              "the database is at schema version 1, the latest\n");
    const ShellResult second = Apply();
    EXPECT_EQ(second.exitCode, 0) << second.output.toStdString();
    EXPECT_EQ(second.output, "the database is at schema version 1, the latest: nothing to apply\n");
    EXPECT_EQ(Versions(), "1");
}

// Later versions in a copy of server/: applied in order, the one that fails rolled back
// whole and the run ended there; a gap in the numbering refused before anything is done.
TEST_F(MigrationsTest, VersionsApplyInOrderEachInATransaction)
{
    QTemporaryDir copy;
    const QString server = copy.filePath("server");
    const QString migrations = server + "/migrations";
    ASSERT_EQ(Shell("cp -r server '" + server + "' && mkdir -p '" + migrations + "'", home_.path()).exitCode, 0);
    const auto write = [&](const QString& name, const QString& sql) {
        QFile file(migrations + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(sql.toUtf8());
    };
    write("002-second.sql", "CREATE TABLE second (n integer);\n");
    write("003-third.sql", "CREATE TABLE third (n integer);\nSELECT no_such_function();\n");

    ShellResult run = Apply(server);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(
        run.output.startsWith("schema version 1 applied (schema.sql)\n"
                              "schema version 2 applied (migrations/002-second.sql)\n"))
        << run.output.toStdString();
    EXPECT_TRUE(
        run.output.endsWith("apply-migrations: schema version 3 (migrations/003-third.sql) failed and was "
                            "rolled back (psql's message above); the database stays at version 2\n"))
        << run.output.toStdString();
    EXPECT_EQ(Versions(), "1,2");
    QSqlDatabase db = Connect(cluster_->ConnectOptions("postgres", "torv"));
    EXPECT_EQ(Outcome(db, "SELECT n FROM second"), "rows 0");
    EXPECT_EQ(Outcome(db, "SELECT n FROM third"), "42P01");  // no such table

    write("005-fifth.sql", "CREATE TABLE fifth (n integer);\n");
    run = Apply(server);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, "apply-migrations: migrations/005-fifth.sql should be version 4\n");
    QFile::remove(migrations + "/005-fifth.sql");

    write("003-third.sql", "CREATE TABLE third (n integer);\n");
    run = Apply(server);
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_EQ(run.output,
              "schema version 3 applied (migrations/003-third.sql)\n"
              "the database is at schema version 3, the latest\n");
    EXPECT_EQ(Versions(), "1,2,3");
}

// The README's set-up on a fresh cluster, then what each role may do. Its first command
// installs the server, which scripts/install-deps has done; the administrator's
// "sudo -u postgres" is the cluster's superuser here (PGUSER), and torv-server its socket.
TEST_F(ServerTest, ReadmeSetUpGivesEachRoleItsRights)
{
    const QStringList commands = ReadmeCommands("### Setting up the server");
    ASSERT_EQ(commands.size(), 5) << commands.join('\n').toStdString();
    EXPECT_EQ(commands[0], "sudo apt-get install postgresql");
    QTemporaryDir bench;
    for (QString command : commands.mid(1)) {
        std::cout << "$ " << command.toStdString() << "\n";
        command.replace("torv-server", QString::fromStdString(cluster_->SocketFolder()));
        const ShellResult result = Shell("sudo() { [ \"$1\" = -u ] && shift 2; \"$@\"; }\n" + command, bench.path());
        std::cout << result.output.toStdString();
        ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
    }

    // The bench reaches the server by the service the README gave it.
    qunsetenv("PGSERVICEFILE");
    qputenv("HOME", bench.path().toUtf8());
    QSqlDatabase bench1 = Connect("service=torv");
    ASSERT_TRUE(bench1.isOpen());
    QSqlDatabase admin = Connect(cluster_->ConnectOptions("postgres", "torv"));
    for (const char* role : {"bench2 IN ROLE torv_bench", "office IN ROLE torv_reader", "planner IN ROLE torv_planner"})
        ASSERT_EQ(Outcome(admin, QString("CREATE ROLE %1 LOGIN PASSWORD 'pw'").arg(role)), "rows 0");
    QSqlDatabase bench2 = Connect(cluster_->ConnectOptions("bench2", "torv", "pw"));
    QSqlDatabase office = Connect(cluster_->ConnectOptions("office", "torv", "pw"));
    QSqlDatabase planner = Connect(cluster_->ConnectOptions("planner", "torv", "pw"));

    // A journal row (id, serial, bench, state, demo) and a claim or its end for order A-17.
    const auto row = [](int id, const char* serial, const char* benchName, const char* state = "done",
                        const char* demo = "false") {
        return QString(
                   "INSERT INTO operations (id, time_utc, program, operation, outcome, success, serial, bench, "
                   "order_code, program_version, state, demo) VALUES ('00000000-0000-4000-8000-%1', "
                   "'2026-12-01T10:00:00.000Z', 'torvctl', 'batch', 'success', true, '%2', '%3', 'A-17', "
                   "'1.5.0', '%4', %5) ON CONFLICT DO NOTHING")
            .arg(id, 12, 10, QChar('0'))
            .arg(serial, benchName, state, demo);
    };
    const auto claim = [](const char* serial, const char* benchName) {
        return QString(
                   "INSERT INTO claims (id, order_code, serial, bench) VALUES (gen_random_uuid(), 'A-17', '%1', "
                   "'%2') ON CONFLICT DO NOTHING RETURNING id")
            .arg(serial, benchName);
    };
    const auto finish = [](const char* serial, const char* state) {
        return QString(
                   "UPDATE claims SET state = '%1', finished_at = now() "
                   "WHERE order_code = 'A-17' AND serial = '%2'")
            .arg(state, serial);
    };
    const struct {
        QSqlDatabase& db;
        QString sql;
        std::string outcome;  // "rows N", or the SQLSTATE: 42501 no privilege, 23514 check failed
    } cases[] = {
        {planner,
         "INSERT INTO plans (order_code, serial, f1_mhz, f2_mhz, step_khz) "
         "VALUES ('A-17', '13071234', 150.0125, 160.5, 12.5)",
         "rows 1"},
        {planner, row(9, "13071234", "office-pc"), "42501"},
        {bench1, "SELECT f1_mhz FROM plans WHERE order_code = 'A-17'", "rows 1"},
        {bench1, "INSERT INTO plans (order_code, serial, f1_mhz) VALUES ('A-17', '13071235', 151.0)", "42501"},
        {bench1, row(1, "13071234", "bench-1"), "rows 1"},
        {bench1, row(1, "13071234", "bench-1"), "rows 0"},  // sent again: stored once
        {bench1, row(2, "13071234", "bench-1", "in progress"), "23514"},
        {bench1, row(3, "13071234", "bench-1", "done", "true"), "23514"},
        {bench1,
         "INSERT INTO operations (id, time_utc, program, operation, outcome, success, bench, program_version, "
         "sent_by) VALUES (gen_random_uuid(), now(), 'torvctl', 'read', 'success', true, 'bench-1', '1.5.0', "
         "'bench2')",
         "rows 1"},  // sent_by is the server's
        {bench1, "UPDATE operations SET outcome = 'success'", "42501"},
        {bench1, "DELETE FROM operations", "42501"},
        {bench1, claim("13071234", "bench-1"), "rows 1"},
        {bench2, claim("13071234", "bench-2"), "rows 0"},  // claimed once
        {bench2, finish("13071234", "failed"), "rows 0"},  // not its claim
        {bench2, "DELETE FROM claims", "42501"},
        {bench1, "UPDATE claims SET sent_by = 'bench2'", "42501"},
        {bench1, "UPDATE claims SET serial = '13071235'", "42501"},
        {bench1, finish("13071234", "failed"), "rows 1"},
        {bench1, finish("13071234", "done"), "rows 0"},    // finished once
        {bench2, claim("13071234", "bench-2"), "rows 1"},  // a failed claim frees the unit
        {bench2, row(4, "13071234", "bench-2"), "rows 1"},
        {office, "SELECT serial FROM conflicts WHERE benches = 'bench-1, bench-2'", "rows 1"},
        {office, "SELECT id FROM operations WHERE sent_by = 'bench1'", "rows 2"},
        {office, "SELECT id FROM operations WHERE sent_by = 'bench2'", "rows 1"},
        {office, "SELECT id FROM claims", "rows 2"},
        {office, "SELECT version FROM schema_version", "rows 1"},
        {office, row(5, "13071234", "office-pc"), "42501"},
        {office, finish("13071234", "done"), "42501"},
        {office, "DELETE FROM plans", "42501"},
    };
    for (const auto& [db, sql, outcome] : cases)
        EXPECT_EQ(Outcome(db, sql), outcome) << db.connectOptions().toStdString() << ": " << sql.toStdString();
}

}  // namespace
}  // namespace torv::test
