#include "cli/plan_commands.h"

#include <ostream>

#include <QJsonObject>

#include "cli/arguments.h"
#include "cli/batch_plan.h"
#include "cli/cli_text.h"
#include "cli/results.h"
#include "cli/workshop_server.h"
#include "cli/write_steps.h"
#include "journal/journal_server.h"
#include "journal/journal_settings.h"

namespace torv::cli {

int RunPlan(const std::vector<std::string>& args, const Console& console)
{
    const Arguments arguments(args, {{"--order", true}, {"--server", true}, {"--enable-grid-edit"}, {"--json"}});
    const std::vector<std::string>& words = arguments.Positional();
    if (words.size() != 2 || words[0] != "import")
        throw UsageError(Utf8(CliText::tr("plan takes: import FILE --order CODE")));
    const std::string order = arguments.Value("--order").value_or("");
    if (order.empty())
        throw UsageError(Utf8(CliText::tr("plan import needs --order CODE: the order the plan is for")));
    const std::string server = ConfiguredServer(arguments);
    if (server.empty())
        throw UsageError(
            Utf8(CliText::tr("plan import needs a server: --server, $TORV_JOURNAL_SERVER or the "
                             "setting journal/server")));
    // The file is read and checked whole, as a batch reads it, before the server is asked.
    const BatchPlan plan = BatchPlan::FromCsv(words[1], arguments.Has("--enable-grid-edit"));
    std::vector<PlannedUnit> units;
    for (const auto& [serial, wanted] : plan.Units())
        units.push_back({serial, wanted.f1.mhz, wanted.f2 ? std::optional(wanted.f2->mhz) : std::nullopt,
                         wanted.grid25kHz ? std::optional(*wanted.grid25kHz ? 25.0 : 12.5) : std::nullopt});
    JournalServer connection(server);
    const std::optional<long long> changed = connection.ImportPlan(order, units);
    const bool json = arguments.Has("--json");
    if (!changed)
        return Report({kExitServer, "server-unavailable", connection.Error(), std::nullopt}, json, console);
    const auto planned = static_cast<long long>(units.size());
    if (json)
        PrintJson(QJsonObject{{"exitCode", kExitOk}, {"units", planned}, {"changed", *changed}}, console.out);
    else
        console.out << Utf8(CliText::tr("order %1: %2 units planned on the server %3, %4 of them new or changed")
                                .arg(ToQString(order))
                                .arg(planned)
                                .arg(ToQString(MaskPasswords(server)))
                                .arg(*changed))
                    << "\n";
    return kExitOk;
}

}  // namespace torv::cli
