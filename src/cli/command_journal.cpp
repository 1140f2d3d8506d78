#include "cli/command_journal.h"

#include <ostream>
#include <utility>

#include "cli/arguments.h"
#include "cli/cli_text.h"
#include "cli/exchange_session.h"
#include "cli/workshop_server.h"
#include "journal/journal_settings.h"

namespace torv::cli {

namespace {

UnitOnLine OnLine(Session& session)
{
    return {session.Exchange(), session.Notes(), session.DevicePath(), session.AdapterIdentity()};
}

RowOrigin Origin(const Arguments& arguments, std::string station, const JournalSettings& settings)
{
    return {"torvctl",
            BenchName(settings.bench),
            std::move(station),
            arguments.Value("--operator").value_or(settings.operatorName),
            arguments.Value("--order").value_or(""),
            {}};
}

}  // namespace

CommandJournal::CommandJournal(const Arguments& arguments, std::string operation, const Console& console, Journal* open,
                               std::string station)
    : CommandJournal(arguments, std::move(operation), console, open, std::move(station), ReadJournalSettings())
{
}

CommandJournal::CommandJournal(const Arguments& arguments, std::string operation, const Console& console, Journal* open,
                               std::string station, const JournalSettings& settings)
    : enabled_(!arguments.Has("--no-journal")),
      demo_(arguments.Has("--demo")),
      server_(ConfiguredServer(arguments, settings)),
      mode_(JournalModeOption(arguments)),
      console_(console),
      open_(open),
      row_(Origin(arguments, std::move(station), settings), std::move(operation), demo_)
{
}

std::optional<JournalMode> JournalModeOption(const Arguments& arguments)
{
    const std::optional<std::string> name = arguments.Value("--journal-mode");
    if (!name)
        return std::nullopt;
    if (const std::optional<JournalMode> mode = Journal::ModeNamed(*name))
        return mode;
    throw UsageError(Utf8(CliText::tr("--journal-mode takes wal or delete, not \"%1\"").arg(ToQString(*name))));
}

void CommandJournal::NoteRead(Session& session)
{
    row_.NoteRead(session.Exchange());
}

void CommandJournal::BeginWrite(Session& session, const ParameterBlock& block)
{
    if (!enabled_)
        return;
    Journal* journal = Opened();
    if (!row_.BeginWrite(journal, OnLine(session), block))
        Warn(*journal);
}

void CommandJournal::Finish(Session& session, int exitCode, const std::optional<CommandFailure>& failure)
{
    if (!enabled_)
        return;
    const UnitEnding ending{exitCode, failure ? std::optional(FailureText(*failure)) : std::nullopt,
                            !session.DamagedRecordsTaken().empty(), session.WriteAbandoned()};
    Journal* journal = Opened();
    if (!row_.Finish(journal, OnLine(session), ending))
        Warn(*journal);
    else if (journal && !demo_ && !server_.empty())
        SendToServer(server_, mode_);
}

QJsonValue CommandJournal::ErrorJson() const
{
    return error_.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(QString::fromStdString(error_));
}

Journal* CommandJournal::Opened()
{
    if (open_)
        return open_;
    if (!opened_) {
        opened_.emplace(Journal::DefaultPath(), JournalAccess::Write, mode_);
        if (!opened_->IsOpen())
            Warn(*opened_);
    }
    return opened_->IsOpen() ? &*opened_ : nullptr;
}

void CommandJournal::Warn(const Journal& journal)
{
    Warn(journal.Error());
}

void CommandJournal::Warn(const std::string& why)
{
    error_ = why;
    console_.err << "torvctl: " << Utf8(CliText::tr("warning: the journal was not written: %1").arg(ToQString(error_)))
                 << "\n";
}

JournalRows ReadJournal(const JournalQuery& query)
{
    // Reading creates and changes nothing: a journal that is missing stays missing.
    Journal journal(Journal::DefaultPath(), JournalAccess::ReadOnly);
    if (std::optional<std::vector<JournalEntry>> rows = journal.IsOpen() ? journal.Find(query) : std::nullopt)
        return {std::move(*rows), std::nullopt};
    return {{}, CommandFailure{kExitJournalUnusable, "journal-unusable", journal.Error(), std::nullopt}};
}

}  // namespace torv::cli
