#include "cli/command_journal.h"

#include <ostream>
#include <utility>

#include "cli/arguments.h"
#include "cli/cli_text.h"
#include "cli/exchange_session.h"

namespace torv::cli {

CommandJournal::CommandJournal(const Arguments& arguments, std::string operation, const Console& console, Journal* open)
    : enabled_(!arguments.Has("--no-journal")),
      demo_(arguments.Has("--demo")),
      operation_(std::move(operation)),
      console_(console),
      open_(open)
{
}

void CommandJournal::NoteRead(Session& session)
{
    info_ = session.Exchange().Info();
    read_ = session.Exchange().Block();
}

JournalEntry CommandJournal::Entry(Session& session) const
{
    JournalEntry entry;
    entry.program = "torvctl";
    entry.operation = operation_;
    entry.demo = demo_;
    entry.port = session.DevicePath();
    entry.adapter = session.AdapterIdentity();
    if (session.Notes().InfoReached() || read_)
        DescribeRead(entry, info_.value_or(session.Exchange().Info()), read_.value_or(session.Exchange().Block()));
    return entry;
}

void CommandJournal::BeginWrite(Session& session, const ParameterBlock& block)
{
    written_ = block;
    writeRow_.reset();
    if (!enabled_)
        return;
    JournalEntry entry = Entry(session);
    entry.outcome = "in progress";
    DescribeWrite(entry, block, std::nullopt);
    if (Journal* journal = Opened()) {
        writeRow_ = journal->BeginWrite(entry);
        if (!writeRow_)
            Warn(*journal);
    }
}

void CommandJournal::Finish(Session& session, int exitCode, const std::optional<CommandFailure>& failure)
{
    if (!enabled_)
        return;
    JournalEntry entry = Entry(session);
    entry.exitCode = exitCode;
    entry.success = exitCode == kExitOk;
    if (failure)
        entry.outcome = FailureText(*failure);
    else
        entry.outcome = session.DamagedRecordsTaken().empty() ? "success" : "success, damaged data accepted";
    if (written_)
        DescribeWrite(entry, *written_, session.Exchange().ReadBack());
    if (session.WriteAbandoned())
        entry.state = RowState::Interrupted;
    Journal* journal = Opened();
    const std::optional<long long> row = std::exchange(writeRow_, std::nullopt);
    if (journal && !(row ? journal->Complete(*row, entry) : journal->Append(entry)))
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
