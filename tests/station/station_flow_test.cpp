// The station window as an operator uses it, under a real X server: three emulated
// adapters (torv-adapter-emulator --count 3) with units that come one after another, the
// run started with F5 and each label scanned as a keyboard-wedge scanner types it.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "event_loop.h"
#include "exchange/timing.h"
#include "station/run_report.h"
#include "station/station_tile.h"
#include "station/station_window.h"

namespace torv::station {
namespace {

class StationFlow : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, system_.path());
        SetUnfinishedRun({});
        timing::SetDivisorForTesting(10);
    }

    void TearDown() override
    {
        timing::SetDivisorForTesting(1);
        emulator_.terminate();
        emulator_.waitForFinished();
    }

    // The emulator's adapters, with the units dealt out to them in turn.
    QStringList StartEmulator(int count, const QString& units)
    {
        emulator_.start(QStringLiteral(TORV_EMULATOR_PATH),
                        {"--count", QString::number(count), "--units", units, "--deal-units", "--swap-seconds", "0.5",
                         "--byte-period-us", "0", "--verbose"});
        QStringList ports;
        while (ports.size() < count && emulator_.waitForReadyRead(5000))
            while (emulator_.canReadLine())
                ports << QString::fromUtf8(emulator_.readLine()).trimmed();
        EXPECT_EQ(ports.size(), count) << emulator_.readAllStandardError().toStdString();
        return ports;
    }

    // How many parameter blocks (0xE0 0x10) the emulator's adapters were sent.
    int WritesReceived()
    {
        log_ += QString::fromUtf8(emulator_.readAllStandardError());
        return static_cast<int>(log_.count(QStringLiteral("received write")));
    }

    // The window with this set-up, started by F5.
    StationWindow& Start(const QStringList& ports, const QByteArray& plan, int scanSeconds)
    {
        QFile file(dir_.filePath("plan.csv"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(plan);
        file.close();
        StationSetup setup;
        setup.planPath = file.fileName();
        setup.orderCode = QStringLiteral("A-17");
        setup.operatorName = QStringLiteral("Иванова");
        setup.ports = ports;
        setup.scanRequired = true;
        setup.scanSeconds = scanSeconds;
        SaveSetup(setup, {});
        window_ = std::make_unique<StationWindow>(StationWindowOptions{journal_.toStdString(), {}, ports});
        QObject::connect(&window_->Model(), &RunModel::Finished, [this](BatchEnd why) { end_ = why; });
        window_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        window_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        QTest::keyClick(window_.get(), Qt::Key_F5);
        EXPECT_TRUE(window_->Model().Running());
        return *window_;
    }

    // A label scanned: its digits and Enter, as fast as a scanner types them, wherever the focus is.
    void Scan(const QString& digits)
    {
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : window_.get();
        QTest::keyClicks(focus, digits);
        QTest::keyClick(focus, Qt::Key_Return);
    }

    // The station waiting for a scan, or -1.
    int Waiting() const
    {
        const std::vector<TileState>& tiles = window_->Model().Tiles();
        for (std::size_t i = 0; i < tiles.size(); ++i)
            if (tiles[i].waitingForScan)
                return static_cast<int>(i);
        return -1;
    }

    std::vector<JournalEntry> RunRows()
    {
        Journal journal(journal_.toStdString(), JournalAccess::ReadOnly);
        return journal.Find({.runId = window_->Model().RunId().toStdString()}).value_or(std::vector<JournalEntry>{});
    }

    QTemporaryDir dir_;
    QTemporaryDir system_;
    QString journal_ = dir_.filePath("journal.sqlite");
    QProcess emulator_;
    QString log_;
    std::unique_ptr<StationWindow> window_;
    std::optional<BatchEnd> end_;
};

TEST_F(StationFlow, SixPlannedUnitsOnThreeStationsEndGreenAndTheCountersEqualTheJournal)
{
    const QStringList ports = StartEmulator(3, "1001,1002,1003,1004,1005,1006");
    ASSERT_EQ(ports.size(), 3);
    StationWindow& window = Start(ports,
                                  "serial,f1,f2\n13071001,150.0,\n13071002,150.5,160.0\n13071003,151.0,\n"
                                  "13071004,151.5,\n13071005,152.0,\n13071006,152.5,\n",
                                  30);
    while (!end_) {
        ASSERT_TRUE(testing::RunUntil([&] { return end_ || Waiting() >= 0; }, 20000)) << "no station came to its write";
        if (const int station = Waiting(); station >= 0)
            Scan(window.Model().Tiles()[static_cast<std::size_t>(station)].serial);
    }
    EXPECT_EQ(*end_, BatchEnd::PlanComplete);
    for (int station = 0; station < window.TileCount(); ++station)
        EXPECT_EQ(window.Tile(station).ColourShown(), ResultColour::Good) << station;

    const std::vector<JournalEntry> rows = RunRows();
    ASSERT_EQ(rows.size(), 6u);
    for (const JournalEntry& row : rows) {
        EXPECT_TRUE(row.success) << row.serial << ": " << row.outcome;
        EXPECT_EQ(row.orderCode, "A-17");
        EXPECT_EQ(row.operatorName, "Иванова");
        EXPECT_EQ(row.program, "torv-station");
    }
    const Counters counters = window.Model().CountersNow();
    EXPECT_EQ(counters.programmed, 6);
    EXPECT_EQ(counters.failed + counters.skipped, 0);
    EXPECT_EQ(counters.attempts, 6);
    EXPECT_TRUE(window.CountersShown().contains(QStringLiteral("Запрограммировано: 6")));
    EXPECT_EQ(window.Model().LastUnits().size(), 6u);
    EXPECT_EQ(WritesReceived(), 6);

    // The report tells the same, and so does a window started again, which continues the run.
    const RunSummary summary{window.Model().RunId(),       "A-17",         "Иванова",       {},
                             QDateTime::currentDateTime(), CountRun(rows), UnitsOfRun(rows)};
    ASSERT_EQ(WriteReportCsv(summary, dir_.filePath("report.csv")), QString());
    QFile csv(dir_.filePath("report.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines.filter(QStringLiteral(",programmed,\"Запрограммирован и проверен\",")).size(), 6);
    ASSERT_EQ(WriteReportPdf(summary, dir_.filePath("report.pdf")), QString());
    QFile pdf(dir_.filePath("report.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    StationWindow again(StationWindowOptions{journal_.toStdString(), {}, ports});
    EXPECT_EQ(again.Model().RunId(), window.Model().RunId());
    EXPECT_EQ(again.Model().CountersNow().programmed, 6);
    EXPECT_EQ(again.Model().CountersNow().attempts, 6);
    EXPECT_EQ(again.CountersShown(), window.CountersShown());
}

TEST_F(StationFlow, AScanMatchingNoWaitingUnitGoesNowhereAndTheUnitIsNotWritten)
{
    const QStringList ports = StartEmulator(1, "1001");
    ASSERT_EQ(ports.size(), 1);
    StationWindow& window = Start(ports, "serial,f1\n13071001,150.0\n", kShortestScanWait);
    ASSERT_TRUE(testing::RunUntil([&] { return Waiting() == 0; }, 20000));
    Scan(QStringLiteral("13079999"));
    EXPECT_TRUE(window.ScanShown().contains(QStringLiteral("13079999 не совпала"))) << window.ScanShown().toStdString();
    EXPECT_EQ(Waiting(), 0);

    // Not matched within its time: red, journaled, nothing written.
    ASSERT_TRUE(testing::RunUntil([&] { return window.Tile(0).ColourShown() == ResultColour::Bad; },
                                  (kShortestScanWait + 5) * 1000));
    EXPECT_EQ(window.Tile(0).ResultShown(), QStringLiteral("Этикетка не подтверждена сканом: не записан"));
    const std::vector<JournalEntry> rows = RunRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].serial, "13071001");
    EXPECT_TRUE(rows[0].outcome.starts_with("label-not-matched")) << rows[0].outcome;
    EXPECT_TRUE(rows[0].blockWrittenHex.empty());
    EXPECT_EQ(window.Model().CountersNow().failed, 1);

    QTest::keyClick(&window, Qt::Key_F6);
    ASSERT_TRUE(testing::RunUntil([&] { return end_.has_value(); }, 10000));
    EXPECT_EQ(WritesReceived(), 0) << log_.toStdString();
    EXPECT_TRUE(log_.contains(QStringLiteral("received read"))) << log_.toStdString();
}

}  // namespace
}  // namespace torv::station
