#include "production/unit_station.h"

#include <QTimer>

#include <algorithm>
#include <iterator>
#include <utility>

#include "device/info_text.h"
#include "exchange/exchange_texts.h"
#include "exchange/write_preparation.h"

namespace torv {
namespace {

// The exit codes torvctl gives the same ends, kept in the journal's rows.
constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitExchangeFailed = 3;
constexpr int kExitNotVerified = 5;

// How often the exchange's stage is looked at while a write runs: it tells nobody when
// the read-back begins.
constexpr std::chrono::milliseconds kStageLook{50};

const std::pair<StationOutcome, const char*> kNames[] = {
    {StationOutcome::Programmed, "programmed"},
    {StationOutcome::NotInPlan, "skipped-not-in-plan"},
    {StationOutcome::ProgrammedEarlier, "skipped-programmed-earlier"},
    {StationOutcome::LabelNotMatched, "label-not-matched"},
    {StationOutcome::DamagedData, "damaged-data"},
    {StationOutcome::WriteLocked, "write-locked"},
    {StationOutcome::NeedsTuning, "needs-tuning"},
    {StationOutcome::OutOfRange, "out-of-range"},
    {StationOutcome::NotVerified, "not-verified"},
    {StationOutcome::ReadFailed, "read-failed"},
    {StationOutcome::HeldElsewhere, "skipped-held-elsewhere"},
    {StationOutcome::ClaimNotKept, "claim-not-kept"},
};

int ExitCodeOf(StationOutcome outcome)
{
    switch (outcome) {
    case StationOutcome::Programmed: return kExitOk;
    case StationOutcome::NotVerified: return kExitNotVerified;
    case StationOutcome::ReadFailed: return kExitExchangeFailed;
    default: return kExitRefused;
    }
}

UnitEnd EndOf(StationOutcome outcome)
{
    if (outcome == StationOutcome::Programmed)
        return UnitEnd::Programmed;
    return IsSkip(outcome) ? UnitEnd::Skipped : UnitEnd::Failed;
}

bool Is(const std::optional<Message>& prompt, const Message& message)
{
    return prompt && prompt->text == message.text;
}

}  // namespace

const char* StationOutcomeName(StationOutcome outcome)
{
    const auto named = std::find_if(std::begin(kNames), std::end(kNames),
                                    [outcome](const auto& entry) { return entry.first == outcome; });
    return named->second;
}

std::optional<StationOutcome> StationOutcomeNamed(std::string_view text)
{
    const std::string_view name = text.substr(0, text.find_first_of(" :("));
    for (const auto& [outcome, known] : kNames)
        if (name == known)
            return outcome;
    return std::nullopt;
}

StationOutcome StationOutcomeOfRow(const JournalEntry& row)
{
    if (row.success)
        return StationOutcome::Programmed;
    if (row.state != RowState::Done)
        return StationOutcome::NotVerified;  // a write that never ended: the unit's state is unknown
    return StationOutcomeNamed(row.outcome).value_or(StationOutcome::ReadFailed);
}

std::string PlannedFrequenciesText(const WantedFrequencies& wanted)
{
    return wanted.f1.text + (wanted.f2 ? " / " + wanted.f2->text : "");
}

bool IsSkip(StationOutcome outcome)
{
    return outcome == StationOutcome::NotInPlan || outcome == StationOutcome::ProgrammedEarlier ||
           outcome == StationOutcome::HeldElsewhere;
}

UnitStation::UnitStation(UnitStationSettings settings, const std::map<std::string, WantedFrequencies>& plan,
                         const std::set<std::string>& programmedBefore)
    : settings_(std::move(settings)), plan_(plan), programmedBefore_(programmedBefore), host_(settings_.acceptDamaged)
{
    ApplyProgrammerPortSettings(comm_);
    ConnectPortEvents(comm_, exchange_);
    exchange_.SetPortDevicePath(settings_.devicePath);
    exchange_.SetShowStatusMessages(true);  // the success texts tell a verified read or write
    exchange_.SetPollingForUnits(true);
    if (!settings_.journalPath.empty())
        journal_.emplace(settings_.journalPath);
    // Demo units are nobody's: they are never claimed.
    if (journal_ && !settings_.server.empty() && !settings_.origin.orderCode.empty() && !settings_.demo)
        claims_ = std::make_unique<WorkshopClaims>(settings_.server, settings_.origin.orderCode, settings_.origin.bench,
                                                   *journal_);
}

UnitStation::~UnitStation()
{
    exchange_.Shutdown();
}

bool UnitStation::Read()
{
    exchange_.AwaitScheduledClose();
    notes_.Begin();
    host_.Begin();
    exchange_.StartRead();
    host_.WaitUntilIdle();
    readCompleted_ = host_.ReadCompleted();
    return readCompleted_;
}

std::string UnitStation::Serial()
{
    InfoBlock info = exchange_.Info();
    return SerialText(info);
}

UnitOnLine UnitStation::OnLine()
{
    return {exchange_, notes_, settings_.devicePath, settings_.adapter};
}

Sighting UnitStation::Look()
{
    readStart_ = std::chrono::steady_clock::now();
    const bool read = Read();
    if (exchange_.NoTransmitterFound())
        return {Sighting::Kind::NoTransmitter, {}, {}};
    const std::optional<Message>& prompt = host_.LastPrompt();
    if (Is(prompt, texts::kNoTransmitter) || Is(prompt, texts::kTransmitterNotResponding))
        return {Sighting::Kind::NoTransmitter, {}, {}};
    if (read || notes_.InfoReached())  // read whole, or as far as its serial number
        return {Sighting::Kind::Unit, Serial(), {}};
    return {Sighting::Kind::AdapterSilent, {}, notes_.Outcome(ControlState::IdleAfterAbort)};
}

UnitReport UnitStation::Handle(bool claimed, const StationHooks& hooks)
{
    UnitJournal row(settings_.origin, "batch", settings_.demo);
    const std::string serial = notes_.InfoReached() ? Serial() : "";
    if (!readCompleted_) {
        if (Is(host_.LastPrompt(), texts::kChecksumError))
            return Ended(row, StationOutcome::DamagedData, serial,
                         "the parameter block read failed its check: nothing was written");
        return Ended(row, StationOutcome::ReadFailed, serial, "the exchange with the transmitter did not complete");
    }
    row.NoteRead(exchange_);
    if (!claimed || programmedBefore_.contains(serial))
        return Ended(row, StationOutcome::ProgrammedEarlier, serial,
                     "programmed, or being programmed, earlier in this run: not written again");
    const auto planned = plan_.find(serial);
    if (planned == plan_.end())
        return Ended(row, StationOutcome::NotInPlan, serial, "not in the plan: nothing was written");
    const std::string frequencies = PlannedFrequenciesText(planned->second);
    if (host_.WriteLocked())
        return Ended(row, StationOutcome::WriteLocked, serial, "the adapter has locked writing: nothing was written",
                     frequencies);
    const WritePlan plan = PrepareWrite(RequestFor(planned->second, exchange_));
    if (plan.refusal) {
        const std::string name = texts::MessageName(*plan.refusal);
        const bool tuning = name == "W1" || name == "W2";
        return Ended(row, tuning ? StationOutcome::NeedsTuning : StationOutcome::OutOfRange, serial,
                     "(" + name + "): the planned frequencies cannot be written to this unit: nothing was written",
                     frequencies);
    }
    // Claimed for the whole bench before the operator is asked for the label: while it is
    // held, no other bench writes the unit.
    std::optional<WorkshopClaims::Claimed> claim;
    if (claims_) {
        claim = claims_->Claim(serial);
        if (claim->answer == WorkshopClaims::Answer::HeldHere)
            return Ended(row, StationOutcome::ProgrammedEarlier, serial,
                         "programmed, or being programmed, at this bench for order " + claims_->OrderCode() +
                             ": not written again");
        if (claim->answer == WorkshopClaims::Answer::HeldElsewhere)
            return Ended(row, StationOutcome::HeldElsewhere, serial,
                         "programmed, or being programmed, at bench " + claim->detail + " for order " +
                             claims_->OrderCode() + ": not written again");
        if (claim->answer == WorkshopClaims::Answer::NotKept)
            return Ended(
                row, StationOutcome::ClaimNotKept, serial,
                "the unit's claim could not be kept in the journal (" + claim->detail + "): nothing was written",
                frequencies);
    }
    std::string note;
    const StationOutcome outcome = GatedWrite(row, serial, plan.block, hooks, note);
    // The claim ends with the write: a unit that was not programmed is free again.
    if (claim && !claims_->Finish(*claim, outcome == StationOutcome::Programmed))
        note += (note.empty() ? "" : "; ") + std::string("the claim's end was not kept: ") + claims_->JournalError();
    return Ended(row, outcome, serial, note, frequencies);
}

StationOutcome UnitStation::GatedWrite(UnitJournal& row, const std::string& serial, const ParameterBlock& block,
                                       const StationHooks& hooks, std::string& note)
{
    if (!hooks.mayWrite()) {
        note =
            "its label was not matched before the write (not scanned in time, or the run was stopped): nothing was "
            "written";
        return StationOutcome::LabelNotMatched;
    }
    // The label that opened the gate is checked against the unit once more, here, where
    // the block for it is about to go out.
    if (settings_.labelScanned) {
        if (const std::string label = settings_.labelScanned(); label != serial) {
            note = "the label scanned (" + label + ") is not this unit's: nothing was written";
            return StationOutcome::LabelNotMatched;
        }
    }
    return Write(row, block, hooks, note);
}

StationOutcome UnitStation::Write(UnitJournal& row, const ParameterBlock& block, const StationHooks& hooks,
                                  std::string& note)
{
    hooks.phase(StationPhase::Writing);
    row.BeginWrite(journal_ && journal_->IsOpen() ? &*journal_ : nullptr, OnLine(), block);
    QTimer verification;
    verification.setInterval(kStageLook);
    QObject::connect(&verification, &QTimer::timeout, [&] {
        if (exchange_.StageNow() == ProgrammingExchange::Stage::kReadBack) {
            verification.stop();
            hooks.phase(StationPhase::Verifying);
        }
    });
    verification.start();
    host_.Begin();
    exchange_.StartWrite(block);
    host_.WaitUntilIdle([this] { return abandoned_; });
    if (abandoned_ && host_.Busy())
        exchange_.AbortToIdle();
    if (host_.WriteVerified())
        return StationOutcome::Programmed;
    if (!exchange_.WriteUnverified()) {
        note = "the exchange ended before the block was sent: nothing was written";
        return StationOutcome::ReadFailed;
    }
    note = abandoned_ ? "the write was abandoned before its verification: the unit's state is unknown"
                      : "the block was sent but its read-back did not confirm it: the unit's state is unknown";
    return StationOutcome::NotVerified;
}

UnitReport UnitStation::Ended(UnitJournal& row, StationOutcome outcome, const std::string& serial,
                              const std::string& note, const std::string& frequencies)
{
    UnitReport report;
    report.serial = serial;
    report.frequencies = frequencies;
    report.end = EndOf(outcome);
    report.exitCode = ExitCodeOf(outcome);
    report.kind = StationOutcomeName(outcome);
    report.readFailed = outcome == StationOutcome::ReadFailed && !notes_.InfoReached();
    std::optional<std::string> failure;
    if (outcome != StationOutcome::Programmed) {
        // The exchange's own notes name the prompts that ended it.
        const std::string prompts = outcome == StationOutcome::ReadFailed || outcome == StationOutcome::NotVerified
                                        ? " (" + notes_.Outcome(ControlState::IdleAfterAbort) + ")"
                                        : "";
        failure = report.kind + prompts + (note.starts_with("(") ? " " : ": ") + note;
    }
    report.outcome = failure.value_or("success");
    const UnitEnding ending{report.exitCode, failure, host_.DamagedBlockTaken(),
                            abandoned_ && outcome == StationOutcome::NotVerified};
    Journal* const journal = journal_ && journal_->IsOpen() ? &*journal_ : nullptr;
    if (!row.Finish(journal, OnLine(), ending) || (journal_ && !journal))
        report.journalError = journal_->Error();
    report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - readStart_).count();
    return report;
}

}  // namespace torv
