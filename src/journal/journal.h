#pragma once
// The journal: one row for every finished read, write, restore or batch unit of the
// window and torvctl, kept in an SQLite database so that anyone can later tell which
// frequencies a unit held, who changed them, and whether the change was verified.
//
// Several programs may write at once (write-ahead logging, a busy time-out). A journal
// that cannot be opened or written is reported by the result and never stops the
// programming that it records.

#include <optional>
#include <string>
#include <vector>

#include <QStringList>
#include <QVariantMap>

#include "journal/journal_time.h"

namespace torv {

struct WriterProcess;

// Where an operation's row stands. A write's row is made before its block goes out and
// completed when the write ends; a row whose writer ended without completing it (killed,
// the machine restarted, or the write abandoned) tells that the unit's state is unknown.
enum class RowState { Done, InProgress, Interrupted };
// "done", "in progress" or "interrupted", as the journal stores it.
const char* RowStateName(RowState state);

struct JournalEntry {
    std::string timeUtc;    // ISO 8601 with an offset; filled in by Append when empty, stored in UTC
    std::string program;    // "window", "torvctl", or "outbox" for a claim in conflict
    std::string operation;  // "read", "write", "restore" or "batch"
    std::string port;       // device path
    std::string adapter;    // the port's identity as the port list gives it
    std::string outcome;    // "success", or what ended the operation otherwise
    bool success = false;
    std::optional<int> exitCode;  // torvctl's
    std::optional<int> deviceType;
    std::string date;  // identity texts as read
    std::string serial;
    std::string version;
    std::string infoHex;          // the info block as read
    std::string blockReadHex;     // the parameter block as read
    std::string blockWrittenHex;  // for a write: the block sent
    std::string readBackHex;      // for a write: the block read back
    std::optional<double> f1BeforeMHz;
    std::optional<double> f2BeforeMHz;
    std::optional<double> f1AfterMHz;
    std::optional<double> f2AfterMHz;
    RowState state = RowState::Done;  // as stored; Find tells an interrupted write from a running one
    bool demo = false;                // made on the built-in emulated adapter (--demo), not a real unit
    // Where the row came from, for the workshop's shared record.
    std::string uuid;                     // the row's identity everywhere; made by the journal for each new row
    std::string bench;                    // the PC: a configured name, else its host name (filled in when empty)
    std::string station;                  // a batch row's station: its port
    std::string operatorName;             // who worked the bench; may be empty
    std::string orderCode;                // the order or lot; may be empty
    std::string programVersion;           // the version of the program that made the row (filled in when empty)
    std::optional<long long> durationMs;  // how long the operation took
    std::string runId;                    // the production run the row belongs to; may be empty
};

// Which rows to list; empty fields do not filter.
struct JournalQuery {
    std::string serial{};
    std::optional<JournalTime> since{};   // rows made at this instant or later
    std::optional<JournalTime> before{};  // rows made before this instant
    std::optional<bool> success{};
    std::optional<std::string> operation{};
    std::optional<bool> demo{};  // runs on the built-in emulated adapter only, or none of them
    std::string runId{};         // the rows of one production run
    int limit = 0;               // 0: all
};

// One unit of an order's plan, as the workshop's server holds it.
struct PlannedUnit {
    std::string serial;
    double f1MHz = 0;
    std::optional<double> f2MHz;    // none: one frequency
    std::optional<double> stepKHz;  // 12.5 or 25; none: the unit keeps its grid step
};

// A unit of an order claimed by this bench before it is written (workshop_claims.h): on
// the workshop's server while it answers, here alone while it is away.
struct ClaimRecord {
    std::string id;  // a UUID made with the claim: the server knows the claim by it
    std::string orderCode;
    std::string serial;
    std::string bench;
    std::string state = "claimed";  // then "done", or "failed", which frees the unit
    std::string onServer;           // the state the server has; empty: it has not got the claim
    std::string conflict;           // another bench that holds the unit too; empty: none
};

enum class JournalAccess {
    Write,     // the journal is created when missing and its schema brought up to date
    ReadOnly,  // nothing is created or changed; a missing journal is an error
};

// How SQLite keeps a transaction's changes until they are in the database.
enum class JournalMode {
    Wal,     // write-ahead log: readers and writers at once; refused on a network file system
    Delete,  // rollback journal: for a journal that must live on a network file system
};

class Journal {
public:
    // The journal's file: $TORV_JOURNAL, else $XDG_DATA_HOME/torv-programmer/journal.sqlite
    // (an absolute XDG_DATA_HOME, else $HOME/.local/share); empty when there is none.
    static std::string DefaultPath();

