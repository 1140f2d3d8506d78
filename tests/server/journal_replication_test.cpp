// The journal's rows copied to the workshop's server by torvctl's outbox: each row once,
// demo rows and writes in progress never, and nothing lost while the server is away.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include <atomic>
#include <iostream>
#include <set>
#include <thread>

#include "cli/arguments.h"
#include "command_fixture.h"
#include "journal/journal.h"
#include "production/unit_station.h"
#include "server_fixture.h"

namespace torv::test {
namespace {

class ReplicationTest : public ServerTestOn<cli::ExchangeCommandsTest> {
protected:
    void SetUp() override
    {
        MakeWorkshopDatabase(home_.path(), kPassword);
        // The bench's password comes from libpq's own file, never from our settings.
        QFile pgpass(home_.filePath("pgpass"));
        ASSERT_TRUE(pgpass.open(QIODevice::WriteOnly));
        pgpass.write(QString("*:*:torv:*:%1\n").arg(kPassword).toUtf8());
        pgpass.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        pgpass.close();
        qputenv("PGPASSFILE", pgpass.fileName().toUtf8());
        qputenv("TORV_JOURNAL_SERVER", cluster_->ConnectOptions("bench1", "torv").c_str());
        admin_ = Connect(cluster_->ConnectOptions("postgres", "torv"));
    }
    void TearDown() override
    {
        qunsetenv("TORV_JOURNAL_SERVER");
        qunsetenv("PGPASSFILE");
    }

    long long ServerRows(const QString& where = "true")
    {
        admin_.close();  // made anew: the server may have been away
        admin_.open();
        return Count(admin_, "SELECT count(*) FROM operations WHERE " + where);
    }

    // An order's plan on the server: these units, each at 150 MHz.
    void PlanOrder(const QString& order, const std::vector<std::string>& serials)
    {
        for (const std::string& serial : serials)
            ASSERT_EQ(Outcome(admin_, QString("INSERT INTO plans (order_code, serial, f1_mhz) VALUES ('%1', '%2', 150)")
                                          .arg(order, QString::fromStdString(serial))),
                      "rows 1");
    }

    // A second bench: a login of its own, its own journal, and its name in its settings.
    QProcessEnvironment OtherBench(const QString& name)
    {
        ServerRows();  // connected anew
        EXPECT_EQ(
            Outcome(admin_, QString("CREATE ROLE %1 LOGIN IN ROLE torv_bench PASSWORD '%2'").arg(name, kPassword)),
            "rows 0");
        const QString folder = home_.filePath(name);
        QDir().mkpath(folder + "/torv-programmer");
        QFile settings(folder + "/torv-programmer/torv-programmer.ini");
        EXPECT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write(QString("[journal]\nbench=%1\n").arg(name).toUtf8());
        QProcessEnvironment environment = cli::EnvironmentWithLanguage("C");
        environment.insert("XDG_CONFIG_HOME", folder);
        environment.insert("TORV_JOURNAL", folder + "/journal.sqlite");
        environment.insert("TORV_JOURNAL_SERVER",
                           QString::fromStdString(cluster_->ConnectOptions(name.toStdString(), "torv")));
        return environment;
    }

    // An emulated adapter at which these units come one after another.
    static std::unique_ptr<AdapterEmulator> UnitsComing(const std::vector<int>& serials)
    {
        std::vector<TransmitterContents> units;
        for (int serial : serials)
            units.push_back(MakeContents({.serial = serial}));
        auto emulator = std::make_unique<AdapterEmulator>(units.front());
        emulator->QueueUnits({units.begin() + 1, units.end()});
        emulator->Start();
        return emulator;
    }

