#include "cli/batch_command.h"

#include <algorithm>
#include <chrono>
#include <istream>
#include <optional>
#include <ostream>
#include <set>
#include <variant>

#include <QJsonArray>

#include "cli/arguments.h"
#include "cli/batch_plan.h"
#include "cli/order_batch.h"
#include "cli/batch_stations.h"
#include "cli/batch_summary.h"
#include "cli/batch_unit.h"
#include "cli/cli_language.h"
#include "cli/cli_text.h"
#include "cli/command_journal.h"
#include "cli/exchange_session.h"
#include "cli/write_steps.h"
#include "device/frequency_codec.h"
#include "journal/journal.h"
#include "serial/port_discovery.h"

namespace torv::cli {
namespace {

using Clock = std::chrono::steady_clock;

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
    return PositiveWholeNumber(arguments, "--units",
                               Utf8(CliText::tr("--units needs a whole number of units, 1 or more")));
}

// The ports of the batch's stations: every --port, then what --ports matches now.
std::vector<std::string> StationPorts(const Arguments& arguments, const Console& console)
{
    std::vector<std::string> ports = arguments.Values("--port");
    if (const std::optional<std::string> pattern = arguments.Value("--ports")) {
        const std::vector<std::string> matched = PortsMatching(*pattern);
        if (matched.empty())
            throw UsageError(Utf8(CliText::tr("--ports %1 matches no port now").arg(ToQString(*pattern))));
        QString list;
        for (const std::string& port : matched)
            list += (list.isEmpty() ? "" : ", ") + ToQString(port);
        console.err << "torvctl: " << Utf8(CliText::tr("--ports %1: %2").arg(ToQString(*pattern), list)) << "\n";
        ports.insert(ports.end(), matched.begin(), matched.end());
    }
    std::set<std::string> devices;
    for (const std::string& port : ports) {
        if (port.empty())
            throw UsageError(Utf8(CliText::tr("--port needs a port name or a device path (torvctl ports lists them)")));
        if (!devices.insert(PortDevicePath(port)).second)
            throw UsageError(Utf8(CliText::tr("port %1 is given twice").arg(ToQString(port))));
    }
    if (!ports.empty() && arguments.Has("--demo"))
        throw UsageError(Utf8(CliText::tr("give either --port NAME|PATH or --demo")));
    return ports;
}

class Batch {
public:
    Batch(Session& session, const BatchPlan& plan, const Arguments& arguments, const Console& console)
        : session_(session), plan_(plan), arguments_(arguments), console_(console), output_(OutputAsked(arguments))
    {
        if (!arguments.Has("--no-journal")) {
            journal_.emplace(Journal::DefaultPath(), JournalAccess::Write, JournalModeOption(arguments));
            claims_ = StationClaims(arguments, *journal_);
        }
    }

    int Run(std::optional<int> unitsLimit)
    {
        const Clock::time_point start = Clock::now();
        Clock::time_point lastUnitDone = start;
        for (;;) {
            std::optional<UnitReport> unit = NextUnit();
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
    std::optional<UnitReport> NextUnit()
    {
        const Clock::time_point start = Clock::now();
        CommandJournal journal(arguments_, "batch", console_, journal_ ? &*journal_ : nullptr, session_.DevicePath());
        const std::optional<CommandFailure> readFailure = session_.Read();
        const std::string serial = readFailure ? "" : session_.Transmitter().serial;
        if (!readFailure && !console_.answers && !results_.empty() && serial == results_.back().serial) {
            Note(
                CliText::tr("unit %1 is still connected and no next unit came: the batch ends").arg(ToQString(serial)));
            return std::nullopt;
        }
        UnitReport unit = ProgramReadUnit(
            session_, journal, readFailure,
            {plan_, arguments_.Has("--accept-damaged"), programmed_.contains(serial), {}, claims_.get()});
        if (unit.end == UnitEnd::Programmed)
            programmed_.insert(serial);
        unit.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return unit;
    }

    void Tell(const UnitReport& unit)
    {
        if (output_ == BatchOutput::Lines)
            console_.out << UnitLine(unit) << std::endl;
        else if (output_ == BatchOutput::JsonLines)
            PrintJsonLine(UnitJson(unit), console_.out);
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
        return PrintBatchSummary(results_, {session_.DevicePath()}, seconds, output_, console_.out);
    }

    Session& session_;
    const BatchPlan& plan_;
    const Arguments& arguments_;
    const Console& console_;
    const BatchOutput output_;
    std::optional<Journal> journal_;  // open for the whole batch
    std::unique_ptr<WorkshopClaims> claims_;
    std::set<std::string> programmed_;
    std::vector<UnitReport> results_;
};

}  // namespace

int RunBatch(const std::vector<std::string>& args, const Console& console)
{
    std::vector<KnownOption> known = LineOptionsAnd({{"--plan", true},
                                                     {"--f1", true},
                                                     {"--f2", true},
                                                     {"--no-f2"},
                                                     {"--step", true},
                                                     {"--enable-grid-edit"},
                                                     {"--units", true},
                                                     {"--ports", true},
                                                     {"--wait-for-unit"},
                                                     {"--idle-timeout", true},
                                                     {"--json-lines"}});
    for (KnownOption& option : known)
        option.repeatable = option.repeatable || option.name == "--port";
    const Arguments arguments(args, known);
    if (!arguments.Positional().empty())
        throw UsageError(Utf8(CliText::tr("%1 takes no positional arguments").arg("batch")));
    ClaimsUnits(arguments);  // refuses a batch that could not keep its claims
    std::variant<BatchPlan, CommandFailure> planned =
        PlanFromServer(arguments) ? OrderPlan(arguments, console) : PlanFromOptions(arguments);
    if (const CommandFailure* failure = std::get_if<CommandFailure>(&planned))
        return Report(*failure, arguments.Has("--json"), console);
    const BatchPlan& plan = std::get<BatchPlan>(planned);
    const std::optional<int> unitsLimit = UnitsLimit(arguments);
    const std::vector<std::string> ports = StationPorts(arguments, console);
    if (arguments.Has("--json") && arguments.Has("--json-lines"))
        throw UsageError(Utf8(CliText::tr("give --json or --json-lines, not both")));
    if (ports.size() > 1 || arguments.Has("--wait-for-unit"))
        return RunStations(arguments, plan, ports, unitsLimit, console);
    if (arguments.Has("--idle-timeout"))
        throw UsageError(Utf8(CliText::tr("--idle-timeout goes with --wait-for-unit or several ports")));
    Session session(arguments, console);
    return Batch(session, plan, arguments, console).Run(unitsLimit);
}

}  // namespace torv::cli
