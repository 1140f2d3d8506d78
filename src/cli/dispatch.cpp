#include "cli/dispatch.h"

#include <algorithm>
#include <exception>
#include <ostream>

#include "cli/arguments.h"
#include "cli/batch_command.h"
#include "cli/calc_commands.h"
#include "cli/doctor_command.h"
#include "cli/cli_text.h"
#include "cli/exchange_commands.h"
#include "cli/image_commands.h"
#include "cli/journal_commands.h"
#include "cli/plan_commands.h"
#include "cli/results.h"
#include "cli/workshop_server.h"
#include "torv_version.h"

namespace torv::cli {

const char* const kUsage =
    QT_TRANSLATE_NOOP("CliText",
                      "usage: torvctl COMMAND [OPTIONS]\n"
                      "\n"
                      "commands:\n"
                      "  ports [--json]                    list the serial ports of this computer\n"
                      "  read (--port NAME|PATH | --demo) [--accept-damaged] [--json] [--trace]\n"
                      "                                    read the transmitter's identity and frequencies\n"
                      "  write (--port NAME|PATH | --demo) --f1 MHZ [--f2 MHZ | --no-f2] [--step 12.5|25]\n"
                      "        [--enable-grid-edit] [--yes] [--dry-run] [--accept-damaged] [--json] [--trace]\n"
                      "                                    read, then write new frequencies and verify them\n"
                      "  calc --legacy MHZ [--json]        divisors R, N, A of a frequency in legacy mode\n"
                      "  calc --grid --type 13|14|15 [--step 12.5|25] [--second] [--json] MHZ\n"
                      "                                    N, F and the sealed channel record in grid mode\n"
                      "  decode [--type 13|14|15] [--json] HEX\n"
                      "                                    decode one 8-byte channel record\n"
                      "  restore (--port NAME|PATH | --demo) --serial S [--before TIME] [--yes] [--dry-run]\n"
                      "          [--accept-damaged] [--json] [--trace]\n"
                      "                                    write back what the unit held before its last verified\n"
                      "                                    write (made before TIME)\n"
                      "  batch (--port NAME|PATH... | --ports GLOB | --demo) (--plan FILE | --f1 MHZ\n"
                      "        [--f2 MHZ | --no-f2] [--step 12.5|25] | --order CODE) [--units N]\n"
                      "        [--wait-for-unit] [--idle-timeout SECONDS] [--enable-grid-edit]\n"
                      "        [--accept-damaged] [--json | --json-lines]\n"
                      "                                    program one unit after another: read, look the\n"
                      "                                    serial number up in the plan, write, verify; on\n"
                      "                                    several ports, at each of them at once; --order\n"
                      "                                    with a server: the order's plan from the server,\n"
                      "                                    each unit claimed there before it is written\n"
                      "  save (--port NAME|PATH | --demo) [--accept-damaged] [--json] [--trace] FILE\n"
                      "                                    read the unit and save its image to FILE\n"
                      "  load (--port NAME|PATH | --demo) [--yes] [--dry-run] [--accept-damaged] [--json]\n"
                      "       [--trace] FILE               write the frequencies of an image into a unit of\n"
                      "                                    the same device type (another serial: a clone)\n"
                      "  journal [--serial S] [--since DATE] [--until DATE] [--outcome success|failed]\n"
                      "          [--with-demo] [--server] [--json | --csv]\n"
                      "                                    the reads and writes recorded, newest first;\n"
                      "                                    --server: those on the workshop's server\n"
                      "  journal --sync | --status [--json]\n"
                      "                                    send the rows that wait for the workshop's server\n"
                      "                                    and wait for them; or show the server, the rows\n"
                      "                                    waiting and the last error\n"
                      "  plan import FILE --order CODE [--server CONN] [--enable-grid-edit] [--json]\n"
                      "                                    load the plan of an order (a batch's CSV file) into\n"
                      "                                    the workshop's server\n"
                      "  doctor [--port NAME|PATH] [--loopback] [--json]\n"
                      "                                    check a port (or every port) and its adapter: the\n"
                      "                                    device, permissions, who holds it, ModemManager,\n"
                      "                                    brltty, the line, the adapter and the transmitter;\n"
                      "                                    --loopback sends all 256 byte values through TX\n"
                      "                                    bridged to RX instead of asking the adapter\n"
                      "\n"
                      "  --demo            use a built-in emulated adapter with a transmitter instead of a port\n"
                      "  --json            the result as one JSON object on standard output, also on failure\n"
                      "                    (everything in English then, as the JSON values are)\n"
                      "  --trace           log every byte on the line, with time stamps, to standard error\n"
                      "  --accept-damaged  take a parameter block that fails its check, as the window's\n"
                      "                    Cancel does (a write then seals its records anew)\n"
                      "  --yes             write without asking on the terminal (write, restore, load)\n"
                      "  --dry-run         read, check and show what would be written; write nothing\n"
                      "  --with-demo       list the runs on the built-in emulated adapter too (journal)\n"
                      "  --no-journal      do not record the read or write in the journal\n"
                      "                    ($TORV_JOURNAL, else ~/.local/share/torv-programmer/journal.sqlite)\n"
                      "  --operator NAME   who works at the bench, in the journal's rows (else journal/operator)\n"
                      "  --order CODE      the order or lot the units belong to, in the journal's rows\n"
                      "  --server CONN     the workshop's PostgreSQL server the rows are copied to: libpq\n"
                      "                    key=value pairs or service=NAME (else $TORV_JOURNAL_SERVER, else\n"
                      "                    journal/server); a run waits at most 2 s for its rows to go\n"
                      "  --journal-mode wal|delete\n"
                      "                    SQLite's journal mode; delete for a journal on a network file\n"
                      "                    system, where wal is refused\n"
                      "  DATE, TIME        YYYY-MM-DD, YYYY-MM-DDTHH:MM[:SS] with Z, +HH:MM or nothing (local\n"
                      "                    time), or DD.MM.YYYY [HH:MM[:SS]]; a date covers its whole day\n"
                      "  --help, --version this text, the program's version\n"
                      "  write, restore and load show the unit's settings before and after, and on a terminal\n"
                      "  ask before writing.\n"
                      "  Prompts are asked when standard input is a terminal; otherwise the damaged-data\n"
                      "  prompt refuses the block and every other prompt is answered Cancel. Results go to\n"
                      "  standard output, messages and prompts to standard error.\n"
                      "  Language: Russian where LC_ALL, else LC_MESSAGES, else LANG names ru; else English.\n"
                      "\n"
                      "exit codes:\n"
                      "  0  done and verified: a read whose blocks passed their checks, or a damaged\n"
                      "     block taken by --accept-damaged or by the operator; a write whose read-back\n"
                      "     equalled the block sent\n"
                      "  1  refused before anything was sent: cannot be programmed, out of band,\n"
                      "     damaged data not accepted, writing locked\n"
                      "  2  bad command line\n"
                      "  3  the exchange failed before any block was sent: no adapter, no transmitter,\n"
                      "     time-out, refusals\n"
                      "  4  port unavailable: missing, in use, no permission, line settings refused\n"
                      "  5  a block was sent to the transmitter but not verified: the unit's state is unknown\n"
                      "     (also a write abandoned by a second signal, or one whose unit was swapped before\n"
                      "     it was to be written again)\n"
                      "  6  the journal cannot be used: missing, unreadable, corrupt, not a journal, of a\n"
                      "     newer version (journal, restore)\n"
                      "  7  the workshop's server cannot be reached or refused rows (journal --sync,\n"
                      "     journal --server, plan import)\n"
                      "\n"
                      "While a block is on the line or being verified, SIGINT, SIGTERM and SIGHUP let the\n"
                      "write and its verification finish; a second signal abandons it (exit 5).\n");

namespace {

int RunCommand(const std::string& command, const std::vector<std::string>& args, const Console& console)
{
    if (command == "calc")
        return RunCalc(args, console.out);
    if (command == "decode")
        return RunDecode(args, console.out);
    if (command == "ports")
        return RunPorts(args, console);
    if (command == "read")
        return RunRead(args, console);
    if (command == "write")
        return RunWrite(args, console);
    if (command == "restore")
        return RunRestore(args, console);
    if (command == "save")
        return RunSave(args, console);
    if (command == "load")
        return RunLoad(args, console);
    if (command == "journal")
        return RunJournal(args, console);
    if (command == "batch")
        return RunBatch(args, console);
    if (command == "plan")
        return RunPlan(args, console);
    if (command == "doctor")
        return RunDoctor(args, console);
    if (command == "--help" || command == "-h" || command == "help") {
        console.out << Utf8(CliText::tr(kUsage));
        return kExitOk;
    }
    if (command == "--version") {
        console.out << "torvctl " TORV_VERSION "\n";
        return kExitOk;
    }
    throw UsageError(Utf8(command.empty() ? CliText::tr("no command given")
                                          : CliText::tr("unknown command \"%1\"").arg(ToQString(command))));
}

int Fail(const CommandFailure& failure, bool json, const Console& console)
{
    PrintFailure(failure, console.err);
    if (failure.exitCode == kExitUsage)
        console.err << Utf8(CliText::tr("try: torvctl --help")) << "\n";
    if (json)
        PrintJson(FailureJson(failure), console.out);
    return failure.exitCode;
}

}  // namespace

int RunTorvctl(const std::vector<std::string>& words, const Console& console)
{
    const std::string command = words.empty() ? "" : words.front();
    const std::vector<std::string> args(words.empty() ? words.end() : std::next(words.begin()), words.end());
    const bool json = std::find(words.begin(), words.end(), "--json") != words.end();
    int code = kExitOk;
    try {
        code = RunCommand(command, args, console);
    } catch (const UsageError& error) {
        code = Fail({kExitUsage, "bad-command-line", error.what(), std::nullopt}, json, console);
    } catch (const std::exception& error) {
        code = Fail({kExitExchangeFailed, "exchange-failed", error.what(), std::nullopt}, json, console);
    }
    // The rows this run journaled go to the workshop's server before it ends, briefly.
    FinishOutbox(console);
    return code;
}

}  // namespace torv::cli
