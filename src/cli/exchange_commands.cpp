#include "cli/exchange_commands.h"

#include <algorithm>
#include <optional>
#include <ostream>

#include <QJsonArray>

#include "cli/arguments.h"
#include "cli/cli_text.h"
#include "cli/command_journal.h"
#include "cli/exchange_session.h"
#include "cli/results.h"
#include "cli/write_steps.h"
#include "journal/journal.h"
#include "serial/port_discovery.h"

namespace torv::cli {
namespace {

// What restore writes back: the block the unit held before a verified write.
struct EarlierBlock {
    ParameterBlock block{};
    std::string write;         // "the write of <time>", for messages
    std::vector<int> damaged;  // its records that failed their check, taken with --accept-damaged
};

// The block before the newest verified write among rows (newest first) that can be
// decoded and, unless acceptDamaged, passes its check; the rows passed over are named
// on standard error.
std::optional<EarlierBlock> BlockBeforeLastWrite(const std::vector<JournalEntry>& rows, bool acceptDamaged,
                                                 const Console& console)
{
    for (const JournalEntry& row : rows) {
        if (row.operation == "read" || !row.success || row.blockReadHex.empty())
            continue;
        EarlierBlock earlier{{}, Utf8(CliText::tr("the write of %1").arg(ToQString(ShownTime(row.timeUtc)))), {}};
        try {
            const std::vector<unsigned char> bytes = ParseHexBytes(row.blockReadHex, earlier.block.size());
            std::copy(bytes.begin(), bytes.end(), earlier.block.begin());
        } catch (const UsageError& error) {
            console.err << "torvctl: "
                        << Utf8(CliText::tr("warning: the journal's row of %1 cannot be decoded (%2): passed over")
                                    .arg(ToQString(earlier.write), ToQString(error.what())))
                        << "\n";
            continue;
        }
        earlier.damaged = DamagedRecords(earlier.block);
        if (!earlier.damaged.empty() && !acceptDamaged) {
            console.err << "torvctl: "
                        << Utf8(CliText::tr("warning: the block the unit held before %1 failed its check (%2): passed "
                                            "over; --accept-damaged writes it back")
                                    .arg(ToQString(earlier.write), ToQString(RecordsText(earlier.damaged))))
                        << "\n";
            continue;
        }
        return earlier;
    }
    return std::nullopt;
}

}  // namespace

int RunPorts(const std::vector<std::string>& args, const Console& console)
{
    const Arguments arguments(args, {{"--json"}});
    if (!arguments.Positional().empty())
        throw UsageError(Utf8(CliText::tr("ports takes no arguments")));
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
        console.out << Utf8(CliText::tr("no serial ports found")) << "\n";
    // One line a port: name, device path, and what the system tells of it.
    for (const PortIdentity& port : ports)
        console.out << port.name << "\t" << PortDevicePath(port.name) << "\t" << PortIdentityText(port) << "\n";
    return kExitOk;
}

int RunRead(const std::vector<std::string>& args, const Console& console)
{
    const Arguments arguments(args, LineOptionsAnd());
    if (!arguments.Positional().empty())
        throw UsageError(Utf8(CliText::tr("%1 takes no positional arguments").arg("read")));
    const bool json = arguments.Has("--json");
    Session session(arguments, console);
    CommandJournal journal(arguments, "read", console);
    if (const std::optional<int> failed = ReadFirst(session, journal, json, console))
        return *failed;
    const TransmitterState state = session.Transmitter();
    const std::vector<int>& damaged = session.DamagedRecordsTaken();
    journal.Finish(session, kExitOk);
    if (!damaged.empty())
        console.err << "torvctl: "
                    << Utf8(CliText::tr("warning: %1 failed its check and was accepted as read: what it shows may "
                                        "be wrong")
                                .arg(ToQString(RecordsText(damaged))))
                    << "\n";
    if (json) {
        QJsonArray damagedJson;
        for (int record : damaged)
            damagedJson.append(record);
        PrintJson(QJsonObject{{"exitCode", kExitOk},
                              {"outcome", damaged.empty() ? "read" : "damaged block accepted"},
                              {"damagedRecords", damagedJson},
                              {"transmitter", TransmitterJson(state)},
                              {"journalError", journal.ErrorJson()}},
                  console.out);
    } else {
        PrintTransmitter(state, console.out);
    }
    return kExitOk;
}

int RunWrite(const std::vector<std::string>& args, const Console& console)
{
    const Arguments arguments(
        args, WriteOptionsAnd({{"--f1", true}, {"--f2", true}, {"--no-f2"}, {"--step", true}, {"--enable-grid-edit"}}));
    if (!arguments.Positional().empty())
        throw UsageError(Utf8(CliText::tr("%1 takes no positional arguments").arg("write")));
    if (!arguments.Has("--f1"))
        throw UsageError(Utf8(CliText::tr("write needs --f1 MHZ")));
    const WantedFrequencies wanted = WantedFromOptions(arguments);
    const bool json = arguments.Has("--json");

    Session session(arguments, console);
    CommandJournal journal(arguments, WriteOperation(arguments, "write"), console);
    if (const std::optional<int> failed = ReadFirst(session, journal, json, console))
        return *failed;
    return WriteAfterRead(session, journal, arguments, RequestFor(wanted, session.Exchange()), console);
}

int RunRestore(const std::vector<std::string>& args, const Console& console)
{
    const Arguments arguments(args, WriteOptionsAnd({{"--serial", true}, {"--before", true}}));
    if (!arguments.Positional().empty())
        throw UsageError(Utf8(CliText::tr("%1 takes no positional arguments").arg("restore")));
    const std::optional<std::string> serial = arguments.Value("--serial");
    if (!serial || serial->empty())
        throw UsageError(Utf8(CliText::tr("restore needs --serial S, the serial number of the unit to restore")));
    const bool json = arguments.Has("--json");
    JournalQuery query{.serial = *serial};
    query.demo = arguments.Has("--demo");  // the built-in unit's record and a real unit's are kept apart
    const std::optional<std::string> before = arguments.Value("--before");
    if (before)  // a write made at the very instant counts as made after it
        query.before = ParseTimeOption("--before", *before).begin;
    const JournalRows found = ReadJournal(query);
    if (found.failure)
        return Report(*found.failure, json, console);
    const std::optional<EarlierBlock> earlier =
        BlockBeforeLastWrite(found.rows, arguments.Has("--accept-damaged"), console);
    if (!earlier)
        return Report({kExitRefused, "nothing-to-restore",
                       Utf8(before ? CliText::tr("the journal holds no verified write of unit %1 before %2 to go "
                                                 "back from")
                                         .arg(ToQString(*serial), ToQString(*before))
                                   : CliText::tr("the journal holds no verified write of unit %1 to go back from")
                                         .arg(ToQString(*serial))),
                       std::nullopt},
                      json, console);

    Session session(arguments, console);
    CommandJournal journal(arguments, WriteOperation(arguments, "restore"), console);
    if (const std::optional<int> failed = ReadFirst(session, journal, json, console))
        return *failed;
    if (const std::string connected = session.Transmitter().serial; connected != *serial) {
        const CommandFailure wrongUnit{kExitRefused, "wrong-unit",
                                       Utf8(CliText::tr("the connected unit is %1, not %2: nothing was written")
                                                .arg(ToQString(connected), ToQString(*serial))),
                                       std::nullopt};
        journal.Finish(session, wrongUnit.exitCode, wrongUnit);
        return Report(wrongUnit, json, console, std::nullopt, &journal);
    }
    if (!earlier->damaged.empty())
        console.err << "torvctl: "
                    << Utf8(CliText::tr("warning: %1 of the block journaled before %2 failed its check and is "
                                        "written back as accepted: what it restores may be wrong")
                                .arg(ToQString(RecordsText(earlier->damaged)), ToQString(earlier->write)))
                    << "\n";
    // The grid step comes back as it was, as with the grid-edit option.
    return WriteAfterRead(session, journal, arguments, RequestWith(earlier->block, session.Exchange(), true), console);
}

}  // namespace torv::cli
