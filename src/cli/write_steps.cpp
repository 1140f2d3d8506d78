#include "cli/write_steps.h"

#include <ostream>

#include <istream>

#include <QStringList>

#include "cli/arguments.h"
#include "cli/cli_text.h"
#include "cli/command_journal.h"
#include "cli/exchange_session.h"
#include "device/frequency_codec.h"
#include "device/parameters.h"
#include "exchange/exchange_texts.h"

namespace torv::cli {
namespace {

FrequencyEntry Entry(const std::string& typed)
{
    return FrequencyEntry{ParseMHz(typed), typed};
}

// A write the frequency checks refused, and what can be written instead.
CommandFailure Refusal(const WritePlan& plan)
{
    CommandFailure failure{kExitRefused, kRefusedByChecks, {}, *plan.refusal};
    QStringList nearest;
    for (std::int64_t hz : plan.nearestHz) {
        failure.nearestMHz.push_back(static_cast<double>(hz) / 1e6);
        nearest << ToQString(FormatMHz(static_cast<double>(hz), "."));
    }
    QString message = CliText::tr("the frequencies cannot be written as asked: nothing was written");
    if (nearest.size() == 1)
        message += CliText::tr("; nearest that can be programmed: %1 MHz").arg(nearest.front());
    else if (nearest.size() > 1)
        message += CliText::tr("; nearest that can be programmed: %1 and %2 MHz").arg(nearest.front(), nearest.back());
    if (plan.band)
        message += CliText::tr("; the transmitter's band: %1 to %2 MHz")
                       .arg(ToQString(FormatMHz(plan.band->minMHz * 1e6, ".")),
                            ToQString(FormatMHz(plan.band->maxMHz * 1e6, ".")));
    failure.message = Utf8(message);
    return failure;
}

const char* const kDryRun = "dry-run";

// Asked on the terminal: true only for a yes.
bool Confirmed(const Console& console)
{
    console.err << Utf8(CliText::tr("Write this to the unit? [y/N] ")) << std::flush;
    std::string reply;
    if (!std::getline(*console.answers, reply))
        return false;
    const QString answer = QString::fromStdString(reply).trimmed().toLower();
    return answer == "y" || answer == "yes" || answer == CliText::tr("y") || answer == CliText::tr("yes");
}

}  // namespace

std::vector<KnownOption> WriteOptionsAnd(std::initializer_list<KnownOption> more)
{
    std::vector<KnownOption> known = LineOptionsAnd({{"--yes"}, {"--dry-run"}});
    known.insert(known.end(), more);
    return known;
}

std::string WriteOperation(const Arguments& arguments, const std::string& operation)
{
    return arguments.Has("--dry-run") ? "read" : operation;
}

int WriteAfterRead(Session& session, CommandJournal& journal, const Arguments& arguments, const WriteRequest& request,
                   const Console& console)
{
    const bool json = arguments.Has("--json");
    const bool dryRun = arguments.Has("--dry-run");
    const TransmitterState before = session.Transmitter();
    std::optional<TransmitterState> after;
    const auto confirm = [&](const ParameterBlock& block) -> std::optional<CommandFailure> {
        after = DescribeTransmitter(session.Exchange().Info(), block);
        if (dryRun)
            return CommandFailure{kExitOk, kDryRun, "", std::nullopt};
        PrintChange(before, *after, console.err);
        if (console.answers && !arguments.Has("--yes") && !Confirmed(console))
            return CommandFailure{kExitRefused, "declined", Utf8(CliText::tr("not confirmed: nothing was written")),
                                  std::nullopt};
        return std::nullopt;
    };
    const std::optional<CommandFailure> failure =
        CheckedWrite(session, journal, arguments.Has("--accept-damaged"), request, confirm);
    if (dryRun) {
        journal.Finish(session, kExitOk);  // the unit was read, and no more
        if (failure && failure->kind != kDryRun)
            return Report(*failure, json, console, before, &journal);
        if (json) {
            PrintJson(QJsonObject{{"exitCode", kExitOk},
                                  {"outcome", "dry run: nothing was written"},
                                  {"before", TransmitterJson(before)},
                                  {"after", TransmitterJson(*after)},
                                  {"journalError", journal.ErrorJson()}},
                      console.out);
        } else {
            PrintChange(before, *after, console.out);
            console.out << Utf8(CliText::tr("dry run: this could be written; nothing was written")) << "\n";
        }
        return kExitOk;
    }
    if (failure) {
        journal.Finish(session, failure->exitCode, failure);
        return Report(*failure, json, console, before, &journal);
    }
    journal.Finish(session, kExitOk);
    if (json)
        PrintJson(QJsonObject{{"exitCode", kExitOk},
                              {"outcome", "written and verified"},
                              {"before", TransmitterJson(before)},
                              {"after", TransmitterJson(session.Transmitter())},
                              {"journalError", journal.ErrorJson()}},
                  console.out);
    else
        PrintTransmitter(session.Transmitter(), console.out);
    return kExitOk;
}

std::vector<KnownOption> LineOptionsAnd(std::initializer_list<KnownOption> more)
{
    std::vector<KnownOption> known = {
        {"--port", true}, {"--demo"},           {"--trace"},       {"--json"},         {"--accept-damaged"},
        {"--no-journal"}, {"--operator", true}, {"--order", true}, {"--server", true}, {"--journal-mode", true}};
    known.insert(known.end(), more);
    return known;
}

WantedFrequencies CheckedWanted(const TypedFrequencies& typed)
{
    if (typed.f2 && typed.noF2)
        throw UsageError(Utf8(CliText::tr("give --f2 or --no-f2, not both")));
    WantedFrequencies wanted{Entry(typed.f1), std::nullopt, typed.noF2, std::nullopt, typed.gridEditEnabled};
    if (typed.f2)
        wanted.f2 = Entry(*typed.f2);
    if (typed.step)
        wanted.grid25kHz = ParseGridStep(*typed.step);
    return wanted;
}

WantedFrequencies WantedFromOptions(const Arguments& arguments)
{
    return CheckedWanted({arguments.Value("--f1").value_or(""), arguments.Value("--f2"), arguments.Has("--no-f2"),
                          arguments.Value("--step"), arguments.Has("--enable-grid-edit")});
}

int Report(const CommandFailure& failure, bool json, const Console& console,
           const std::optional<TransmitterState>& before, const CommandJournal* journal)
{
    PrintFailure(failure, console.err);
    if (json) {
        QJsonObject object = FailureJson(failure);
        if (before)
            object.insert("before", TransmitterJson(*before));
        if (journal)
            object.insert("journalError", journal->ErrorJson());
        PrintJson(object, console.out);
    }
    return failure.exitCode;
}

std::optional<int> ReadFirst(Session& session, CommandJournal& journal, bool json, const Console& console)
{
    if (const std::optional<CommandFailure> failure = session.Read()) {
        journal.Finish(session, failure->exitCode, failure);
        return Report(*failure, json, console, std::nullopt, &journal);
    }
    journal.NoteRead(session);
    return std::nullopt;
}

std::optional<CommandFailure> CheckedWrite(Session& session, CommandJournal& journal, bool acceptDamaged,
                                           const WriteRequest& request, const BeforeWriting& beforeWriting)
{
    const std::vector<int>& damaged = session.DamagedRecordsTaken();
    if (!damaged.empty() && !acceptDamaged) {
        // Accepted by the operator for showing, but a write would seal the damaged
        // record anew: that takes the option.
        return CommandFailure{kExitRefused, "damaged-data",
                              Utf8(CliText::tr("the parameter block read failed its check (%1): nothing was "
                                               "written; --accept-damaged writes over it")
                                       .arg(ToQString(RecordsText(damaged)))),
                              texts::kChecksumError};
    }
    if (session.WriteLocked())
        return CommandFailure{kExitRefused, "write-locked",
                              Utf8(CliText::tr("the adapter has locked writing; read again before writing")),
                              std::nullopt};
    const WritePlan plan = PrepareWrite(request);
    if (plan.refusal) {
        session.Host().ShowRefusal(plan, request);
        return Refusal(plan);
    }
    if (plan.force25kHz)
        session.Host().ShowMessage(texts::kGrid25kHzNotice);
    if (beforeWriting) {
        if (std::optional<CommandFailure> stop = beforeWriting(plan.block))
            return stop;
    }
    return session.Write(plan.block, [&] { journal.BeginWrite(session, plan.block); });
}

}  // namespace torv::cli
