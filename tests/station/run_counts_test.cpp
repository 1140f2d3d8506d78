// The run's counters and units come from its journal rows: each unit by its last outcome,
// every row an attempt; and every outcome reaches the operator in Russian words.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "production/unit_station.h"
#include "station/run_model.h"
#include "station/station_texts.h"

namespace torv::station {
namespace {

JournalEntry Row(const std::string& serial, const std::string& outcome, const std::string& time, bool success = false)
{
    JournalEntry row;
    row.serial = serial;
    row.success = success;
    row.outcome = success ? "success" : outcome;
    row.timeUtc = time;
    row.durationMs = 60'000;
    row.station = "Демо 1";
    return row;
}

TEST(RunCounts, EachUnitCountsByItsLastOutcomeAndEveryRowIsAnAttempt)
{
    // Newest first, as the journal lists them.
    const std::vector<JournalEntry> rows = {
        Row("13071004", "skipped-not-in-plan: not in the plan", "2026-12-10T10:05:00Z"),
        // Programmed, then seen again at another station: it stays programmed.
        Row("13071001", "skipped-programmed-earlier: programmed earlier", "2026-12-10T10:04:00Z"),
        Row("13071003", "read-failed (prompt I: Cancel): the exchange did not complete", "2026-12-10T10:03:30Z"),
        Row("", "read-failed (prompt C: Cancel): no serial", "2026-12-10T10:03:00Z"),
        // Failed first, programmed on the second try.
        Row("13071002", "", "2026-12-10T10:02:00Z", true),
        Row("13071002", "label-not-matched: its label was not scanned in time", "2026-12-10T10:01:30Z"),
        Row("13071001", "", "2026-12-10T10:01:00Z", true),
    };
    const Counters counters = CountRun(rows);
    EXPECT_EQ(counters.programmed, 2);
    EXPECT_EQ(counters.failed, 1);
    EXPECT_EQ(counters.skipped, 1);
    EXPECT_EQ(counters.attempts, 7);
    // Two units over the five minutes from the first row's start to the last row.
    EXPECT_NEAR(counters.unitsPerHour, 24.0, 0.01);

    const std::vector<UnitLine> units = UnitsOfRun(rows);
    ASSERT_EQ(units.size(), 4u);
    EXPECT_EQ(units[0].serial, "13071001");
    EXPECT_EQ(units[0].outcome, StationOutcome::Programmed);
    EXPECT_EQ(units[0].attempts, 2);
    EXPECT_EQ(units[1].serial, "13071002");
    EXPECT_EQ(units[1].outcome, StationOutcome::Programmed);
    EXPECT_EQ(units[2].outcome, StationOutcome::ReadFailed);
    EXPECT_EQ(units[3].outcome, StationOutcome::NotInPlan);
}

TEST(RunCounts, AWriteStillInProgressIsNotCountedAndOneInterruptedIsUnknown)
{
    JournalEntry running = Row("13071005", "in progress", "2026-12-10T10:06:00Z");
    running.state = RowState::InProgress;
    JournalEntry cut = Row("13071006", "in progress", "2026-12-10T10:05:00Z");
    cut.state = RowState::Interrupted;
    const Counters counters = CountRun({running, cut});
    EXPECT_EQ(counters.attempts, 1);
    EXPECT_EQ(counters.failed, 1);
    EXPECT_EQ(UnitsOfRun({running, cut}).at(0).outcome, StationOutcome::NotVerified);
}

TEST(RunCounts, EveryOutcomeIsToldInRussianWordsAndItsNameReadsBack)
{
    const QRegularExpression latin(QStringLiteral("[A-Za-z]"));
    for (int i = 0; i <= static_cast<int>(StationOutcome::ReadFailed); ++i) {
        const auto outcome = static_cast<StationOutcome>(i);
        const QString text = OutcomeText(outcome);
        EXPECT_FALSE(text.contains(latin)) << text.toStdString();
        EXPECT_EQ(StationOutcomeNamed(StationOutcomeName(outcome)), outcome) << StationOutcomeName(outcome);
    }
    for (StationPhase phase : {StationPhase::Waiting, StationPhase::Reading, StationPhase::Writing,
                               StationPhase::Verifying, StationPhase::Stopped})
        EXPECT_FALSE(PhaseText(phase).contains(latin));
}

}  // namespace
}  // namespace torv::station
