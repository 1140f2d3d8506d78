// torvctl stopped while its block is on the line, as a terminal's Ctrl+C, a shutdown or a
// kill does it: one signal lets the write and its verification finish; a second abandons
// them (exit 5, the row interrupted); a kill leaves the row in progress, which the
// journal then shows as interrupted.
#include <gtest/gtest.h>

#include <signal.h>

#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "emulator/adapter_emulator.h"
#include "journal/journal.h"

namespace torv {
namespace {

bool WaitForWrite(const AdapterEmulator& emulator)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        for (const ReceivedCommand& command : emulator.Commands())
            if (command.command == AdapterCommand::ParamWrite)
                return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

TEST(WriteSignals, OneLetsTheWriteFinishASecondAbandonsItAKillLeavesItOnRecord)
{
    struct Case {
        const char* what;
        std::vector<int> stopSignals;
        int exitCode;  // -1: killed
        RowState row;
        bool written;
    };
    const Case cases[] = {
        {"SIGINT", {SIGINT}, 0, RowState::Done, true},
        {"SIGTERM twice", {SIGTERM, SIGTERM}, 5, RowState::Interrupted, false},
        {"SIGKILL", {SIGKILL}, -1, RowState::Interrupted, false},
    };
    const ParameterBlock channel1 = MakeParameterBlock({SynthMode::Legacy, 146.1}, 13);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        AdapterEmulator emulator(MakeContents(), AdapterEmulator::kLineBytePeriod);
        emulator.Start();
        QProcess torvctl;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TORV_JOURNAL", dir.filePath("journal.sqlite"));
        torvctl.setProcessEnvironment(environment);
        torvctl.start(TORVCTL_PATH,
                      {"write", "--port", QString::fromStdString(emulator.SlavePath()), "--f1", "146.1", "--no-f2"});
        ASSERT_TRUE(WaitForWrite(emulator));  // the block is on its way: verification follows
        for (const int stopSignal : c.stopSignals) {
            ::kill(static_cast<pid_t>(torvctl.processId()), stopSignal);
            std::this_thread::sleep_for(std::chrono::milliseconds(30));  // signals of a kind do not queue
        }
        ASSERT_TRUE(torvctl.waitForFinished(20000));
        const std::string err = torvctl.readAllStandardError().toStdString();
        if (c.exitCode < 0) {
            EXPECT_EQ(torvctl.exitStatus(), QProcess::CrashExit);
        } else {
            EXPECT_EQ(torvctl.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(torvctl.exitCode(), c.exitCode) << err;
            EXPECT_NE(err.find("the write and its verification are finished first"), std::string::npos) << err;
        }
        // The block reached the unit in every case; only a finished verification says so.
        const ParameterBlock stored = emulator.StoredBlock();
        EXPECT_TRUE(std::equal(stored.begin(), stored.begin() + 16, channel1.begin()));
        const std::vector<JournalEntry> rows = Journal(dir.filePath("journal.sqlite").toStdString()).Find({}).value();
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].operation, "write");
        EXPECT_EQ(rows[0].state, c.row);
        EXPECT_EQ(rows[0].success, c.written);
        EXPECT_EQ(rows[0].blockWrittenHex, HexText(stored));
    }
}

// On several stations the batch takes the signals for them all: a first lets every write
// in progress finish and starts no new unit; a second abandons those writes.
TEST(WriteSignals, InABatchOnSeveralStationsTheWritesInProgressFinish)
{
    for (const int stops : {1, 2}) {
        SCOPED_TRACE(stops);
        QTemporaryDir dir;
        std::vector<std::unique_ptr<AdapterEmulator>> lines;
        QStringList arguments = {"batch", "--f1", "146.1", "--no-f2"};
        for (int serial : {1001, 2001}) {
            auto& line = lines.emplace_back(
                std::make_unique<AdapterEmulator>(MakeContents({.serial = serial}), AdapterEmulator::kLineBytePeriod));
            line->QueueUnits({MakeContents({.serial = serial + 1})});
            line->SetSwapTime(std::chrono::milliseconds(100));
            line->Start();
            arguments << "--port" << QString::fromStdString(line->SlavePath());
        }
        QProcess torvctl;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TORV_JOURNAL", dir.filePath("journal.sqlite"));
        torvctl.setProcessEnvironment(environment);
        torvctl.start(TORVCTL_PATH, arguments);
        ASSERT_TRUE(WaitForWrite(*lines[0]));
        for (int i = 0; i < stops; ++i) {
            ::kill(static_cast<pid_t>(torvctl.processId()), SIGINT);
            std::this_thread::sleep_for(std::chrono::milliseconds(30));  // signals of a kind do not queue
        }
        ASSERT_TRUE(torvctl.waitForFinished(20000));
        const std::string err = torvctl.readAllStandardError().toStdString();
        EXPECT_EQ(torvctl.exitCode(), stops == 1 ? 0 : 5) << err;
        EXPECT_NE(err.find("the writes in progress are finished first"), std::string::npos) << err;
        for (const auto& line : lines) {  // no station started another unit
            const std::vector<ReceivedCommand> commands = line->Commands();
            EXPECT_LE(std::count_if(commands.begin(), commands.end(),
                                    [](const ReceivedCommand& c) { return c.command == AdapterCommand::ParamWrite; }),
                      1);
        }
        const std::vector<JournalEntry> rows = Journal(dir.filePath("journal.sqlite").toStdString()).Find({}).value();
        const auto first = std::find_if(rows.begin(), rows.end(),
                                        [&](const JournalEntry& row) { return row.port == lines[0]->SlavePath(); });
        ASSERT_NE(first, rows.end());
        EXPECT_EQ(first->state, stops == 1 ? RowState::Done : RowState::Interrupted);
        EXPECT_EQ(first->success, stops == 1);
    }
}

}  // namespace
}  // namespace torv
