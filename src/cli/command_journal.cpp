#include "cli/command_journal.h"

#include <ostream>
#include <utility>

#include "cli/arguments.h"
#include "cli/cli_text.h"
#include "cli/exchange_session.h"
#include "cli/workshop_server.h"
#include "journal/journal_settings.h"

namespace torv::cli {

CommandJournal::CommandJournal(const Arguments& arguments, std::string operation, const Console& console, Journal* open)
    : enabled_(!arguments.Has("--no-journal")),
      demo_(arguments.Has("--demo")),
      operation_(std::move(operation)),
      orderCode_(arguments.Value("--order").value_or("")),
      console_(console),
      open_(open)
{
    const JournalSettings settings = ReadJournalSettings();
    operatorName_ = arguments.Value("--operator").value_or(settings.operatorName);
    bench_ = BenchName(settings.bench);
    server_ = ConfiguredServer(arguments);
    mode_ = JournalModeOption(arguments);
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
    // A batch's rows name their station: the port its units come through.
    if (operation_ == "batch")
        entry.station = entry.port;
    entry.bench = bench_;
    entry.operatorName = operatorName_;
    entry.orderCode = orderCode_;
    entry.durationMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
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
