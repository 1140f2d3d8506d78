#include "cli/order_batch.h"

#include <ostream>

#include <QString>

#include "cli/arguments.h"
#include "cli/cli_text.h"
#include "cli/command_journal.h"
#include "cli/workshop_server.h"
#include "journal/journal_server.h"
#include "journal/journal_settings.h"

namespace torv::cli {
namespace {

// The plan's units as the CSV text a plan file holds, so that they are checked as a file's.
std::string PlanText(const std::vector<PlannedUnit>& units)
{
    const auto number = [](double value) { return QString::number(value, 'g', 12).toStdString(); };
    std::string text = "serial,f1,f2,step\n";
    for (const PlannedUnit& unit : units)
        text += unit.serial + "," + number(unit.f1MHz) + "," + (unit.f2MHz ? number(*unit.f2MHz) : "") + "," +
                (unit.stepKHz ? number(*unit.stepKHz) : "") + "\n";
    return text;
}

}  // namespace

bool ClaimsUnits(const Arguments& arguments)
{
    if (arguments.Value("--order").value_or("").empty() || ConfiguredServer(arguments).empty() ||
        arguments.Has("--demo"))
        return false;
    if (arguments.Has("--no-journal"))
        throw UsageError(
            Utf8(CliText::tr("--no-journal cannot go with --order on a workshop server: the journal "
                             "keeps the claims made while the server is away")));
    return true;
}

bool PlanFromServer(const Arguments& arguments)
{
    return !arguments.Has("--plan") && !arguments.Has("--f1") && !arguments.Value("--order").value_or("").empty() &&
           !ConfiguredServer(arguments).empty();
}

std::variant<BatchPlan, CommandFailure> OrderPlan(const Arguments& arguments, const Console& console)
{
    const std::string order = arguments.Value("--order").value_or("");
    const std::string server = ConfiguredServer(arguments);
    JournalServer connection(server);
    Journal journal(Journal::DefaultPath(), JournalAccess::Write, JournalModeOption(arguments));
    std::optional<std::vector<PlannedUnit>> units = connection.Plan(order);
    QString source;
    if (units) {
        source = CliText::tr("read from the server %1").arg(ToQString(connection.Shown()));
        if (journal.IsOpen() && !journal.KeepPlan(order, *units))
            console.err << "torvctl: "
                        << Utf8(CliText::tr("warning: the plan was not kept in the journal: %1")
                                    .arg(ToQString(journal.Error())))
                        << "\n";
    } else {
        const std::string away = connection.Error();
        units = journal.IsOpen() ? journal.KeptPlan(order) : std::nullopt;
        if (!units || units->empty())
            return CommandFailure{kExitServer, "server-unavailable",
                                  Utf8(CliText::tr("the plan of order %1 cannot be read (%2), and none is kept here")
                                           .arg(ToQString(order), ToQString(away))),
                                  std::nullopt};
        source = CliText::tr("as last read here: the server is away (%1)").arg(ToQString(away));
    }
    if (units->empty())
        return CommandFailure{kExitServer, "no-plan",
                              Utf8(CliText::tr("the server %1 has no plan of order %2")
                                       .arg(ToQString(connection.Shown()), ToQString(order))),
                              std::nullopt};
    console.err
        << "torvctl: "
        << Utf8(CliText::tr("the plan of order %1: %2 units, %3").arg(ToQString(order)).arg(units->size()).arg(source))
        << "\n";
    return BatchPlan::FromText(PlanText(*units), Utf8(CliText::tr("of order %1").arg(ToQString(order))),
                               arguments.Has("--enable-grid-edit"));
}

std::unique_ptr<WorkshopClaims> StationClaims(const Arguments& arguments, Journal& journal)
{
    if (!ClaimsUnits(arguments))
        return nullptr;
    return std::make_unique<WorkshopClaims>(ConfiguredServer(arguments), *arguments.Value("--order"),
                                            BenchName(ReadJournalSettings().bench), journal);
}

}  // namespace torv::cli
