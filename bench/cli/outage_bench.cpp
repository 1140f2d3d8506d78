// A batch of an order's units while the workshop's server goes away and comes back: 200
// units through torvctl batch against a PostgreSQL cluster of its own, the server stopped
// once 50 rows are journaled and started again at 150. Every row must reach the server
// once, each unit be claimed once, and no unit may wait for the server: the slowest unit
// while it was away is compared with the slowest before. The line runs ten times faster
// than 2400 bit/s, as in the tests, so that the run takes about a minute; the server's
// share of a unit's time is not scaled.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <thread>

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "cli/dispatch.h"
#include "cli/arguments.h"
#include "emulator/adapter_emulator.h"
#include "exchange/timing.h"
#include "journal/journal.h"
#include "postgres_cluster.h"

namespace {

using namespace torv;

constexpr int kUnits = 200;
constexpr int kStopAt = 50;
constexpr int kStartAt = 150;
constexpr const char* kPassword = "bench-pw";

long long Count(const QString& sql)
{
    QSqlQuery query(QSqlDatabase::database("admin"));
    return query.exec(sql) && query.next() ? query.value(0).toLongLong() : -1;
}

int Torvctl(const std::vector<std::string>& words, std::string& out)
{
    std::ostringstream output, errors;
    const int code = cli::RunTorvctl(words, cli::Console{output, errors, nullptr});
    out = output.str();
    if (code != cli::kExitOk)
        std::cerr << "torvctl " << words.front() << " ended with " << code << ":\n" << errors.str();
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    test::PostgresCluster cluster;
    QTemporaryDir home;
    for (const auto& [name, value] : {std::pair{"PGHOST", cluster.SocketFolder()},
                                      std::pair{"PGPORT", std::to_string(test::PostgresCluster::kPort)},
                                      std::pair{"PGUSER", std::string("postgres")}})
        ::setenv(name, value.c_str(), 1);
    const std::string made = "cd " TORV_SOURCE_DIR
                             " && createdb torv && server/apply-migrations torv >/dev/null && "
                             "psql -X -q -v ON_ERROR_STOP=1 -d torv -c \"CREATE ROLE bench1 LOGIN IN ROLE torv_bench "
                             "PASSWORD '" +
                             std::string(kPassword) + "'\"";
    if (std::system(made.c_str()) != 0) {
        std::cerr << "the workshop's database could not be made\n";
        return 1;
    }
    QFile pgpass(home.filePath("pgpass"));
    if (!pgpass.open(QIODevice::WriteOnly))
        return 1;
    pgpass.write(QString("*:*:torv:*:%1\n").arg(kPassword).toUtf8());
    pgpass.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    pgpass.close();
    qputenv("PGPASSFILE", pgpass.fileName().toUtf8());
    qputenv("TORV_JOURNAL", home.filePath("journal.sqlite").toUtf8());
    qputenv("TORV_JOURNAL_SERVER", cluster.ConnectOptions("bench1", "torv").c_str());
    QSqlDatabase admin = QSqlDatabase::addDatabase("QPSQL", "admin");
    admin.setConnectOptions(QString::fromStdString(cluster.ConnectOptions("postgres", "torv")));

    timing::SetDivisorForTesting(10);
    std::vector<TransmitterContents> units;
    for (int serial = 1; serial <= kUnits; ++serial)
        units.push_back(MakeContents({.serial = 4000 + serial}));
    AdapterEmulator emulator(units.front());
    emulator.QueueUnits({units.begin() + 1, units.end()});
    emulator.Start();

    // Watches the journal's rows: stops the server at kStopAt and starts it at kStartAt.
    std::atomic<bool> done{false};
    std::atomic<int> stage{0};
    std::thread watcher([&] {
        while (!done && stage < 2) {
            const std::size_t rows = Journal(Journal::DefaultPath(), JournalAccess::ReadOnly)
                                         .Find({})
                                         .value_or(std::vector<JournalEntry>{})
                                         .size();
            if (stage == 0 && rows >= kStopAt) {
                cluster.Stop();
                ++stage;
            } else if (stage == 1 && rows >= kStartAt) {
                cluster.Start();
                ++stage;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    std::string out;
    const int code =
        Torvctl({"batch", "--port=" + emulator.SlavePath(), "--f1", "150.0", "--order", "O-200", "--json"}, out);
    done = true;
    watcher.join();
    if (code != cli::kExitOk || stage != 2) {
        std::cerr << (stage != 2 ? "the server was not stopped and started during the batch\n" : "");
        return 1;
    }
    std::string synced;
    if (Torvctl({"journal", "--sync"}, synced) != cli::kExitOk || !admin.open())
        return 1;

    const QJsonArray results =
        QJsonDocument::fromJson(QByteArray::fromStdString(out)).object().value("units").toArray();
    double before = 0, during = 0;
    for (qsizetype i = 0; i < results.size() && i < kStartAt; ++i) {
        const double ms = results[i].toObject().value("seconds").toDouble() * 1000;
        (i < kStopAt ? before : during) = std::max(i < kStopAt ? before : during, ms);
    }
    const long long rows = Count("SELECT count(*) FROM operations WHERE order_code = 'O-200'");
    const long long serials = Count("SELECT count(DISTINCT serial) FROM operations WHERE order_code = 'O-200'");
    const long long claims = Count("SELECT count(*) FROM claims WHERE order_code = 'O-200' AND state = 'done'");
    std::printf(
        "server outage: %lld units, %lld rows on the server, %lld duplicates, %lld claims done; slowest unit with "
        "the server %.0f ms, while it was away %.0f ms: %+.0f ms\n",
        static_cast<long long>(results.size()), rows, rows - serials, claims, before, during, during - before);
    return results.size() == kUnits && rows == kUnits && serials == kUnits && claims == kUnits ? 0 : 1;
}
