#include "cli/command_journal.h"

#include <ostream>

#include "cli/arguments.h"
#include "cli/exchange_session.h"

namespace torv::cli {

CommandJournal::CommandJournal(const Arguments& arguments, std::string operation, const Console& console,
                               Journal* open)
    : enabled_(!arguments.Has("--no-journal")), operation_(std::move(operation)), console_(console), open_(open)
{
}

void CommandJournal::NoteRead(Session& session)
{
    info_ = session.Exchange().Info();
    read_ = session.Exchange().Block();
}

void CommandJournal::Finish(Session& session, int exitCode, const std::optional<CommandFailure>& failure)
{
    if (!enabled_)
        return;
    JournalEntry entry;
    entry.program = "torvctl";
    entry.operation = operation_;
    entry.port = session.DevicePath();
    entry.adapter = session.AdapterIdentity();
    entry.exitCode = exitCode;
    entry.success = exitCode == kExitOk;
    if (failure)
        entry.outcome = FailureText(*failure);
    else
        entry.outcome = session.DamagedRecordsTaken().empty() ? "success" : "success, damaged data accepted";
    if (session.Notes().InfoReached() || read_)
        DescribeRead(entry, info_.value_or(session.Exchange().Info()), read_.value_or(session.Exchange().Block()));
    if (written_)
        DescribeWrite(entry, entry.deviceType.value_or(0), *written_, session.Exchange().ReadBack());

    std::optional<Journal> opened;
    Journal& journal = open_ ? *open_ : opened.emplace(Journal::DefaultPath());
    if (journal.Append(entry))
        return;
    error_ = journal.Error();
    console_.err << "torvctl: warning: the journal was not written: " << error_ << "\n";
}

QJsonValue CommandJournal::ErrorJson() const
{
    return error_.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(QString::fromStdString(error_));
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