    // Opens the journal at path after checking its file and folder (see journal_file.h).
    // Without a mode, the setting journal/mode chooses it. Check Error() afterwards.
    explicit Journal(const std::string& path, JournalAccess access = JournalAccess::Write,
                     std::optional<JournalMode> mode = std::nullopt);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    bool IsOpen() const { return open_; }
    // Why the journal could not be opened, or why the last operation failed.
    const std::string& Error() const { return error_; }

    bool Append(JournalEntry entry);
    // A write's row, made before its block goes out: in progress, with this process as its
    // writer. Its id, or nothing when it could not be written.
    std::optional<long long> BeginWrite(JournalEntry entry);
    // Replaces every field of the row BeginWrite made; the entry's state says how it ended.
    bool Complete(long long id, JournalEntry entry);
    // Many rows in one transaction: all or none.
    bool AppendAll(std::vector<JournalEntry> entries);
    // Newest first; nothing when the journal cannot be read (Error() says why).
    std::optional<std::vector<JournalEntry>> Find(const JournalQuery& query);

    // The workshop's server's copy, kept by the outbox (journal_outbox.h). A row with its
    // id in this journal.
    struct LocalRow {
        long long id;
        JournalEntry entry;
    };
    // Rows not yet on the server, oldest first, demo rows never: those that have ended
    // (a write whose writer is gone as interrupted) and writes still in progress.
    std::optional<std::vector<LocalRow>> Unsent(int limit = 0);
    // The server has the row.
    bool MarkSent(long long id);
    // How the last attempt to reach the server went: empty error when it went well.
    struct ServerAttempt {
        std::string server;  // its connection string, passwords masked
        std::string error;
        std::string timeUtc;
    };
    bool NoteServerAttempt(const ServerAttempt& attempt);
    std::optional<ServerAttempt> LastServerAttempt();

    // This bench's claims (journal_claims.cpp). TakeClaim: true when the claim is made,
    // false when another of this bench's claims holds the unit (done, or not ended).
    std::optional<bool> TakeClaim(const ClaimRecord& claim);
    bool DropClaim(const std::string& id);
    bool FinishClaim(const std::string& id, const std::string& state);
    bool MarkClaimOnServer(const std::string& id, const std::string& state);
    bool NoteClaimConflict(const std::string& id, const std::string& otherBench);
    // Ended claims whose end the server has not got, oldest first; conflicts are not sent again.
    std::optional<std::vector<ClaimRecord>> ClaimsToSend();
    std::optional<std::vector<ClaimRecord>> ClaimConflicts();
    // The plan of an order as last read from the server, kept for while it is away.
    bool KeepPlan(const std::string& orderCode, const std::vector<PlannedUnit>& units);
    // Empty when none is kept.
    std::optional<std::vector<PlannedUnit>> KeptPlan(const std::string& orderCode);

    static constexpr int kSchemaVersion = 4;

    // "wal" or "delete" as the mode it names; nothing for any other text.
    static std::optional<JournalMode> ModeNamed(const std::string& name);

private:
    bool Fail(const std::string& what, const std::string& why);
    std::string Unusable() const;
    std::string NotWritten() const;
    bool FailNewer(int version);
    bool Migrate();
    bool SetMode(JournalMode mode);
    // Read-only: the schema is this version's or an older one, whose missing columns read
    // as empty.
    bool CheckSchema();
    bool Insert(JournalEntry& entry);
    // The claims and plans tables are there (schema 4 on).
    bool HasClaims() const { return open_ && !noTable_ && !missingColumns_.contains("sent"); }
    std::optional<std::vector<ClaimRecord>> SelectClaims(const QString& condition);
    // One statement on the claims, its values bound in order.
    bool ChangeClaims(const QString& statement, const QVariantList& values);
    std::optional<std::vector<LocalRow>> Select(const QStringList& conditions, const QVariantMap& values,
                                                const QString& order, int limit);
    // Inserts the entry as a new row (with its writer, when given), or replaces the row
    // replacing names; each column is bound by its name.
    bool Store(JournalEntry& entry, const WriterProcess* writer, std::optional<long long> replacing,
               long long* insertedId = nullptr);

    std::string connection_;
    std::string path_;
    QStringList missingColumns_;
    bool noTable_ = false;  // read-only, and nothing has been written yet
    std::string error_;
    bool open_ = false;
};

}  // namespace torv
