// torvctl batch on several stations at once: every unit found without a key press, every
// planned serial number programmed once wherever it comes, a fault kept at its station.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include "cli/arguments.h"
#include "cli/batch_plan.h"
#include "cli/batch_station.h"
#include "command_fixture.h"
#include "event_loop.h"
#include "production/batch_engine.h"

namespace torv::cli {
namespace {

using namespace std::chrono_literals;

class BatchStationsTest : public ExchangeCommandsTest {
protected:
    // An adapter that has these units connected one after another, with a short swap
    // between them; the --port option that reaches it.
    std::string Station(const std::vector<int>& serials, const EmulatorFaults& faults = {},
                        std::chrono::microseconds bytePeriod = {})
    {
        auto& line =
            stations_.emplace_back(std::make_unique<AdapterEmulator>(MakeContents({.serial = serials[0]}), bytePeriod));
        std::vector<TransmitterContents> next;
        for (std::size_t i = 1; i < serials.size(); ++i)
            next.push_back(MakeContents({.serial = serials[i]}));
        line->QueueUnits(next);
        line->SetSwapTime(100ms);
        line->SetFaults(faults);
        line->Start();
        return "--port=" + line->SlavePath();
    }

    std::string Plan(const std::vector<int>& serials)
    {
        const QString path = journalDir_.filePath("plan.csv");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("serial,f1,f2,step\n");
        for (int serial : serials)
            file.write(QStringLiteral("1307%1,150.0,,\n").arg(serial).toUtf8());
        return path.toStdString();
    }

    std::size_t Writes(std::size_t station) const
    {
        std::size_t writes = 0;
        for (const ReceivedCommand& command : stations_[station]->Commands())
            writes += command.command == AdapterCommand::ParamWrite;
        return writes;
    }

    static std::size_t Count(const std::string& text, const std::string& part)
    {
        std::size_t count = 0;
        for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++count;
        return count;
    }

