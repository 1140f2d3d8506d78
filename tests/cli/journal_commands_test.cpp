// Every torvctl read and write leaves a journal row, whatever its exit code, and
// torvctl journal gives the rows back for people, scripts and spreadsheets.
#include <gtest/gtest.h>

#include <tuple>

#include <QJsonArray>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QSysInfo>

#include "cli/arguments.h"
#include "cli/batch_plan.h"
#include "cli/cli_language.h"
#include "command_fixture.h"
#include "production/operation_record.h"
#include "scoped_time_zone.h"
#include "torv_version.h"

namespace torv::cli {
namespace {

using JournalCommandsTest = ExchangeCommandsTest;

TEST_F(JournalCommandsTest, EveryReadAndWriteLeavesARowWithItsOutcome)
{
    ASSERT_EQ(Run({"read", Line(), "--operator", "Иванова", "--order", "A-17"}).code, kExitOk);
    ASSERT_EQ(Run({"write", Line(), "--f1", "150.0"}).code, kExitOk);
    const ParameterBlock verifiedBlock = emulator_->StoredBlock();
    ASSERT_EQ(Run({"write", Line(), "--f1", "146.0125"}).code, kExitRefused);  // needs tuning: W1
    EmulatorFaults corrupted;
    corrupted.corruptReadbackCount = kAlways;
    ASSERT_EQ(Run({"write", Line(corrupted), "--f1", "160.0"}).code, kExitNotVerified);
    ASSERT_EQ(Run({"read", "--port", "/dev/torv-no-such-port"}).code, kExitPortUnavailable);
    ASSERT_EQ(Run({"read", Line(), "--no-journal"}).code, kExitOk);

    const std::vector<JournalEntry> rows = Rows();
    ASSERT_EQ(rows.size(), 5u);  // newest first
    EXPECT_EQ(rows[0].outcome.rfind("port-unavailable", 0), 0u) << rows[0].outcome;
    EXPECT_FALSE(rows[0].deviceType);  // the read never reached the info block
    EXPECT_EQ(rows[0].exitCode, kExitPortUnavailable);

    const JournalEntry& h = rows[1];
    EXPECT_EQ(h.exitCode, kExitNotVerified);
    EXPECT_FALSE(h.success);
    EXPECT_NE(h.outcome.find("prompt H"), std::string::npos) << h.outcome;
    EXPECT_FALSE(h.readBackHex.empty());
    EXPECT_NE(h.readBackHex, h.blockWrittenHex);
    EXPECT_EQ(h.state, RowState::Done);  // a read-back that differs is not verified, not interrupted

    const JournalEntry& w1 = rows[2];
    EXPECT_EQ(w1.exitCode, kExitRefused);
    EXPECT_NE(w1.outcome.find("(W1)"), std::string::npos) << w1.outcome;
    EXPECT_TRUE(w1.blockWrittenHex.empty());

    const JournalEntry& write = rows[3];
    EXPECT_TRUE(write.success);
    EXPECT_EQ(write.program, "torvctl");
    EXPECT_EQ(write.operation, "write");
    EXPECT_EQ(write.serial, "13071234");
    EXPECT_EQ(write.deviceType, 13);
    EXPECT_EQ(write.f1BeforeMHz, 146.0);
    EXPECT_EQ(write.f1AfterMHz, 150.0);
    EXPECT_EQ(write.readBackHex, write.blockWrittenHex);
    EXPECT_EQ(write.blockWrittenHex, HexText(verifiedBlock));

    EXPECT_EQ(rows[4].operation, "read");
    EXPECT_EQ(rows[4].outcome, "success");
    EXPECT_EQ(rows[4].infoHex.size(), 16u);
    EXPECT_EQ(rows[4].blockReadHex.size(), 64u);
    // Where it came from: this PC, the operator and the order given, this version.
    EXPECT_EQ(rows[4].operatorName, "Иванова");
    EXPECT_EQ(rows[4].orderCode, "A-17");
    EXPECT_EQ(rows[4].bench, QSysInfo::machineHostName().toStdString());
    EXPECT_EQ(rows[4].programVersion, TORV_VERSION);
    EXPECT_TRUE(rows[4].station.empty());  // a batch's rows name their station
    EXPECT_GT(rows[4].durationMs.value_or(0), 0);
    EXPECT_TRUE(rows[3].operatorName.empty());
}

TEST_F(JournalCommandsTest, JournalCommandListsRowsAsTableCsvAndJson)
{
    ASSERT_EQ(Run({"write", Line(), "--f1", "150.0"}).code, kExitOk);
    ASSERT_EQ(Run({"read", "--port", "/dev/torv-no-such-port"}).code, kExitPortUnavailable);
    JournalEntry quoted;
    quoted.program = "window";
    quoted.operation = "read";
    quoted.adapter = "ftdi_sio, \"FT232R\"\r\nUSB";
    quoted.outcome = "prompt B: Cancel";
    quoted.operatorName = "=HYPERLINK(\"http://x\",\"y\")";
    quoted.orderCode = "+1";
    quoted.station = "-2+3";
    quoted.bench = "@SUM(A1)";
    quoted.serial = "\t=1";
    ASSERT_TRUE(Journal(Journal::DefaultPath()).Append(quoted));

    const Outcome csv = Run({"journal", "--csv"});
    ASSERT_EQ(csv.code, kExitOk) << csv.err;
    const auto table = CsvRows(csv.out);
    ASSERT_EQ(table.size(), 4u) << csv.out;
    const std::vector<std::string>& header = table[0];
    for (const auto& row : table)
        ASSERT_EQ(row.size(), header.size());
    const auto column = [&](const std::string& name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    };
    EXPECT_EQ(table[1][column("adapter")], quoted.adapter);  // quoted, read back whole
    // What a spreadsheet would take for a formula stays text.
    for (const auto& [name, text] : {std::pair{"operator", quoted.operatorName},
                                     {"order_code", quoted.orderCode},
                                     {"station", quoted.station},
                                     {"bench", quoted.bench},
                                     {"serial", quoted.serial}})
        EXPECT_EQ(table[1][column(name)], "'" + text) << name;
    EXPECT_EQ(table[2][column("exit_code")], "4");
    EXPECT_EQ(table[3][column("serial")], "13071234");
    EXPECT_EQ(table[3][column("f1_after_mhz")], "150.0000");

    const QJsonObject json = Run({"journal", "--json", "--outcome", "success", "--serial", "13071234"}).Json();
    ASSERT_EQ(json.value("rows").toArray().size(), 1);  // the write alone
    EXPECT_EQ(json.value("rows").toArray()[0].toObject().value("operation").toString(), "write");

    // The table's columns line up in either language: each row's outcome starts where the
    // header's last column does, counted in characters.
    for (const auto& [russian, verified, unavailable] : {std::tuple{false, "written and verified", "port unavailable"},
                                                         std::tuple{true, "записано и проверено", "порт недоступен"}}) {
        ASSERT_TRUE(UseLanguage(russian));
        const QStringList lines = QString::fromStdString(Run({"journal"}).out).split('\n', Qt::SkipEmptyParts);
        UseLanguage(false);
        ASSERT_EQ(lines.size(), 4) << lines.join('\n').toStdString();
        const qsizetype outcomeColumn = lines[0].lastIndexOf(' ') + 1;
        EXPECT_EQ(lines[2].mid(outcomeColumn), QString::fromUtf8(unavailable)) << lines.join('\n').toStdString();
        EXPECT_EQ(lines[3].mid(outcomeColumn), QString::fromUtf8(verified)) << lines.join('\n').toStdString();
    }

    const Outcome text = Run({"journal", "--outcome", "failed"});
    EXPECT_NE(text.out.find("port unavailable"), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find("13071234"), std::string::npos);
    EXPECT_EQ(Run({"journal", "--outcome", "maybe"}).code, kExitUsage);
}

TEST_F(JournalCommandsTest, RestoreWritesBackWhatTheUnitHeldBeforeItsLastWrite)
{
    const Outcome noJournal = Run({"restore", "--demo", "--serial", "13071234"});
    EXPECT_EQ(noJournal.code, kExitJournalUnusable);
    EXPECT_NE(noJournal.err.find("does not exist"), std::string::npos) << noJournal.err;
    ASSERT_EQ(Run({"read", "--demo"}).code, kExitOk);
    EXPECT_EQ(Run({"restore", "--demo", "--serial", "13071234"}).code, kExitRefused);  // no write journaled yet
    const std::string port = Line();
    ASSERT_EQ(Run({"write", port, "--f1", "150.0"}).code, kExitOk);
    const ParameterBlock at150 = emulator_->StoredBlock();
    ASSERT_EQ(Run({"write", port, "--f1", "160.0"}).code, kExitOk);

    JournalEntry otherUnit;  // a unit programmed long ago, which is not the one connected
    otherUnit.timeUtc = "2000-01-01T00:00:00.000Z";
    otherUnit.program = "torvctl";
    otherUnit.operation = "write";
    otherUnit.outcome = "success";
    otherUnit.success = true;
    otherUnit.serial = "13079999";
    otherUnit.blockReadHex = HexText(at150);
    ASSERT_TRUE(Journal(Journal::DefaultPath()).Append(otherUnit));
    const Outcome wrongUnit = Run({"restore", port, "--serial", "13079999"});
    EXPECT_EQ(wrongUnit.code, kExitRefused);
    EXPECT_NE(wrongUnit.err.find("13071234"), std::string::npos) << wrongUnit.err;
    EXPECT_EQ(Run({"restore", port, "--serial", "13071234"}).code, kExitOk);
    EXPECT_EQ(emulator_->StoredBlock(), at150);

    // Before the write of 160 MHz the last write was that of 150 MHz, made over the
    // emulator's start-up block.
    const std::vector<JournalEntry> rows = Rows();
    ASSERT_EQ(rows[0].operation, "restore");
    EXPECT_TRUE(rows[0].success);
    EXPECT_EQ(rows[0].f1AfterMHz, 150.0);
    ASSERT_EQ(rows.size(), 6u);
    ASSERT_EQ(rows[2].f1AfterMHz, 160.0);
    EXPECT_EQ(Run({"restore", port, "--serial", "13071234", "--before", rows[2].timeUtc}).code, kExitOk);
    EXPECT_EQ(emulator_->StoredBlock(), stored_);
}

// Three writes at 08:00, 10:00 and 12:00 UTC: before 13:00 at +03:00, that is 10:00 UTC,
// the last write is that of 08:00 (one made at the very instant counts as after it).
TEST_F(JournalCommandsTest, RestoreBeforeATimeComparesInstants)
{
    const std::string port = Line();
    std::vector<ParameterBlock> held{stored_};
    for (const char* f1 : {"150.0", "151.0", "152.0"}) {
        ASSERT_EQ(Run({"write", port, "--f1", f1}).code, kExitOk);
        held.push_back(emulator_->StoredBlock());
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "retimed");
        db.setDatabaseName(QString::fromStdString(Journal::DefaultPath()));
        ASSERT_TRUE(db.open());
        int id = 0;
        for (const char* time : {"2026-12-01T08:00:00.000Z", "2026-12-01T10:00:00.000Z", "2026-12-01T12:00:00.000Z"}) {
            QSqlQuery retime(db);
            retime.prepare("UPDATE operations SET time_utc = ? WHERE id = ?");
            retime.addBindValue(time);
            retime.addBindValue(++id);
            ASSERT_TRUE(retime.exec());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("retimed");

    // The restores leave no row of their own, so that the journal keeps the three writes.
    const auto restoreBefore = [&](const char* time) {
        return Run({"restore", port, "--serial", "13071234", "--before", time, "--no-journal"});
    };
    const Outcome restored = restoreBefore("2026-12-01T13:00:00+03:00");
    ASSERT_EQ(restored.code, kExitOk) << restored.err;
    EXPECT_NE(restored.out.find("first frequency      146.0000 MHz"), std::string::npos) << restored.out;
    EXPECT_EQ(emulator_->StoredBlock(), held[0]);
    ASSERT_EQ(restoreBefore("2026-12-01T10:00:00.001Z").code, kExitOk);
    EXPECT_EQ(emulator_->StoredBlock(), held[1]);
    const testing::ScopedTimeZone plusThree("<+03>-3");
    ASSERT_EQ(restoreBefore("01.12.2026 13:00").code, kExitOk);  // local time, 10:00 UTC
    EXPECT_EQ(emulator_->StoredBlock(), held[0]);
    const Outcome tooEarly = restoreBefore("2026-12-01");  // the local day begins at 21:00 UTC the day before
    EXPECT_EQ(tooEarly.code, kExitRefused);
    EXPECT_NE(tooEarly.err.find("no verified write of unit 13071234 before 2026-12-01"), std::string::npos)
        << tooEarly.err;
}

// A journaled block that failed its check is written back only when asked, and a row that
// cannot be decoded is passed over: the row before it is used.
TEST_F(JournalCommandsTest, RestoreWritesBackOnlyWhatWasSound)
{
    const std::string port = Line();
    ASSERT_EQ(Run({"write", port, "--f1", "150.0"}).code, kExitOk);
    ParameterBlock damaged = emulator_->StoredBlock();
    damaged[7] ^= 0x01;  // record 1's check sum
    ASSERT_EQ(Run({"write", port, "--f1", "160.0"}).code, kExitOk);
    JournalEntry row = Rows().front();  // as if the unit had held the damaged block before that write
    row.timeUtc.clear();
    row.blockReadHex = HexText(damaged);
    Journal journal(Journal::DefaultPath());
    ASSERT_TRUE(journal.Append(row));
    row.blockReadHex = "not hex";
    ASSERT_TRUE(journal.Append(row));

    const Outcome sound = Run({"restore", port, "--serial", "13071234", "--no-journal"});
    ASSERT_EQ(sound.code, kExitOk) << sound.err;
    EXPECT_NE(sound.err.find("cannot be decoded (not hexadecimal: \"not hex\"): passed over"), std::string::npos)
        << sound.err;
    EXPECT_NE(sound.err.find("failed its check (record 1): passed over; --accept-damaged writes it back"),
              std::string::npos)
        << sound.err;
    EXPECT_NE(sound.out.find("first frequency      150.0000 MHz"), std::string::npos) << sound.out;

    const Outcome accepted = Run({"restore", port, "--serial", "13071234", "--accept-damaged", "--json"});
    ASSERT_EQ(accepted.code, kExitOk) << accepted.err;
    EXPECT_NE(accepted.err.find("warning: record 1 of the block journaled before the write of"), std::string::npos)
        << accepted.err;
    EXPECT_EQ(emulator_->StoredBlock()[7], static_cast<std::uint8_t>(damaged[7] ^ 0x01)) << "sealed anew";
    EXPECT_EQ(accepted.Json().value("journalError"), QJsonValue(QJsonValue::Null));
}

TEST_F(JournalCommandsTest, JournalThatCannotBeWrittenCostsOneWarning)
{
    qputenv("TORV_JOURNAL", "/dev/null/journal.sqlite");
    const Outcome read = Run({"read", Line()});
    EXPECT_EQ(read.code, kExitOk);
    EXPECT_NE(read.err.find("torvctl: warning: the journal was not written"), std::string::npos) << read.err;
    EXPECT_NE(read.out.find("13071234"), std::string::npos);
    const Outcome json = Run({"write", Line(), "--f1", "150.0", "--json"});
    EXPECT_EQ(json.code, kExitOk);
    EXPECT_NE(json.Json().value("journalError").toString().toStdString().find("/dev/null is not a folder"),
              std::string::npos)
        << json.out;
}

TEST_F(JournalCommandsTest, AWriteThatNeverEndedIsListedAsInProgressOrInterrupted)
{
    {
        Journal journal(Journal::DefaultPath());
        JournalEntry row;
        row.program = "torvctl";
        row.operation = "write";
        row.serial = "13071234";
        row.outcome = "in progress";
        ASSERT_TRUE(journal.BeginWrite(row));  // this process still runs: in progress
        const std::optional<long long> abandoned = journal.BeginWrite(row);
        ASSERT_TRUE(abandoned);
        row.state = RowState::Interrupted;
        row.outcome = "abandoned by a signal";
        ASSERT_TRUE(journal.Complete(*abandoned, row));
    }
    const Outcome listed = Run({"journal"});
    ASSERT_EQ(listed.code, kExitOk) << listed.err;
    const QStringList lines = QString::fromStdString(listed.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << listed.out;  // the header, then the rows
    EXPECT_TRUE(lines[0].startsWith("TIME")) << listed.out;
    EXPECT_TRUE(lines[1].endsWith(" write interrupted: state unknown")) << listed.out;
    EXPECT_TRUE(lines[2].endsWith(" write in progress")) << listed.out;
    const QJsonArray json = Run({"journal", "--json"}).Json().value("rows").toArray();
    ASSERT_EQ(json.size(), 2);
    EXPECT_EQ(json[0].toObject().value("state").toString(), "interrupted");
    EXPECT_EQ(json[1].toObject().value("state").toString(), "in progress");
}

}  // namespace
}  // namespace torv::cli
