#include "cli/batch_station.h"

#include <QTimer>

#include "cli/batch_unit.h"
#include "cli/cli_language.h"
#include "cli/cli_text.h"
#include "cli/command_journal.h"
#include "cli/order_batch.h"
#include "cli/write_steps.h"
#include "exchange/exchange_texts.h"

namespace torv::cli {
namespace {

constexpr std::chrono::milliseconds kStageLook{50};

bool IsPrompt(const std::optional<Message>& prompt, const Message& message)
{
    return prompt && prompt->text == message.text;
}

}  // namespace

BatchStation::BatchStation(const std::vector<std::string>& words, const BatchPlan& plan)
    : arguments_(words, LineOptionsAnd()), session_(arguments_, console_), plan_(plan)
{
    session_.LeaveStopSignalsToCaller();
    session_.Exchange().SetPollingForUnits(true);
    if (!arguments_.Has("--no-journal")) {
        journal_.emplace(Journal::DefaultPath(), JournalAccess::Write, JournalModeOption(arguments_));
        claims_ = StationClaims(arguments_, *journal_);
    }
}

Sighting BatchStation::Look()
{
    out_.str({});
    messages_.str({});
    readStart_ = std::chrono::steady_clock::now();
    readFailure_ = session_.Read();
    if (session_.Exchange().NoTransmitterFound())
        return {Sighting::Kind::NoTransmitter, {}, {}};
    if (!readFailure_ || session_.Notes().InfoReached()) {
        // A unit, read whole or as far as its serial number.
        if (!IsPrompt(readFailure_ ? readFailure_->prompt : std::nullopt, texts::kNoTransmitter))
            return {Sighting::Kind::Unit, session_.Transmitter().serial, {}};
    }
    const std::optional<Message>& prompt = readFailure_->prompt;
    if (IsPrompt(prompt, texts::kNoTransmitter) || IsPrompt(prompt, texts::kTransmitterNotResponding))
        return {Sighting::Kind::NoTransmitter, {}, {}};
    return {Sighting::Kind::AdapterSilent, {}, readFailure_->message};
}

UnitReport BatchStation::Handle(bool claimed, const StationHooks& hooks)
{
    CommandJournal journal(arguments_, "batch", console_, journal_ ? &*journal_ : nullptr, session_.DevicePath());
    // The exchange tells nobody when the read-back begins: its stage is looked at while
    // the write runs.
    QTimer verification;
    verification.setInterval(kStageLook);
    QObject::connect(&verification, &QTimer::timeout, [&] {
        if (session_.Exchange().StageNow() == ProgrammingExchange::Stage::kReadBack) {
            verification.stop();
            hooks.phase(StationPhase::Verifying);
        }
    });
    const BeforeWriting gate = [&](const ParameterBlock&) -> std::optional<CommandFailure> {
        if (!hooks.mayWrite())
            return CommandFailure{kExitRefused, "held",
                                  Utf8(CliText::tr("the write was held back before it began: nothing was written")),
                                  std::nullopt};
        hooks.phase(StationPhase::Writing);
        verification.start();
        return std::nullopt;
    };
    UnitReport unit = ProgramReadUnit(session_, journal, readFailure_,
                                      {plan_, arguments_.Has("--accept-damaged"), !claimed, gate, claims_.get()});
    unit.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - readStart_).count();
    return unit;
}

}  // namespace torv::cli
