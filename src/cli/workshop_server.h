#pragma once
// torvctl and the workshop's server: which server the command uses, the outbox that sends
// the rows this run journals, and journal --sync and --status.

#include <chrono>
#include <optional>
#include <string>

#include "cli/terminal_host.h"
#include "journal/journal.h"
#include "journal/journal_settings.h"

namespace torv::cli {

class Arguments;

// --server CONNECTION, else $TORV_JOURNAL_SERVER, else the setting journal/server; empty
// when none is configured. Throws UsageError for one the driver cannot take (a URI).
std::string ConfiguredServer(const Arguments& arguments, const JournalSettings& settings = ReadJournalSettings());

// A row has been written to the journal: the outbox of this run sends it to server.
void SendToServer(const std::string& server, std::optional<JournalMode> mode);

// Ends this run's outbox: waits at most within for the rows that wait to reach the server,
// and says on standard error how many are left and why. Nothing when no row was sent.
void FinishOutbox(const Console& console, std::chrono::milliseconds within = std::chrono::seconds(2));

// The rows of the configured server (journal --server), or the failure: none configured
// (a usage error, thrown) or unreachable (exit 7).
struct JournalRows;
JournalRows ReadServer(const Arguments& arguments, const JournalQuery& query);

// journal --sync: sends every ended row that waits and waits for it, at most within.
int RunJournalSync(const Arguments& arguments, const Console& console,
                   std::chrono::milliseconds within = std::chrono::seconds(20));
// journal --status: the server, the rows that wait and the last attempt's error.
int RunJournalStatus(const Arguments& arguments, const Console& console);

}  // namespace torv::cli
