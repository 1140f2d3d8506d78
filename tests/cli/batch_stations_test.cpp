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
#include "command_fixture.h"

namespace torv::cli {
namespace {

using namespace std::chrono_literals;

class BatchStationsTest : public ExchangeCommandsTest {
protected:
    // An adapter that has these units connected one after another, with a short swap
    // between them; the --port option that reaches it.
    std::string Station(const std::vector<int>& serials, const EmulatorFaults& faults = {})
    {
        auto& line = stations_.emplace_back(std::make_unique<AdapterEmulator>(MakeContents({.serial = serials[0]})));
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
        skipped += row.outcome.find("programmed earlier in this batch") != std::string::npos;
    }
    EXPECT_EQ(skipped, 1u);
}

TEST_F(BatchStationsTest, AFaultAtOneStationStaysThere)
{
    EmulatorFaults badReadBack;
    badReadBack.corruptReadbackCount = 1000;
    const std::vector<std::string> ports = {Station({2001, 2002}), Station({2003}), Station({2004}, badReadBack)};
    // The second station's adapter goes away once its write has gone out.
    std::thread unplug([this] {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (Writes(1) == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        stations_[1]->HangUp();
    });
    const Outcome batch = Run(
        {"batch", ports[0], ports[1], ports[2], "--plan", Plan({2001, 2002, 2003, 2004, 2005}), "--idle-timeout", "1"});
    unplug.join();
    EXPECT_EQ(batch.code, kExitNotVerified) << batch.out << batch.err;
    EXPECT_EQ(Writes(0), 2u);
    EXPECT_EQ(Count(batch.out, "programmed and verified"), 2u) << batch.out;
    EXPECT_NE(batch.out.find("13072003\t150.0 MHz\tFAILED not-verified"), std::string::npos) << batch.out;
    EXPECT_NE(batch.out.find("13072004\t150.0 MHz\tFAILED not-verified"), std::string::npos) << batch.out;
    EXPECT_NE(batch.out.find("state unknown, read these units again: "), std::string::npos) << batch.out;
    // The lost adapter is told once, however often it is polled.
    EXPECT_EQ(Count(batch.err, "the adapter does not answer"), 1u) << batch.err;
    EXPECT_NE(batch.err.find("not programmed: 13072003, 13072004, 13072005"), std::string::npos) << batch.err;

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

}  // namespace
}  // namespace torv::cli
