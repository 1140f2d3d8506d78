#pragma once
// The journal row of one torvctl read or write: gathered while the command runs and
// written when it ends, whatever the exit code, before the result is printed. A write's
// row is made before its block goes out, so that a write cut short stays on record. A
// journal that cannot be written costs one warning line, and the JSON's "journalError",
// and never changes the command's result.

#include <optional>
#include <string>
#include <vector>

#include <QJsonValue>

#include "cli/results.h"
#include "cli/terminal_host.h"
#include "device/blocks.h"
#include "journal/journal.h"
#include "journal/journal_settings.h"
#include "production/unit_journal.h"

namespace torv::cli {

class Arguments;
class Session;

class CommandJournal {
public:
    // Off with --no-journal. open: a journal kept open across rows (a batch's), else the
    // journal is opened for the row. station: the batch's station the row names.
    CommandJournal(const Arguments& arguments, std::string operation, const Console& console, Journal* open = nullptr,
                   std::string station = {});

    // The transmitter as the read found it, before anything was written.
    void NoteRead(Session& session);
    // The block is about to be sent: the row is made now, in progress.
    void BeginWrite(Session& session, const ParameterBlock& block);

    // Writes the row.
    void Finish(Session& session, int exitCode, const std::optional<CommandFailure>& failure = std::nullopt);
    // Why the row was not written, or null (written, or the journal is off): for --json.
    QJsonValue ErrorJson() const;
    const std::string& Error() const { return error_; }
    // The journal did not keep something beside the row (a claim's end): told as the row's
    // own failure is.
    void Warn(const std::string& why);

private:
    // The settings read once for the row's origin and its server.
    CommandJournal(const Arguments& arguments, std::string operation, const Console& console, Journal* open,
                   std::string station, const JournalSettings& settings);
    Journal* Opened();
    void Warn(const Journal& journal);

    bool enabled_;
    bool demo_;
    std::string server_;  // the workshop's server the row goes to; empty: none
    std::optional<JournalMode> mode_;
    const Console& console_;
    Journal* open_;
    std::optional<Journal> opened_;
    UnitJournal row_;
    std::string error_;
};

// --journal-mode wal|delete; nothing when not given (the setting decides). Throws UsageError.
std::optional<JournalMode> JournalModeOption(const Arguments& arguments);

// What the journal, opened for reading only, holds of a query.
struct JournalRows {
    std::vector<JournalEntry> rows;         // newest first
    std::optional<CommandFailure> failure;  // exit 6: it cannot be used, with its path and the reason
};
JournalRows ReadJournal(const JournalQuery& query);

}  // namespace torv::cli
