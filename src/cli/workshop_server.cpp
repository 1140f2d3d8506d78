#include "cli/workshop_server.h"

#include <memory>
#include <mutex>
#include <ostream>

#include <QJsonArray>
#include <QJsonObject>

#include "cli/arguments.h"
#include "cli/cli_text.h"
#include "cli/command_journal.h"
#include "cli/results.h"
#include "cli/write_steps.h"
#include "journal/journal.h"
#include "journal/journal_outbox.h"
#include "journal/journal_server.h"
#include "journal/journal_settings.h"

namespace torv::cli {
namespace {

// The outbox of this run, and the server it sends to; a batch's stations reach it from
// their threads.
struct RunOutbox {
    std::mutex mutex;
    std::string server;
    std::unique_ptr<JournalOutbox> outbox;
};

RunOutbox& ThisRun()
{
    static RunOutbox run;
    return run;
}

QString WaitingText(long long waiting, const std::string& server, const std::string& error)
{
    return CliText::tr("rows waiting for the server %1: %2 (%3)")
        .arg(ToQString(MaskPasswords(server)))
        .arg(waiting)
        .arg(ToQString(error.empty() ? "-" : error));
}

std::string ServerOrFail(const Arguments& arguments)
{
    const std::string server = ConfiguredServer(arguments);
    if (server.empty())
        throw UsageError(
            Utf8(CliText::tr("no server is configured: set $TORV_JOURNAL_SERVER or the setting "
                             "journal/server to libpq key=value pairs, such as service=torv")));
    return server;
}

}  // namespace

std::string ConfiguredServer(const Arguments& arguments, const JournalSettings& settings)
{
    const std::string server = arguments.Value("--server").value_or(settings.server);
    if (const std::string problem = ServerStringProblem(server); !problem.empty())
        throw UsageError(problem);
    return server;
}

void SendToServer(const std::string& server, std::optional<JournalMode> mode)
{
    RunOutbox& run = ThisRun();
    const std::lock_guard lock(run.mutex);
    if (!run.outbox) {
        run.server = server;
        run.outbox = std::make_unique<JournalOutbox>(Journal::DefaultPath(), server, mode);
    }
    run.outbox->Nudge();
}

void FinishOutbox(const Console& console, std::chrono::milliseconds within)
{
    RunOutbox& run = ThisRun();
    const std::lock_guard lock(run.mutex);
    if (!run.outbox)
        return;
    const JournalOutbox::Progress progress = run.outbox->Drain(within);
    run.outbox.reset();
    if (!progress.drained)
        console.err << "torvctl: "
                    << Utf8(WaitingText(
                           progress.waiting, run.server,
                           progress.lastError.empty() ? Utf8(CliText::tr("not sent in time")) : progress.lastError))
                    << "; " << Utf8(CliText::tr("they are sent by the next run, or by torvctl journal --sync")) << "\n";
}

JournalRows ReadServer(const Arguments& arguments, const JournalQuery& query)
{
    JournalServer server(ServerOrFail(arguments));
    if (std::optional<std::vector<JournalEntry>> rows = server.Find(query))
        return {std::move(*rows), std::nullopt};
    return {{}, CommandFailure{kExitServer, "server-unavailable", server.Error(), std::nullopt}};
}

int RunJournalSync(const Arguments& arguments, const Console& console, std::chrono::milliseconds within)
{
    const std::string server = ServerOrFail(arguments);
    const bool json = arguments.Has("--json");
    // With nothing to send, the server is reached all the same: a sync tells it is there.
    if (JournalServer reached(server); !reached.Connect())
        return Report({kExitServer, "server-unavailable", reached.Error(), std::nullopt}, json, console);
    JournalOutbox outbox(Journal::DefaultPath(), server, JournalModeOption(arguments));
    const JournalOutbox::Progress progress = outbox.Drain(within);
    if (!progress.drained)
        return Report({kExitServer, "server-unavailable",
                       Utf8(WaitingText(progress.waiting, server, progress.lastError)), std::nullopt},
                      json, console);
    if (json)
        PrintJson(QJsonObject{{"exitCode", kExitOk}, {"sent", progress.sent}, {"waiting", 0}}, console.out);
    else
        console.out << Utf8(CliText::tr("rows sent to the server %1: %2; none waits")
                                .arg(ToQString(MaskPasswords(server)))
                                .arg(progress.sent))
                    << "\n";
    return kExitOk;
}

int RunJournalStatus(const Arguments& arguments, const Console& console)
{
    const std::string server = MaskPasswords(ConfiguredServer(arguments));
    Journal journal(Journal::DefaultPath(), JournalAccess::ReadOnly);
    const std::optional<std::vector<Journal::LocalRow>> rows = journal.IsOpen() ? journal.Unsent() : std::nullopt;
    if (!rows)
        return Report({kExitJournalUnusable, "journal-unusable", journal.Error(), std::nullopt},
                      arguments.Has("--json"), console);
    long long waiting = 0, inProgress = 0;
    for (const Journal::LocalRow& row : *rows)
        (row.entry.state == RowState::InProgress ? inProgress : waiting) += 1;
    const std::optional<std::vector<ClaimRecord>> claims = journal.ClaimsToSend();
    const std::optional<std::vector<ClaimRecord>> conflicts = journal.ClaimConflicts();
    if (!claims || !conflicts)
        return Report({kExitJournalUnusable, "journal-unusable", journal.Error(), std::nullopt},
                      arguments.Has("--json"), console);
    const std::optional<Journal::ServerAttempt> attempt = journal.LastServerAttempt();
    if (arguments.Has("--json")) {
        QJsonArray conflictList;
        for (const ClaimRecord& conflict : *conflicts)
            conflictList.append(QJsonObject{{"order", ToQString(conflict.orderCode)},
                                            {"serial", ToQString(conflict.serial)},
                                            {"otherBench", ToQString(conflict.conflict)}});
        QJsonObject object{
            {"exitCode", kExitOk},
            {"server", server.empty() ? QJsonValue() : QJsonValue(ToQString(server))},
            {"waiting", waiting},
            {"inProgress", inProgress},
            {"claimsWaiting", static_cast<qint64>(claims->size())},
            {"conflicts", conflictList},
            {"lastAttempt", attempt ? QJsonValue(ToQString(attempt->timeUtc)) : QJsonValue()},
            {"lastError", attempt && !attempt->error.empty() ? QJsonValue(ToQString(attempt->error)) : QJsonValue()}};
        PrintJson(object, console.out);
        return kExitOk;
    }
    console.out
        << Utf8(CliText::tr("server: %1").arg(server.empty() ? CliText::tr("none configured") : ToQString(server)))
        << "\n"
        << Utf8(CliText::tr("rows waiting: %1 (writes in progress: %2)").arg(waiting).arg(inProgress)) << "\n"
        << Utf8(CliText::tr("last attempt: %1")
                    .arg(!attempt                 ? CliText::tr("none")
                         : attempt->error.empty() ? CliText::tr("%1, sent").arg(ToQString(attempt->timeUtc))
                                                  : CliText::tr("%1, failed: %2")
                                                        .arg(ToQString(attempt->timeUtc), ToQString(attempt->error))))
        << "\n"
        << Utf8(CliText::tr("claims waiting: %1; conflicts: %2").arg(claims->size()).arg(conflicts->size())) << "\n";
    for (const ClaimRecord& conflict : *conflicts)
        console.out << Utf8(CliText::tr("conflict: unit %1 of order %2 was programmed here and claimed at bench %3 too")
                                .arg(ToQString(conflict.serial), ToQString(conflict.orderCode),
                                     ToQString(conflict.conflict)))
                    << "\n";
    return kExitOk;
}

}  // namespace torv::cli
