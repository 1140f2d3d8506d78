#include "cli/batch_command.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <istream>
#include <optional>
#include <ostream>
#include <set>

#include <QJsonArray>

#include "cli/arguments.h"
#include "cli/batch_plan.h"
#include "cli/cli_language.h"
#include "cli/cli_text.h"
#include "cli/command_journal.h"
#include "cli/exchange_session.h"
#include "cli/write_steps.h"
#include "device/frequency_codec.h"
#include "journal/journal.h"

namespace torv::cli {
namespace {

using Clock = std::chrono::steady_clock;

enum class UnitEnd { Programmed, Skipped, Failed };

// How one unit ended, as its line tells it.
struct UnitResult {
    UnitEnd end = UnitEnd::Failed;
    std::string serial;                     // empty when the read did not get that far
    std::string frequencies;                // written, or to be written; empty when none
    std::optional<CommandFailure> failure;  // why it was skipped or failed
    bool readFailed = false;
    double seconds = 0;
    QJsonValue journalError = QJsonValue::Null;  // why its journal row was not written, or null

    int ExitCode() const { return failure ? failure->exitCode : kExitOk; }
    std::string Outcome() const
    {
        return failure ? FailureText(*failure) : Utf8(CliText::tr("programmed and verified"));
    }
};

std::string FrequenciesText(const TransmitterState& state)
{
    std::string text = state.firstHz ? FormatMHz(*state.firstHz, ".") : "?";
    if (state.secondEnabled)
        text += " / " + (state.secondHz ? FormatMHz(*state.secondHz, ".") : "?");
    return text + " MHz";
}

std::string FrequenciesText(const WantedFrequencies& wanted)
{
    return wanted.f1 + (wanted.f2 ? " / " + *wanted.f2 : "") + " MHz";
}

// The failure that weighs most on a batch's exit code: a unit left in an unknown state
// first, then a port lost, a failed exchange, a refusal.
int Weight(int exitCode)
{
    switch (exitCode) {
    case kExitNotVerified: return 4;
    case kExitPortUnavailable: return 3;
    case kExitExchangeFailed: return 2;
    default: return exitCode == kExitOk ? 0 : 1;
    }
}

BatchPlan PlanFromOptions(const Arguments& arguments)
{
    if (arguments.Has("--plan") == arguments.Has("--f1"))
        throw UsageError(Utf8(CliText::tr("give either --plan FILE or --f1 MHZ")));
    if (arguments.Has("--plan")) {
        for (const char* option : {"--f2", "--no-f2", "--step"})
            if (arguments.Has(option))
                throw UsageError(
                    Utf8(CliText::tr("%1 goes with --f1; a plan gives each unit its frequencies").arg(option)));
        return BatchPlan::FromCsv(*arguments.Value("--plan"), arguments.Has("--enable-grid-edit"));
    }
    return BatchPlan(WantedFromOptions(arguments));
}

std::optional<int> UnitsLimit(const Arguments& arguments)
{
    const std::optional<std::string> text = arguments.Value("--units");
    if (!text)
        return std::nullopt;
    int units = 0;
    if (std::sscanf(text->c_str(), "%d", &units) != 1 || units < 1 || std::to_string(units) != *text)
        throw UsageError(Utf8(CliText::tr("--units needs a whole number of units, 1 or more")));
    return units;
}

class Batch {
public:
    Batch(Session& session, const BatchPlan& plan, const Arguments& arguments, const Console& console)
        : session_(session), plan_(plan), arguments_(arguments), console_(console), json_(arguments.Has("--json"))
    {
        if (!arguments.Has("--no-journal"))
            journal_.emplace(Journal::DefaultPath(), JournalAccess::Write, JournalModeOption(arguments));
    }

