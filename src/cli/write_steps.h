#pragma once
// The steps torvctl's commands share: the first read, the frequencies asked for, and
// the checked, verified write.

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "cli/arguments.h"

#include "cli/results.h"
#include "cli/terminal_host.h"
#include "exchange/programming_exchange.h"
#include "exchange/write_preparation.h"
#include "production/unit_request.h"

namespace torv::cli {

class CommandJournal;
class Session;

// The options of every command on the line (--port, --demo, --trace, --json,
// --accept-damaged, --no-journal) and more.
std::vector<KnownOption> LineOptionsAnd(std::initializer_list<KnownOption> more = {});

// Frequencies to write, as typed; what is not given stays as read.
struct TypedFrequencies {
    std::string f1;
    std::optional<std::string> f2;
    bool noF2 = false;                // the second frequency switched off
    std::optional<std::string> step;  // "12.5" or "25"
    bool gridEditEnabled = false;
};

// Checked as the write command takes them. Throws UsageError.
WantedFrequencies CheckedWanted(const TypedFrequencies& typed);
// --f1, --f2, --no-f2, --step and --enable-grid-edit, checked. Throws UsageError.
WantedFrequencies WantedFromOptions(const Arguments& arguments);

// The failure on standard error, and as JSON on standard output when asked for;
// before: the transmitter as read, when the read got that far; journal: the command's
// row, already appended.
int Report(const CommandFailure& failure, bool json, const Console& console,
           const std::optional<TransmitterState>& before = std::nullopt, const CommandJournal* journal = nullptr);

// The read every command starts with; a failure is reported and journaled, and its exit
// code returned.
std::optional<int> ReadFirst(Session& session, CommandJournal& journal, bool json, const Console& console);

// The write after a successful read: the damaged-data, lock and frequency checks, then
// the write; nothing only when its read-back equalled the block sent. The journal notes
// the block sent.
// beforeWriting runs once the checks have passed, with the block to send: a failure it
// returns ends the write there, and nothing is sent.
using BeforeWriting = std::function<std::optional<CommandFailure>(const ParameterBlock& block)>;
std::optional<CommandFailure> CheckedWrite(Session& session, CommandJournal& journal, bool acceptDamaged,
                                           const WriteRequest& request, const BeforeWriting& beforeWriting = {});

// The options of the commands that write a unit: --yes, --dry-run.
std::vector<KnownOption> WriteOptionsAnd(std::initializer_list<KnownOption> more = {});
// The journal's name for a command that writes: a dry run only reads the unit.
std::string WriteOperation(const Arguments& arguments, const std::string& operation);

// write, restore and load after their successful read: the unit's frequencies before and
// after are shown, on a terminal confirmed (unless --yes), then the checked write runs;
// with --dry-run nothing is sent (exit 0 when the block could be written, else the
// refusal's). The result printed and journaled.
int WriteAfterRead(Session& session, CommandJournal& journal, const Arguments& arguments, const WriteRequest& request,
                   const Console& console);

}  // namespace torv::cli
