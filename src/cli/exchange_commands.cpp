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
#include "journal/journal.h"
#include "serial/port_discovery.h"

namespace torv::cli {
namespace {

const std::vector<KnownOption> kLineOptions = {
    {"--port", true}, {"--demo"}, {"--trace"}, {"--json"}, {"--accept-damaged"}, {"--no-journal"}};

std::vector<KnownOption> LineOptionsAnd(std::initializer_list<KnownOption> more)
{
    std::vector<KnownOption> known = kLineOptions;
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

// The write request as the window would make it after this read, with the frequencies
// of block (the block read, or an earlier one to bring back).
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

// The write request as the window would make it after this read, changed by the options.
WriteRequest RequestFromOptions(const Arguments& arguments, ProgrammingExchange& exchange)
{
    WriteRequest request = RequestWith(exchange.Block(), exchange, arguments.Has("--enable-grid-edit"));
    request.first = Entry(*arguments.Value("--f1"));
    // The second frequency stays as read unless the options change it; one that cannot be
    // decoded takes the first's value, as the window's field would.
    if (!DecodeParameterBlock(exchange.Block(), request.deviceType).secondHz)
        request.second = request.first;
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

// The read every command starts with; a failure is reported and journaled, and its exit
// code returned.
std::optional<int> ReadFirst(Session& session, CommandJournal& journal, bool json, const Console& console)
{
    if (const std::optional<CommandFailure> failure = session.Read())
        return journal.Finish(session, Report(*failure, json, console), failure);
    journal.NoteRead(session);
    return std::nullopt;
}

// The write after a successful read: the checks, the write and its verification, the
// result printed and journaled.
int WriteAfterRead(Session& session, CommandJournal& journal, const Arguments& arguments, const WriteRequest& request,
                   const Console& console)
{
    const bool json = arguments.Has("--json");
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
    const WritePlan plan = PrepareWrite(request);
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
    if (const std::optional<int> failed = ReadFirst(session, journal, json, console))
        return *failed;
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
    if (const std::optional<int> failed = ReadFirst(session, journal, json, console))
        return *failed;
    return WriteAfterRead(session, journal, arguments, RequestFromOptions(arguments, session.Exchange()), console);
}

// The block a unit held before its last write that was verified (the last before `before`
// when given), as the journal recorded it.
std::optional<ParameterBlock> BlockBeforeLastWrite(const std::string& serial, const std::string& before)
{
    Journal journal(Journal::DefaultPath());
    for (const JournalEntry& row : journal.Find({.serial = serial})) {
        if (row.operation == "read" || !row.success || row.blockReadHex.empty())
            continue;
        if (!before.empty() && row.timeUtc >= before)
            continue;
        ParameterBlock block{};
        const std::vector<unsigned char> bytes = ParseHexBytes(row.blockReadHex, block.size());
        std::copy(bytes.begin(), bytes.end(), block.begin());
        return block;
    }
    return std::nullopt;
}

int RunRestore(const std::vector<std::string>& args, const Console& console)
{
    const Arguments arguments(args, LineOptionsAnd({{"--serial", true}, {"--before", true}}));
    if (!arguments.Positional().empty())
        throw UsageError("restore takes no positional arguments");
    const std::optional<std::string> serial = arguments.Value("--serial");
    if (!serial || serial->empty())
        throw UsageError("restore needs --serial S, the serial number of the unit to restore");
    const bool json = arguments.Has("--json");
    const std::optional<ParameterBlock> earlier =
        BlockBeforeLastWrite(*serial, arguments.Value("--before").value_or(""));
    if (!earlier)
        return Report({kExitRefused, "nothing-to-restore",
                       "the journal holds no verified write of unit " + *serial + " to go back from", std::nullopt},
                      json, console);

    Session session(arguments, console);
    CommandJournal journal(arguments, "restore", console);
    if (const std::optional<int> failed = ReadFirst(session, journal, json, console))
        return *failed;
    if (const std::string connected = session.Transmitter().serial; connected != *serial) {
        const CommandFailure wrongUnit{kExitRefused, "wrong-unit",
                                       "the connected unit is " + connected + ", not " + *serial +
                                           ": nothing was written",
                                       std::nullopt};
        return journal.Finish(session, Report(wrongUnit, json, console), wrongUnit);
    }
    // The grid step comes back as it was, as with the grid-edit option.
    return WriteAfterRead(session, journal, arguments, RequestWith(*earlier, session.Exchange(), true), console);
}

}  // namespace torv::cli
