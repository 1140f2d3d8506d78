#include "cli/command_journal.h"

#include <ostream>
#include <utility>

#include "cli/arguments.h"
#include "cli/cli_text.h"
#include "cli/exchange_session.h"

namespace torv::cli {

namespace {

UnitOnLine OnLine(Session& session)
{
    return {session.Exchange(), session.Notes(), session.DevicePath(), session.AdapterIdentity()};
}

}  // namespace

CommandJournal::CommandJournal(const Arguments& arguments, std::string operation, const Console& console, Journal* open)
    : enabled_(!arguments.Has("--no-journal")),
      console_(console),
      open_(open),
      row_("torvctl", std::move(operation), arguments.Has("--demo"))
{
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
        opened_.emplace(Journal::DefaultPath());
        if (!opened_->IsOpen())
            Warn(*opened_);
    }
    return opened_->IsOpen() ? &*opened_ : nullptr;
}

void CommandJournal::Warn(const Journal& journal)
{
    error_ = journal.Error();
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
