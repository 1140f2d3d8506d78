#include "cli/write_steps.h"

#include <cstdlib>
#include <ostream>

#include "cli/arguments.h"
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

// A frequency as the window's field shows it after a read, and the value that text reads as.
FrequencyEntry ShownEntry(double hz)
{
    const std::string text = FormatMHz(hz, ".");
    return FrequencyEntry{std::strtod(text.c_str(), nullptr), text};
}

// A write the frequency checks refused, and what can be written instead.
CommandFailure Refusal(const WritePlan& plan)
{
    CommandFailure failure{kExitRefused, kRefusedByChecks,
                           "the frequencies cannot be written as asked: nothing was written", *plan.refusal};
    std::string nearest;
    for (std::int64_t hz : plan.nearestHz) {
        failure.nearestMHz.push_back(static_cast<double>(hz) / 1e6);
        nearest += (nearest.empty() ? "" : " and ") + FormatMHz(static_cast<double>(hz), ".");
    }
    if (!nearest.empty())
        failure.message += "; nearest that can be programmed: " + nearest + " MHz";
    if (plan.band)
        failure.message += "; the transmitter's band: " + FormatMHz(plan.band->minMHz * 1e6, ".") + " to " +
                           FormatMHz(plan.band->maxMHz * 1e6, ".") + " MHz";
    return failure;
}

}  // namespace

std::vector<KnownOption> LineOptionsAnd(std::initializer_list<KnownOption> more)
{
    std::vector<KnownOption> known = {{"--port", true}, {"--demo"},           {"--trace"},
                                      {"--json"},       {"--accept-damaged"}, {"--no-journal"}};
    known.insert(known.end(), more);
    return known;
}

WantedFrequencies CheckedWanted(WantedFrequencies wanted)
{
    if (wanted.f2 && wanted.noF2)
        throw UsageError("give --f2 or --no-f2, not both");
    ParseMHz(wanted.f1);
    if (wanted.f2)
        ParseMHz(*wanted.f2);
    if (wanted.step)
        ParseGridStep(*wanted.step);
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

WriteRequest RequestWith(const ParameterBlock& block, ProgrammingExchange& exchange, bool gridEditEnabled)
{
    const std::uint8_t type = InfoBlockView(exchange.Info()).DeviceType();
    const ShownParameters current = DecodeParameterBlock(exchange.Block(), type);
    const ShownParameters wanted = DecodeParameterBlock(block, type);
    WriteRequest request;
    request.gridMode = current.gridMode;
    request.deviceType = type;
    request.current = exchange.Block();
    request.grid25kHz = wanted.grid25kHz;
    request.gridEditEnabled = gridEditEnabled;
    if (const std::optional<TransmitterType> band = FindTransmitterType(type)) {
        request.minMHz = band->minMHz;
        request.maxMHz = band->maxMHz;
    }
    if (wanted.firstHz)
        request.first = ShownEntry(*wanted.firstHz);
    request.second = wanted.secondHz ? ShownEntry(*wanted.secondHz) : request.first;
    request.secondEnabled = wanted.secondEnabled && wanted.secondHz;
    return request;
}

WriteRequest RequestFor(const WantedFrequencies& wanted, ProgrammingExchange& exchange)
{
    WriteRequest request = RequestWith(exchange.Block(), exchange, wanted.gridEditEnabled);
    request.first = Entry(wanted.f1);
    // The second frequency stays as read unless asked otherwise; one that cannot be
    // decoded takes the first's value, as the window's field would.
    if (!DecodeParameterBlock(exchange.Block(), request.deviceType).secondHz)
        request.second = request.first;
    if (wanted.f2) {
        request.second = Entry(*wanted.f2);
        request.secondEnabled = true;
    }
    if (wanted.noF2)
        request.secondEnabled = false;
    if (wanted.step)
        request.grid25kHz = ParseGridStep(*wanted.step);
    return request;
}

std::optional<CommandFailure> CheckedWrite(Session& session, CommandJournal& journal, bool acceptDamaged,
                                           const WriteRequest& request)
{
    const std::vector<int>& damaged = session.DamagedRecordsTaken();
    if (!damaged.empty() && !acceptDamaged) {
        // Accepted by the operator for showing, but a write would seal the damaged
        // record anew: that takes the option.
        return CommandFailure{kExitRefused, "damaged-data",
                              "the parameter block read failed its check (" + RecordsText(damaged) +
                                  "): nothing was written; --accept-damaged writes over it",
                              texts::kChecksumError};
    }
    if (session.WriteLocked())
        return CommandFailure{kExitRefused, "write-locked",
                              "the adapter has locked writing; read again before writing", std::nullopt};
    const WritePlan plan = PrepareWrite(request);
    if (plan.refusal) {
        session.Host().ShowMessage(*plan.refusal);
        return Refusal(plan);
    }
    if (plan.force25kHz)
        session.Host().ShowMessage(texts::kGrid25kHzNotice);
    return session.Write(plan.block, [&] { journal.BeginWrite(session, plan.block); });
}

}  // namespace torv::cli
