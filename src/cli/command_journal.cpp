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

int CommandJournal::Finish(Session& session, int exitCode, const std::optional<CommandFailure>& failure)
{
    if (!enabled_)
        return exitCode;
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
    if (!journal.Append(entry))
        console_.err << "torvctl: warning: the journal was not written: " << journal.Error() << "\n";
    return exitCode;
}

}  // namespace torv::cli
