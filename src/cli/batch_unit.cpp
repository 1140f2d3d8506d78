#include "cli/batch_unit.h"

#include "cli/arguments.h"
#include "cli/batch_plan.h"
#include "cli/cli_language.h"
#include "cli/cli_text.h"
#include "cli/command_journal.h"
#include "cli/exchange_session.h"
#include "device/frequency_codec.h"

namespace torv::cli {
namespace {

std::string FrequenciesText(const TransmitterState& state)
{
    std::string text = state.firstHz ? FormatMHz(*state.firstHz, ".") : "?";
    if (state.secondEnabled)
        text += " / " + (state.secondHz ? FormatMHz(*state.secondHz, ".") : "?");
    return text + " MHz";
}

std::string FrequenciesText(const WantedFrequencies& wanted)
{
    return wanted.f1.text + (wanted.f2 ? " / " + wanted.f2->text : "") + " MHz";
}

UnitReport Ended(UnitEnd end, const std::string& serial, const std::string& frequencies,
                 const std::optional<CommandFailure>& failure)
{
    UnitReport unit;
    unit.end = end;
    unit.serial = serial;
    unit.frequencies = frequencies;
    unit.exitCode = failure ? failure->exitCode : kExitOk;
    unit.kind = failure ? failure->kind : "";
    unit.outcome = failure ? FailureText(*failure) : Utf8(CliText::tr("programmed and verified"));
    return unit;
}

// Why a claim keeps the unit from being written: skipped when a bench holds it, refused
// when the journal could not keep the claim.
std::optional<CommandFailure> ClaimRefused(const WorkshopClaims::Claimed& claim, const std::string& order)
{
    using Answer = WorkshopClaims::Answer;
    switch (claim.answer) {
    case Answer::Granted:
    case Answer::GrantedHere: return std::nullopt;
    case Answer::HeldHere:
        return CommandFailure{
            kExitRefused, "skipped",
            Utf8(CliText::tr("already programmed, or being programmed, at this bench for order %1: not written again")
                     .arg(ToQString(order))),
            std::nullopt};
    case Answer::HeldElsewhere:
        return CommandFailure{kExitRefused, "skipped",
                              Utf8(CliText::tr("already programmed, or being programmed, at bench %1 for order %2: "
                                               "not written again")
                                       .arg(ToQString(claim.detail), ToQString(order))),
                              std::nullopt};
    case Answer::NotKept: break;
    }
    return CommandFailure{
        kExitRefused, "claim-not-kept",
        Utf8(CliText::tr("the unit's claim could not be kept in the journal (%1): nothing was written")
                 .arg(ToQString(claim.detail))),
        std::nullopt};
}

// The unit's report and the failure its journal row tells.
std::pair<UnitReport, std::optional<CommandFailure>> Handled(Session& session, CommandJournal& journal,
                                                             const std::optional<CommandFailure>& readFailure,
                                                             const UnitSteps& steps)
{
    // A read that ended after the info block still knows whose it was.
    const auto failed = [&](const std::string& frequencies, const CommandFailure& failure) {
        const std::string serial = session.Notes().InfoReached() ? session.Transmitter().serial : "";
        return std::pair{Ended(UnitEnd::Failed, serial, frequencies, failure), std::optional{failure}};
    };
    if (readFailure) {
        auto unit = failed({}, *readFailure);
        unit.first.readFailed = true;
        return unit;
    }
    journal.NoteRead(session);
    const std::string serial = session.Transmitter().serial;
    const auto skipped = [&](const QString& why) {
        const CommandFailure failure{kExitRefused, "skipped", Utf8(why), std::nullopt};
        return std::pair{Ended(UnitEnd::Skipped, serial, {}, failure), std::optional{failure}};
    };
    if (steps.programmedEarlier)
        return skipped(CliText::tr("already programmed, or being programmed, in this batch: not written again"));
    const std::optional<WantedFrequencies> wanted = steps.plan.For(serial);
    if (!wanted)
        return skipped(CliText::tr("not in the plan: nothing was written"));
    std::optional<WorkshopClaims::Claimed> claim;
    if (steps.claims) {
        claim = steps.claims->Claim(serial);
        if (const std::optional<CommandFailure> refused = ClaimRefused(*claim, steps.claims->OrderCode()))
            return refused->kind == "skipped" ? std::pair{Ended(UnitEnd::Skipped, serial, {}, refused), refused}
                                              : failed(FrequenciesText(*wanted), *refused);
    }
    const WriteRequest request = RequestFor(*wanted, session.Exchange());
    const std::optional<CommandFailure> failure =
        CheckedWrite(session, journal, steps.acceptDamaged, request, steps.beforeWriting);
    // The claim ends with the write: a unit that was not programmed is free again.
    if (claim && !steps.claims->Finish(*claim, !failure))
        journal.Warn(steps.claims->JournalError());
    if (failure)
        return failed(FrequenciesText(*wanted), *failure);
    return {Ended(UnitEnd::Programmed, serial, FrequenciesText(session.Transmitter()), std::nullopt), std::nullopt};
}

}  // namespace

UnitReport ProgramReadUnit(Session& session, CommandJournal& journal, const std::optional<CommandFailure>& readFailure,
                           const UnitSteps& steps)
{
    auto [unit, failure] = Handled(session, journal, readFailure, steps);
    journal.Finish(session, unit.exitCode, failure);
    unit.journalError = journal.Error();
    return unit;
}

std::string UnitLine(const UnitReport& unit, const std::string& station)
{
    const QString seconds = CliText::tr("%1 s", "seconds").arg(unit.seconds, 0, 'f', 1);
    const QString end = unit.end == UnitEnd::Failed ? CliText::tr("FAILED") + " " : QString();
    return (station.empty() ? "" : station + "\t") + (unit.serial.empty() ? "-" : unit.serial) + "\t" +
           (unit.frequencies.empty() ? "-" : unit.frequencies) + "\t" + Utf8(end) + unit.outcome + "\t" + Utf8(seconds);
}

QJsonObject UnitJson(const UnitReport& unit)
{
    return QJsonObject{
        {"serial", QString::fromStdString(unit.serial)},
        {"frequencies", QString::fromStdString(unit.frequencies)},
        {"result", unit.end == UnitEnd::Programmed ? "programmed"
                   : unit.end == UnitEnd::Skipped  ? "skipped"
                                                   : "failed"},
        {"outcome", QString::fromStdString(unit.outcome)},
        {"exitCode", unit.exitCode},
        {"seconds", unit.seconds},
        {"journalError", unit.journalError.empty() ? QJsonValue(QJsonValue::Null)
                                                   : QJsonValue(QString::fromStdString(unit.journalError))}};
}

int Weight(int exitCode)
{
    switch (exitCode) {
    case kExitNotVerified: return 4;
    case kExitPortUnavailable: return 3;
    case kExitExchangeFailed: return 2;
    default: return exitCode == kExitOk ? 0 : 1;
    }
}

}  // namespace torv::cli