    std::vector<std::unique_ptr<AdapterEmulator>> stations_;
};

TEST_F(BatchStationsTest, EachPlannedUnitIsProgrammedOnceWhicheverStationItComesTo)
{
    // 13071003 comes to two stations at once: one programs it, the other skips it.
    const std::vector<std::string> ports = {Station({1003, 1001}), Station({1003, 1002}), Station({1004})};
    const Outcome batch =
        Run({"batch", ports[0], ports[1], ports[2], "--plan", Plan({1001, 1002, 1003, 1004}), "--json-lines"});
    ASSERT_EQ(batch.code, kExitOk) << batch.out << batch.err;
    EXPECT_EQ(Writes(0) + Writes(1) + Writes(2), 4u);
    EXPECT_NE(batch.err.find("every unit of the plan is programmed"), std::string::npos) << batch.err;

    // One JSON line a unit, naming its station, and the summary line last.
    const QStringList lines = QString::fromStdString(batch.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6) << batch.out;
    std::map<std::string, std::vector<std::string>> results;  // serial: results in order
    for (qsizetype i = 0; i < 5; ++i) {
        const QJsonObject unit = QJsonDocument::fromJson(lines[i].toUtf8()).object();
        results[unit["serial"].toString().toStdString()].push_back(unit["result"].toString().toStdString());
        EXPECT_TRUE(unit["station"].toString().startsWith("pts/")) << lines[i].toStdString();
    }
    std::sort(results["13071003"].begin(), results["13071003"].end());
    EXPECT_EQ(results["13071003"], (std::vector<std::string>{"programmed", "skipped"}));
    for (const char* serial : {"13071001", "13071002", "13071004"})
        EXPECT_EQ(results[serial], std::vector<std::string>{"programmed"}) << serial;
    const QJsonObject summary = QJsonDocument::fromJson(lines[5].toUtf8()).object();
    EXPECT_EQ(summary["programmed"].toInt(), 4);
    EXPECT_EQ(summary["skipped"].toInt(), 1);
    EXPECT_EQ(summary["stations"].toArray().size(), 3);
    EXPECT_GT(summary["unitsPerHour"].toDouble(), 0);

    // The journal rows agree, each naming the port it was made at.
    const std::vector<JournalEntry> rows = Rows();
    ASSERT_EQ(rows.size(), 5u);
    std::size_t skipped = 0;
    for (const JournalEntry& row : rows) {
        EXPECT_TRUE(row.port.rfind("/dev/pts/", 0) == 0) << row.port;
        skipped += row.outcome.find("being programmed, in this batch") != std::string::npos;
    }
    EXPECT_EQ(skipped, 1u);
}

TEST_F(BatchStationsTest, AFaultAtOneStationStaysThere)
{
    EmulatorFaults badReadBack;
    badReadBack.corruptReadbackCount = 1000;
    // The second station's adapter, paced as a real line is, goes away while it sends the
    // read-back of the block written.
    const std::vector<std::string> ports = {
        Station({2001, 2002}), Station({2003}, {}, AdapterEmulator::kLineBytePeriod), Station({2004}, badReadBack)};
    std::thread unplug([this] {
        const auto readBackAsked = [this] {
            const std::vector<ReceivedCommand> commands = stations_[1]->Commands();
            const auto write = std::find_if(commands.begin(), commands.end(), [](const ReceivedCommand& command) {
                return command.command == AdapterCommand::ParamWrite;
            });
            return write != commands.end() && std::any_of(write, commands.end(), [](const ReceivedCommand& command) {
                       return command.command == AdapterCommand::ParamRequest;
                   });
        };
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (!readBackAsked() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        stations_[1]->HangUp();
    });
    const Outcome batch = Run(
        {"batch", ports[0], ports[1], ports[2], "--plan", Plan({2001, 2002, 2003, 2004, 2005}), "--idle-timeout", "3"});
    unplug.join();
    EXPECT_EQ(batch.code, kExitNotVerified) << batch.out << batch.err;
    EXPECT_EQ(Writes(0), 2u);
    EXPECT_EQ(Count(batch.out, "programmed and verified"), 2u) << batch.out;
    EXPECT_NE(batch.out.find("13072003\t150.0 MHz\tFAILED not-verified"), std::string::npos) << batch.out;
    EXPECT_NE(batch.out.find("13072004\t150.0 MHz\tFAILED not-verified"), std::string::npos) << batch.out;
    EXPECT_NE(batch.out.find("state unknown, read these units again: "), std::string::npos) << batch.out;
    // The lost adapter is told once, however often it is polled.
    EXPECT_EQ(Count(batch.err, "the adapter does not answer"), 1u) << batch.err;
    EXPECT_NE(batch.err.find("not programmed in this batch: 13072003, 13072004, 13072005"), std::string::npos)
        << batch.err;

    std::map<std::string, JournalEntry> rows;
    for (const JournalEntry& row : Rows())
        rows[row.serial] = row;
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_TRUE(rows["13072001"].success);
    EXPECT_TRUE(rows["13072002"].success);
    for (const char* serial : {"13072003", "13072004"}) {
        EXPECT_EQ(rows[serial].exitCode, kExitNotVerified) << serial;
        EXPECT_FALSE(rows[serial].blockWrittenHex.empty()) << serial;
    }
    EXPECT_NE(rows["13072003"].port, rows["13072004"].port);
}

// The gate before each write, as a station window holds it for its label scan.
TEST_F(BatchStationsTest, AHeldWriteWaitsAtTheGateUntilReleased)
{
    const std::string port = Station({3001, 3002});
    const BatchPlan plan =
        BatchPlan::FromText("serial,f1,f2,step\n13073001,150.0,,\n13073002,151.0,,\n", "plan", false);
    BatchEngine engine(1,
                       [&](int) {
                           return std::make_unique<BatchStation>(std::vector<std::string>{port, "--no-journal"}, plan);
                       },
                       {2, std::nullopt, 1000ms, {}});
    engine.HoldWrites(true);
    std::vector<std::string> waited;
    std::vector<UnitReport> units;
    std::optional<BatchEnd> end;
    QObject::connect(&engine, &BatchEngine::WriteWaiting, &engine, [&](int station, const QString& serial) {
        EXPECT_EQ(Writes(0), 0u);  // nothing goes out while the gate is held
        waited.push_back(serial.toStdString());
        engine.ReleaseWrite(station, serial == "13073002");
    });
    QObject::connect(&engine, &BatchEngine::UnitDone, &engine, [&](const UnitReport& unit) { units.push_back(unit); });
    QObject::connect(&engine, &BatchEngine::Finished, &engine, [&](BatchEnd why) { end = why; });
    engine.Start();
    ASSERT_TRUE(torv::testing::RunUntil([&] { return end.has_value(); }, 30000));
    EXPECT_EQ(*end, BatchEnd::UnitsDone);
    EXPECT_EQ(waited, (std::vector<std::string>{"13073001", "13073002"}));
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[0].kind, "held");  // shut at the gate: refused, nothing sent
    EXPECT_EQ(units[0].exitCode, kExitRefused);
    EXPECT_EQ(units[1].end, UnitEnd::Programmed);
    EXPECT_EQ(Writes(0), 1u);
}

}  // namespace
}  // namespace torv::cli
