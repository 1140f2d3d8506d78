#include "cli/exchange_commands.h"

#include <cstdlib>
#include <optional>
#include <ostream>

#include <QJsonArray>

#include "cli/arguments.h"
#include "cli/command_journal.h"
#include "cli/exchange_session.h"
#include "cli/results.h"
#include "device/frequency_codec.h"
#include "device/parameters.h"
#include "exchange/exchange_texts.h"
#include "exchange/write_preparation.h"
#include "serial/port_discovery.h"

namespace torv::cli {
namespace {

const std::vector<OptionSpec> kLineOptions = {
    {"--port", true}, {"--demo"}, {"--trace"}, {"--json"}, {"--accept-damaged"}, {"--no-journal"}};

std::vector<OptionSpec> LineOptionsAnd(std::initializer_list<OptionSpec> more)
{
    std::vector<OptionSpec> known = kLineOptions;
    known.insert(known.end(), more);
    return known;
}

// The failure on standard error, and as JSON on standard output when asked for;
// before: the transmitter as read, when the read got that far.
int Report(const CommandFailure& failure, bool json, const Console& console,
           const std::optional<TransmitterState>& before = std::nullopt)
{
    PrintFailure(failure, console.err);
    if (json) {
        QJsonObject object = FailureJson(failure);
        if (before)
            object.insert("before", TransmitterJson(*before));
        PrintJson(object, console.out);
    }
    return failure.exitCode;
}

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

// The write request as the window would make it after this read, changed by the options.
WriteRequest RequestFromOptions(const Arguments& arguments, ProgrammingExchange& exchange)
{
    const std::uint8_t type = InfoBlockView(exchange.Info()).DeviceType();
    const ShownParameters shown = DecodeParameterBlock(exchange.Block(), type);
    WriteRequest request;
    request.gridMode = shown.gridMode;
    request.deviceType = type;
    request.current = exchange.Block();
    request.grid25kHz = shown.grid25kHz;
    request.gridEditEnabled = arguments.Has("--enable-grid-edit");
    if (const std::optional<TransmitterType> band = FindTransmitterType(type)) {
        request.minMHz = band->minMHz;
        request.maxMHz = band->maxMHz;
    }
    request.first = Entry(*arguments.Value("--f1"));
    // The second frequency stays as read unless the options change it.
    request.second = shown.secondHz ? ShownEntry(*shown.secondHz) : request.first;
    request.secondEnabled = shown.secondEnabled && shown.secondHz;
    if (const std::optional<std::string> second = arguments.Value("--f2")) {
        request.second = Entry(*second);
        request.secondEnabled = true;
    }
    if (arguments.Has("--no-f2"))
        request.secondEnabled = false;
    if (const std::optional<std::string> step = arguments.Value("--step"))
        request.grid25kHz = ParseGridStep(*step);
    return request;
}

// Refuses a write command line before the line is touched. Throws UsageError.
void CheckWriteOptions(const Arguments& arguments)
{
    if (!arguments.Positional().empty())
        throw UsageError("write takes no positional arguments");
    if (!arguments.Has("--f1"))
        throw UsageError("write needs --f1 MHZ");
    if (arguments.Has("--f2") && arguments.Has("--no-f2"))
        throw UsageError("give --f2 or --no-f2, not both");
    ParseMHz(*arguments.Value("--f1"));
    if (const std::optional<std::string> second = arguments.Value("--f2"))
        ParseMHz(*second);
    if (const std::optional<std::string> step = arguments.Value("--step"))
        ParseGridStep(*step);
}

}  // namespace

int RunPorts(const std::vector<std::string>& args, const Console& console)
{
    const Arguments arguments(args, {{"--json"}});
    if (!arguments.Positional().empty())
        throw UsageError("ports takes no arguments");
    const std::vector<PortIdentity> ports = DiscoverPorts();
    if (arguments.Has("--json")) {
        QJsonArray list;
        for (const PortIdentity& port : ports) {
            QJsonObject entry{{"name", QString::fromStdString(port.name)},
                              {"path", QString::fromStdString(PortDevicePath(port.name))}};
            for (const auto& [key, value] : PortIdentityFields(port))
                entry.insert(QString::fromStdString(key), QString::fromStdString(value));
            list.append(entry);
        }
        PrintJson(QJsonObject{{"exitCode", kExitOk}, {"ports", list}}, console.out);
        return kExitOk;
    }
    if (ports.empty())
        console.out << "no serial ports found\n";
    // One line a port: name, device path, and what the system tells of it.
    for (const PortIdentity& port : ports)
        console.out << port.name << "\t" << PortDevicePath(port.name) << "\t" << PortIdentityText(port) << "\n";
    return kExitOk;
}

int RunRead(const std::vector<std::string>& args, const Console& console)
{
    const Arguments arguments(args, kLineOptions);
    if (!arguments.Positional().empty())
        throw UsageError("read takes no positional arguments");
    const bool json = arguments.Has("--json");
    Session session(arguments, console);
    CommandJournal journal(arguments, "read", console);
    if (const std::optional<CommandFailure> failure = session.Read())
        return journal.Finish(session, Report(*failure, json, console), failure);
    journal.NoteRead(session);
    const TransmitterState state = session.Transmitter();
    const std::vector<int>& damaged = session.DamagedRecordsTaken();
    if (!damaged.empty())
        console.err << "torvctl: warning: " << RecordsText(damaged)
                    << " failed its check and was accepted as read: what it shows may be wrong\n";
    if (json) {
        QJsonArray damagedJson;
        for (int record : damaged)
            damagedJson.append(record);
        PrintJson(QJsonObject{{"exitCode", kExitOk},
                              {"outcome", damaged.empty() ? "read" : "damaged block accepted"},
                              {"damagedRecords", damagedJson},
                              {"transmitter", TransmitterJson(state)}},
                  console.out);
    } else {
        PrintTransmitter(state, console.out);
    }
    return journal.Finish(session, kExitOk);
}

int RunWrite(const std::vector<std::string>& args, const Console& console)
{
    const Arguments arguments(
        args, LineOptionsAnd({{"--f1", true}, {"--f2", true}, {"--no-f2"}, {"--step", true}, {"--enable-grid-edit"}}));
    CheckWriteOptions(arguments);
    const bool json = arguments.Has("--json");

    Session session(arguments, console);
    CommandJournal journal(arguments, "write", console);
    if (const std::optional<CommandFailure> failure = session.Read())
        return journal.Finish(session, Report(*failure, json, console), failure);
    journal.NoteRead(session);
    const TransmitterState before = session.Transmitter();
    auto fail = [&](const CommandFailure& failure) {
        return journal.Finish(session, Report(failure, json, console, before), failure);
    };
    const std::vector<int>& damaged = session.DamagedRecordsTaken();
    if (!damaged.empty() && !arguments.Has("--accept-damaged")) {
        // Accepted by the operator for showing, but a write would seal the damaged
        // record anew: that takes the option.
        return fail({kExitRefused, "damaged-data",
                     "the parameter block read failed its check (" + RecordsText(damaged) +
                         "): nothing was written; --accept-damaged writes over it",
                     texts::kChecksumError});
    }
    if (session.WriteLocked())
        return fail({kExitRefused, "write-locked", "the adapter has locked writing; read again before writing",
                     std::nullopt});
    const WritePlan plan = PrepareWrite(RequestFromOptions(arguments, session.Exchange()));
    if (plan.refusal) {
        session.Host().ShowMessage(*plan.refusal);
        return fail({kExitRefused, "refused", "the frequencies cannot be written as asked: nothing was written",
                     *plan.refusal});
    }
    if (plan.force25kHz)
        session.Host().ShowMessage(texts::kGrid25kHzNotice);
    journal.NoteWritten(plan.block);
    if (const std::optional<CommandFailure> failure = session.Write(plan.block))
        return fail(*failure);
    const TransmitterState after = session.Transmitter();
    if (json)
        PrintJson(QJsonObject{{"exitCode", kExitOk},
                              {"outcome", "written and verified"},
                              {"before", TransmitterJson(before)},
                              {"after", TransmitterJson(after)}},
                  console.out);
    else
        PrintTransmitter(after, console.out);
    return journal.Finish(session, kExitOk);
}

}  // namespace torv::cli