    int Run(std::optional<int> unitsLimit)
    {
        const Clock::time_point start = Clock::now();
        Clock::time_point lastUnitDone = start;
        for (;;) {
            std::optional<UnitResult> unit = NextUnit();
            if (!unit)
                break;
            lastUnitDone = Clock::now();
            Tell(*unit);
            results_.push_back(*unit);
            if (unitsLimit && static_cast<int>(results_.size()) == *unitsLimit)
                break;
            if (session_.StopAsked()) {
                Note(CliText::tr("stopped by a signal once the write in progress had ended"));
                break;
            }
            if (plan_.AllAmong(programmed_)) {
                Note(CliText::tr("every unit of the plan is programmed"));
                break;
            }
            if (!console_.answers && unit->readFailed) {  // nobody to change or mend the unit
                Note(CliText::tr("the unit could not be read and nobody is at the terminal: the batch ends"));
                break;
            }
            if (!NextUnitConnected())
                break;
        }
        return Summary(std::chrono::duration<double>(lastUnitDone - start).count());
    }

private:
    // The unit connected now, programmed or skipped, and journaled; nothing when, without
    // a terminal, it is the unit just handled (nobody changed it: no next unit came).
    std::optional<UnitResult> NextUnit()
    {
        const Clock::time_point start = Clock::now();
        CommandJournal journal(arguments_, "batch", console_, journal_ ? &*journal_ : nullptr);
        std::optional<UnitResult> unit = ProgramUnit(journal);
        if (!unit) {
            Note(CliText::tr("unit %1 is still connected and no next unit came: the batch ends")
                     .arg(ToQString(results_.back().serial)));
            return std::nullopt;
        }
        journal.Finish(session_, unit->ExitCode(), unit->failure);
        unit->journalError = journal.ErrorJson();
        unit->seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return unit;
    }

    std::optional<UnitResult> ProgramUnit(CommandJournal& journal)
    {
        if (const std::optional<CommandFailure> failure = session_.Read()) {
            UnitResult unit = Failed({}, *failure);
            unit.readFailed = true;
            return unit;
        }
        journal.NoteRead(session_);
        const std::string serial = session_.Transmitter().serial;
        if (!console_.answers && !results_.empty() && serial == results_.back().serial)
            return std::nullopt;
        if (programmed_.contains(serial))
            return Skipped(serial, Utf8(CliText::tr("programmed earlier in this batch: not written again")));
        const std::optional<WantedFrequencies> wanted = plan_.For(serial);
        if (!wanted)
            return Skipped(serial, Utf8(CliText::tr("not in the plan: nothing was written")));
        const WriteRequest request = RequestFor(*wanted, session_.Exchange());
        if (const std::optional<CommandFailure> failure =
                CheckedWrite(session_, journal, arguments_.Has("--accept-damaged"), request))
            return Failed(FrequenciesText(*wanted), *failure);
        programmed_.insert(serial);
        return UnitResult{UnitEnd::Programmed, serial, FrequenciesText(session_.Transmitter()), std::nullopt};
    }

    static UnitResult Skipped(const std::string& serial, const std::string& why)
    {
        return {UnitEnd::Skipped, serial, {}, CommandFailure{kExitRefused, "skipped", why, std::nullopt}};
    }

    UnitResult Failed(const std::string& frequencies, const CommandFailure& failure)
    {
        // A read that ended after the info block still knows whose it was.
        const bool known = session_.Notes().InfoReached();
        return {UnitEnd::Failed, known ? session_.Transmitter().serial : "", frequencies, failure};
    }

    void Tell(const UnitResult& unit)
    {
        if (json_)
            return;
        const QString seconds = CliText::tr("%1 s", "seconds").arg(unit.seconds, 0, 'f', 1);
        const QString end = unit.end == UnitEnd::Failed ? CliText::tr("FAILED") + " " : QString();
        console_.out << (unit.serial.empty() ? "-" : unit.serial) << "\t"
                     << (unit.frequencies.empty() ? "-" : unit.frequencies) << "\t" << Utf8(end) << unit.Outcome()
                     << "\t" << Utf8(seconds) << std::endl;
    }

    void Note(const QString& text) { console_.err << "torvctl: " << Utf8(text) << "\n"; }

