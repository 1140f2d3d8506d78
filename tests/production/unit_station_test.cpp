// A station of the production line against an emulated adapter: the unit is written only
// when it is planned, new to the run, within the checks, let through the gate, and its
// label is the one scanned; every end is journaled with the run, and nothing else is sent.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "emulator/adapter_emulator.h"
#include "exchange/timing.h"
#include "production/unit_station.h"

namespace torv {
namespace {

constexpr const char* kSerial = "13071001";

struct Case {
    const char* what;
    const char* f1;  // the plan's first frequency for the unit; nullptr: not planned
    bool programmedBefore = false;
    bool gateOpens = true;
    std::string label = kSerial;  // the label scanned for it
    StationOutcome outcome = StationOutcome::Programmed;
};

TEST(UnitStation, WritesOnlyAPlannedNewUnitLetThroughWithItsOwnLabelAndJournalsEveryEnd)
{
    timing::SetDivisorForTesting(20);
    const Case cases[] = {
        {"programmed", "150.0"},
        {"another label", "150.0", false, true, "13079999", StationOutcome::LabelNotMatched},
        {"gate shut", "150.0", false, false, kSerial, StationOutcome::LabelNotMatched},
        {"not planned", nullptr, false, true, kSerial, StationOutcome::NotInPlan},
        {"programmed earlier in the run", "150.0", true, true, kSerial, StationOutcome::ProgrammedEarlier},
        {"outside the band", "450.0", false, true, kSerial, StationOutcome::OutOfRange},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AdapterEmulator adapter(MakeContents({.serial = 1001}));
        adapter.Start();
        const QTemporaryDir dir;
        const std::string journalPath = dir.filePath("journal.sqlite").toStdString();
        std::map<std::string, WantedFrequencies> plan;
        if (c.f1)
            plan[kSerial] = WantedFrequencies{{std::stod(c.f1), c.f1}, std::nullopt, true, std::nullopt, false};
        const std::set<std::string> before =
            c.programmedBefore ? std::set<std::string>{kSerial} : std::set<std::string>{};
        UnitStationSettings settings{adapter.SlavePath(),
                                     {},
                                     false,
                                     journalPath,
                                     {"torv-station", "bench", "Демо 1", "Иванова", "A-17", "run-1"},
                                     false,
                                     [&] { return c.label; },
                                     {}};
        int gates = 0;
        {
            UnitStation station(settings, plan, before);
            const Sighting sighting = station.Look();
            ASSERT_EQ(sighting.kind, Sighting::Kind::Unit);
            ASSERT_EQ(sighting.serial, kSerial);
            const UnitReport report = station.Handle(true, {[](StationPhase) {},
                                                            [&] {
                                                                ++gates;
                                                                return c.gateOpens;
                                                            }});
            EXPECT_EQ(StationOutcomeNamed(report.kind), c.outcome) << report.outcome;
            EXPECT_TRUE(report.journalError.empty()) << report.journalError;
        }
        std::size_t writes = 0;
        for (const ReceivedCommand& command : adapter.Commands())
            writes += command.command == AdapterCommand::ParamWrite;
        EXPECT_EQ(writes, c.outcome == StationOutcome::Programmed ? 1u : 0u);
        const bool reachesGate = c.f1 && !c.programmedBefore && c.outcome != StationOutcome::OutOfRange;
        EXPECT_EQ(gates, reachesGate ? 1 : 0);

        Journal journal(journalPath, JournalAccess::ReadOnly);
        const std::vector<JournalEntry> rows = journal.Find({.runId = "run-1"}).value_or(std::vector<JournalEntry>{});
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].serial, kSerial);
        EXPECT_EQ(rows[0].station, "Демо 1");
        EXPECT_EQ(rows[0].orderCode, "A-17");
        EXPECT_EQ(StationOutcomeOfRow(rows[0]), c.outcome) << rows[0].outcome;
    }
    timing::SetDivisorForTesting(1);
}

}  // namespace
}  // namespace torv