    static constexpr const char* kPassword = "s3cret-bench-pw";
    QTemporaryDir home_;
    QSqlDatabase admin_;
};

TEST_F(ReplicationTest, EachEndedRowReachesTheServerOnceAndDemoRowsNever)
{
    ASSERT_EQ(Run({"read", Line(), "--operator", "Иванова", "--order", "A-17"}).code, cli::kExitOk);
    const cli::Outcome write = Run({"write", Line(), "--f1", "150.0"});
    ASSERT_EQ(write.code, cli::kExitOk) << write.err;
    EXPECT_EQ(write.err.find("rows waiting for the server"), std::string::npos) << write.err;  // drained before exit
    ASSERT_EQ(Run({"read", "--demo"}).code, cli::kExitOk);
    EXPECT_EQ(ServerRows(), 2);
    EXPECT_EQ(ServerRows("operator = 'Иванова' AND order_code = 'A-17' AND bench <> '' AND duration_ms > 0 "
                         "AND sent_by = 'bench1' AND program_version <> ''"),
              1);

    // A write still in progress waits for its end; the ids are the journal's own.
    std::optional<long long> running;
    const JournalEntry begun = Rows().back();  // the first read's, made anew
    {
        Journal journal(Journal::DefaultPath());
        running = journal.BeginWrite(begun);
        ASSERT_TRUE(running) << journal.Error();
    }
    cli::Outcome sync = Run({"journal", "--sync"});
    EXPECT_EQ(sync.code, cli::kExitOk) << sync.err;
    EXPECT_EQ(sync.out.rfind("rows sent to the server ", 0), 0u) << sync.out;
    EXPECT_NE(sync.out.find(": 0; none waits"), std::string::npos) << sync.out;
    EXPECT_EQ(ServerRows(), 2);
    for (const JournalEntry& row : Rows())
        EXPECT_EQ(ServerRows("id = '" + QString::fromStdString(row.uuid) + "'"),
                  row.demo || row.state != RowState::Done ? 0 : 1)
            << row.operation << " " << row.uuid;
    {
        Journal journal(Journal::DefaultPath());
        JournalEntry done = begun;
        done.state = RowState::Done;
        ASSERT_TRUE(journal.Complete(*running, done));
        // Rows sent before and sent again (a crash before they were marked) are stored once.
        QSqlDatabase local = QSqlDatabase::addDatabase("QSQLITE", "unsend");
        local.setDatabaseName(QString::fromStdString(Journal::DefaultPath()));
        ASSERT_TRUE(local.open() && QSqlQuery(local).exec("UPDATE operations SET sent = 0"));
    }
    QSqlDatabase::removeDatabase("unsend");
    sync = Run({"journal", "--sync", "--json"});
    EXPECT_EQ(sync.Json().value("sent").toInt(), 3) << sync.out;
    EXPECT_EQ(ServerRows(), 3);

    // The status, and the server's rows through the local listing's filters.
    const cli::Outcome status = Run({"journal", "--status"});
    EXPECT_NE(status.out.find("rows waiting: 0 (writes in progress: 0)"), std::string::npos) << status.out;
    EXPECT_NE(status.out.find(", sent"), std::string::npos) << status.out;
    const cli::Outcome listed = Run({"journal", "--server", "--outcome", "success", "--json"});
    ASSERT_EQ(listed.code, cli::kExitOk) << listed.err;
    const QJsonArray rows = listed.Json().value("rows").toArray();
    ASSERT_EQ(rows.size(), 3);
    std::set<std::string> local, server;
    for (const JournalEntry& row : Rows())
        if (!row.demo)
            local.insert(row.uuid);
    for (const QJsonValue& row : rows)
        server.insert(row.toObject().value("id").toString().toStdString());
    EXPECT_EQ(server, local);
    EXPECT_EQ(rows[2].toObject().value("operator").toString(), "Иванова");

    // A password given in the connection string is never shown; an unreachable server is exit 7.
    qputenv("TORV_JOURNAL_SERVER", (cluster_->ConnectOptions("bench1", "torv", kPassword) + " port=1").c_str());
    for (const cli::Outcome& shown :
         {Run({"journal", "--status"}), Run({"journal", "--sync"}), Run({"journal", "--server"})}) {
        EXPECT_EQ((shown.out + shown.err).find(kPassword), std::string::npos) << shown.out << shown.err;
        EXPECT_NE((shown.out + shown.err).find("password=***"), std::string::npos) << shown.out << shown.err;
    }
    EXPECT_EQ(Run({"journal", "--sync"}).code, cli::kExitServer);
    EXPECT_EQ(Run({"journal", "--server"}).code, cli::kExitServer);
}

// 30 units in one batch, the server stopped while unit 10 is done and started again at
// unit 20: every row reaches it once, and the batch never waits for it.
TEST_F(ReplicationTest, ABatchGoesOnWhileTheServerIsAwayAndNothingIsLost)
{
    constexpr int kUnits = 30;
    const std::string port = Line();
    std::vector<TransmitterContents> units;
    for (int serial = 2; serial <= kUnits; ++serial)
        units.push_back(MakeContents({.serial = 1000 + serial}));
    emulator_->QueueUnits(units);

    // Watches the journal's rows: stops the server at 10 and starts it at 20.
    std::atomic<bool> done{false};
    std::atomic<int> stage{0};  // 1: stopped, 2: started again
    std::string watchError;
    std::thread watcher([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
        while (!done && stage < 2 && std::chrono::steady_clock::now() < deadline) {
            const std::size_t rows = Journal(Journal::DefaultPath(), JournalAccess::ReadOnly)
                                         .Find({})
                                         .value_or(std::vector<JournalEntry>{})
                                         .size();
            try {
                if (stage == 0 && rows >= 10) {
                    cluster_->Stop();
                    ++stage;
                } else if (stage == 1 && rows >= 20) {
                    cluster_->Start();
                    ++stage;
                }
            } catch (const std::exception& error) {
                watchError = error.what();
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the next look at the journal
        }
    });
    const cli::Outcome batch = Run({"batch", port, "--f1", "150.0", "--order", "B-30", "--json"});
    done = true;
    watcher.join();
    ASSERT_TRUE(watchError.empty()) << watchError;
    ASSERT_EQ(stage, 2) << "the server was not stopped and started during the batch";
    ASSERT_EQ(batch.code, cli::kExitOk) << batch.err;
    const QJsonArray results = batch.Json().value("units").toArray();
    ASSERT_EQ(results.size(), kUnits);

    const cli::Outcome sync = Run({"journal", "--sync"});
    EXPECT_EQ(sync.code, cli::kExitOk) << sync.err;
    const long long rows = ServerRows("order_code = 'B-30'");
    const long long duplicates =
        rows - Count(admin_, "SELECT count(DISTINCT serial) FROM operations WHERE order_code = 'B-30'");
    EXPECT_EQ(rows, kUnits);
    EXPECT_EQ(duplicates, 0);
    const cli::Outcome status = Run({"journal", "--status"});
    EXPECT_NE(status.out.find("rows waiting: 0 "), std::string::npos) << status.out;

    // The figures: the slowest unit before the outage and during it.
    double before = 0, during = 0;
    for (qsizetype i = 0; i < 20; ++i)
        (i < 10 ? before : during) =
            std::max(i < 10 ? before : during, results[i].toObject().value("seconds").toDouble());
    std::cout << "server rows " << rows << ", duplicates " << duplicates << ", slowest unit with the server "
              << before * 1000 << " ms, while it was away " << during * 1000 << " ms\n";
}

// A planner loads an order's plan; loaded again with changes, the plan takes them; a
// bench may not change plans.
TEST_F(ReplicationTest, APlannerImportsAnOrdersPlanIntoTheServer)
{
    ASSERT_EQ(Outcome(admin_, QString("CREATE ROLE planner LOGIN IN ROLE torv_planner PASSWORD '%1'").arg(kPassword)),
              "rows 0");
    const std::string planner = "--server=" + cluster_->ConnectOptions("planner", "torv");
    const std::string plan = journalDir_.filePath("plan.csv").toStdString();
    const auto writePlan = [&](const char* text) {
        QFile file(QString::fromStdString(plan));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    };
    writePlan("serial,f1,f2,step\n13071234,150.0125,160.5,12.5\n13071235,151.0,,\n");
    cli::Outcome import = Run({"plan", "import", plan, "--order", "A-17", planner});
    ASSERT_EQ(import.code, cli::kExitOk) << import.err;
    EXPECT_NE(import.out.find("order A-17: 2 units planned on the server "), std::string::npos) << import.out;
    EXPECT_NE(import.out.find(", 2 of them new or changed"), std::string::npos) << import.out;
    EXPECT_EQ(Count(admin_,
                    "SELECT count(*) FROM plans WHERE order_code = 'A-17' AND serial = '13071235' AND "
                    "f1_mhz = 151.0 AND f2_mhz IS NULL AND step_khz IS NULL AND sent_by = 'planner'"),
              1);

    writePlan("serial,f1,f2,step\n13071234,150.0125,160.5,12.5\n13071235,152.0,,\n13071236,153.0,,25\n");
    import = Run({"plan", "import", plan, "--order", "A-17", planner, "--json"});
    EXPECT_EQ(import.Json().value("changed").toInt(), 2) << import.out;
    EXPECT_EQ(Count(admin_, "SELECT count(*) FROM plans WHERE order_code = 'A-17'"), 3);
    EXPECT_EQ(Count(admin_, "SELECT count(*) FROM plans WHERE f1_mhz = 152.0 OR step_khz = 25"), 2);

    const cli::Outcome bench = Run({"plan", "import", plan, "--order", "B-1"});  // bench1's login
    EXPECT_EQ(bench.code, cli::kExitServer);
    EXPECT_NE(bench.err.find("did not take the plan of order B-1"), std::string::npos) << bench.err;
    EXPECT_EQ(Count(admin_, "SELECT count(*) FROM plans WHERE order_code = 'B-1'"), 0);
    EXPECT_EQ(Run({"plan", "import", plan, planner}).code, cli::kExitUsage);  // no order
}

// Two benches, each with its journal and login, run one order at once, and every unit
// comes to both of them: each unit is programmed once, at the bench that claimed it.
TEST_F(ReplicationTest, TwoBenchesWithOnePlanProgramEachUnitOnce)
{
    const std::vector<int> serials{2001, 2002, 2003, 2004, 2005, 2006};
    PlanOrder("W-6", {"13072001", "13072002", "13072003", "13072004", "13072005", "13072006"});
    std::vector<std::unique_ptr<AdapterEmulator>> adapters;
    std::vector<std::unique_ptr<QProcess>> benches;
    for (const QString bench : {"bench_a", "bench_b"}) {
        adapters.push_back(UnitsComing(serials));
        benches.push_back(std::make_unique<QProcess>());
        benches.back()->setProcessEnvironment(OtherBench(bench));
        benches.back()->start(TORVCTL_PATH, {"batch", "--port=" + QString::fromStdString(adapters.back()->SlavePath()),
                                             "--order", "W-6", "--json"});
    }
    std::map<std::string, std::string> programmedAt;  // serial: bench
    int skipped = 0;
    for (std::size_t i = 0; i < benches.size(); ++i) {
        ASSERT_TRUE(benches[i]->waitForFinished(120000));
        const QJsonObject result = QJsonDocument::fromJson(benches[i]->readAllStandardOutput()).object();
        ASSERT_EQ(result.value("exitCode").toInt(-1), cli::kExitOk) << benches[i]->readAllStandardError().toStdString();
        for (const QJsonValue& unit : result.value("units").toArray()) {
            const std::string serial = unit.toObject().value("serial").toString().toStdString();
            if (unit.toObject().value("result").toString() == "programmed")
                EXPECT_TRUE(programmedAt.emplace(serial, i ? "bench_b" : "bench_a").second) << serial << " twice";
            else
                skipped +=
                    unit.toObject().value("outcome").toString().contains(i ? "at bench bench_a" : "at bench bench_b");
        }
    }
    EXPECT_EQ(programmedAt.size(), serials.size());
    EXPECT_EQ(skipped, 6);
    EXPECT_EQ(Count(admin_, "SELECT count(*) FROM claims WHERE order_code = 'W-6' AND state = 'done'"), 6);
    EXPECT_EQ(ServerRows("order_code = 'W-6' AND success"), 6);
    EXPECT_EQ(Count(admin_, "SELECT count(*) FROM conflicts"), 0);
    for (const auto& [serial, bench] : programmedAt)
        EXPECT_EQ(Count(admin_, QString("SELECT count(*) FROM claims WHERE serial = '%1' AND state = 'done' AND "
                                        "bench = '%2' AND sent_by = '%2'")
                                    .arg(QString::fromStdString(serial), QString::fromStdString(bench))),
                  1);
}

// While the server is away a bench goes on with the plan it last read and claims units in
// its journal alone; another bench programs one of them meanwhile: once the server is
// back the claim is sent, and the unit is reported as a conflict, not resolved.
TEST_F(ReplicationTest, AUnitProgrammedAtTwoBenchesWhileTheServerWasAwayIsAConflict)
{
    PlanOrder("C-2", {"13073001", "13073002"});
    const std::unique_ptr<AdapterEmulator> here = UnitsComing({3001});
    const cli::Outcome first = Run({"batch", "--port=" + here->SlavePath(), "--order", "C-2"});
    ASSERT_EQ(first.code, cli::kExitOk) << first.err;
    EXPECT_NE(first.err.find("the plan of order C-2: 2 units, read from the server"), std::string::npos) << first.err;

    cluster_->Stop();
    const std::unique_ptr<AdapterEmulator> hereAgain = UnitsComing({3002});
    const cli::Outcome away = Run({"batch", "--port=" + hereAgain->SlavePath(), "--order", "C-2"});
    EXPECT_EQ(away.code, cli::kExitOk) << away.err;
    EXPECT_NE(away.err.find("2 units, as last read here: the server is away"), std::string::npos) << away.err;
    EXPECT_NE(away.out.find("13073002\t150.0"), std::string::npos) << away.out;
    cluster_->Start();

    QProcess other;
    other.setProcessEnvironment(OtherBench("bench_c"));
    const std::unique_ptr<AdapterEmulator> adapter = UnitsComing({3002, 3001});
    other.start(TORVCTL_PATH, {"batch", "--port=" + QString::fromStdString(adapter->SlavePath()), "--order", "C-2"});
    ASSERT_TRUE(other.waitForFinished(60000));
    const std::string otherOut = other.readAllStandardOutput().toStdString();
    EXPECT_NE(otherOut.find("13073002\t150.0"), std::string::npos) << otherOut;  // programmed there too
    EXPECT_NE(otherOut.find("at bench " + Rows().front().bench + " for order C-2"), std::string::npos) << otherOut;

    const cli::Outcome sync = Run({"journal", "--sync"});
    EXPECT_EQ(sync.code, cli::kExitOk) << sync.err;
    const cli::Outcome status = Run({"journal", "--status"});
    EXPECT_NE(status.out.find("claims waiting: 0; conflicts: 1"), std::string::npos) << status.out;
    EXPECT_NE(status.out.find("conflict: unit 13073002 of order C-2 was programmed here and claimed at bench bench_c"),
              std::string::npos)
        << status.out;
    const std::vector<JournalEntry> claimRows = Journal(Journal::DefaultPath()).Find({.operation = "claim"}).value();
    ASSERT_EQ(claimRows.size(), 1u);
    EXPECT_EQ(claimRows[0].serial, "13073002");
    EXPECT_EQ(claimRows[0].outcome.rfind("conflict: ", 0), 0u) << claimRows[0].outcome;
    EXPECT_EQ(Count(admin_, "SELECT count(*) FROM conflicts WHERE serial = '13073002'"), 1);
    EXPECT_EQ(Count(admin_, "SELECT count(*) FROM claims WHERE serial = '13073001' AND state = 'done'"), 1);
}

// A station of the station window claims the units of its order too: a unit that another
// bench has programmed is skipped there, naming that bench, and nothing is written to it.
TEST_F(ReplicationTest, AStationOfTheStationWindowSkipsAUnitAnotherBenchHolds)
{
    PlanOrder("S-1", {"13076001"});
    const std::unique_ptr<AdapterEmulator> first = UnitsComing({6001});
    const cli::Outcome batch = Run({"batch", "--port=" + first->SlavePath(), "--order", "S-1"});
    ASSERT_EQ(batch.code, cli::kExitOk) << batch.err;

    const std::unique_ptr<AdapterEmulator> second = UnitsComing({6001});
    const std::map<std::string, WantedFrequencies> plan{
        {"13076001", WantedFrequencies{{150.0, "150.0"}, std::nullopt, true, std::nullopt, false}}};
    const std::set<std::string> none;
    UnitStation station({second->SlavePath(),
                         {},
                         false,
                         journalDir_.filePath("station.sqlite").toStdString(),
                         {"torv-station", "bench_s", "Стенд 1", "", "S-1", "run-s"},
                         false,
                         {},
                         cluster_->ConnectOptions("bench1", "torv")},
                        plan, none);
    ASSERT_EQ(station.Look().kind, Sighting::Kind::Unit);
    const UnitReport report = station.Handle(true, {[](StationPhase) {}, [] { return true; }});
    EXPECT_EQ(StationOutcomeNamed(report.kind), StationOutcome::HeldElsewhere) << report.outcome;
    EXPECT_NE(report.outcome.find("at bench " + Rows().front().bench + " for order S-1"), std::string::npos)
        << report.outcome;
    for (const ReceivedCommand& command : second->Commands())
        EXPECT_NE(command.command, AdapterCommand::ParamWrite);
    EXPECT_EQ(Count(admin_, "SELECT count(*) FROM claims WHERE serial = '13076001'"), 1);
}

}  // namespace
}  // namespace torv::test