    // Between units, on a terminal: the operator connects the next unit and presses Enter,
    // or ends the batch with the letter the question shows or end of input.
    bool NextUnitConnected()
    {
        if (!console_.answers)
            return true;
        const QString quitLetter = CliText::tr("q", "the letter that ends a batch");
        const QString quitWord = CliText::tr("quit", "the word that ends a batch");
        console_.err << Utf8(CliText::tr("connect the next transmitter and press Enter (%1 ends): ").arg(quitLetter))
                     << std::flush;
        std::string line;
        if (!std::getline(*console_.answers, line))
            return false;
        return !ReplyPicks(line, quitLetter, quitWord);
    }

    int Summary(double seconds)
    {
        int programmed = 0, skipped = 0, failed = 0, exitCode = kExitOk;
        QJsonArray units;
        QJsonArray unknown;  // units a block was sent to without a verification
        std::string unknownText;
        for (const UnitResult& unit : results_) {
            programmed += unit.end == UnitEnd::Programmed;
            skipped += unit.end == UnitEnd::Skipped;
            if (unit.end == UnitEnd::Failed && Weight(unit.ExitCode()) > Weight(exitCode))
                exitCode = unit.ExitCode();
            failed += unit.end == UnitEnd::Failed;
            if (unit.ExitCode() == kExitNotVerified) {
                const std::string serial = unit.serial.empty() ? "-" : unit.serial;
                unknown.append(QString::fromStdString(serial));
                unknownText += (unknownText.empty() ? "" : ", ") + serial;
            }
            units.append(QJsonObject{{"serial", QString::fromStdString(unit.serial)},
                                     {"frequencies", QString::fromStdString(unit.frequencies)},
                                     {"result", unit.end == UnitEnd::Programmed ? "programmed"
                                                : unit.end == UnitEnd::Skipped  ? "skipped"
                                                                                : "failed"},
                                     {"outcome", QString::fromStdString(unit.Outcome())},
                                     {"exitCode", unit.ExitCode()},
                                     {"seconds", unit.seconds},
                                     {"journalError", unit.journalError}});
        }
        // Nothing programmed is no success, even with nothing failed.
        if (failed == 0 && programmed == 0)
            exitCode = kExitRefused;
        const double perHour = seconds > 0 ? programmed * 3600.0 / seconds : 0;
        if (json_) {
            PrintJson(QJsonObject{{"exitCode", exitCode},
                                  {"programmed", programmed},
                                  {"skipped", skipped},
                                  {"failed", failed},
                                  {"seconds", seconds},
                                  {"unitsPerHour", perHour},
                                  {"unknown", unknown},
                                  {"units", units}},
                      console_.out);
        } else {
            const QString summary =
                CliText::tr("%1 programmed, %2 skipped, %3 failed in %4 s: %5 units programmed per hour");
            console_.out
                << Utf8(
                       summary.arg(programmed).arg(skipped).arg(failed).arg(seconds, 0, 'f', 1).arg(perHour, 0, 'f', 0))
                << "\n";
            if (!unknownText.empty())
                console_.out
                    << Utf8(CliText::tr("state unknown, read these units again: %1").arg(ToQString(unknownText)))
                    << "\n";
        }
        return exitCode;
    }

    Session& session_;
    const BatchPlan& plan_;
    const Arguments& arguments_;
    const Console& console_;
    const bool json_;
    std::optional<Journal> journal_;  // open for the whole batch
    std::set<std::string> programmed_;
    std::vector<UnitResult> results_;
};

}  // namespace

int RunBatch(const std::vector<std::string>& args, const Console& console)
{
    const Arguments arguments(args, LineOptionsAnd({{"--plan", true},
                                                    {"--f1", true},
                                                    {"--f2", true},
                                                    {"--no-f2"},
                                                    {"--step", true},
                                                    {"--enable-grid-edit"},
                                                    {"--units", true}}));
    if (!arguments.Positional().empty())
        throw UsageError(Utf8(CliText::tr("%1 takes no positional arguments").arg("batch")));
    const BatchPlan plan = PlanFromOptions(arguments);
    const std::optional<int> unitsLimit = UnitsLimit(arguments);
    Session session(arguments, console);
    return Batch(session, plan, arguments, console).Run(unitsLimit);
}

}  // namespace torv::cli
