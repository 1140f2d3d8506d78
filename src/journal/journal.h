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

#include <QList>
#include <QVariant>

namespace torv {

// Where an operation's row stands. A write's row is made before its block goes out and
// completed when the write ends; a row whose writer ended without completing it (killed,
// the machine restarted, or the write abandoned) tells that the unit's state is unknown.
enum class RowState { Done, InProgress, Interrupted };
// "done", "in progress" or "interrupted", as the journal stores it.
const char* RowStateName(RowState state);

struct JournalEntry {
    std::string timeUtc;    // ISO 8601 with milliseconds; filled in by Append when empty
    std::string program;    // "window" or "torvctl"
    std::string operation;  // "read", "write", "restore" or "batch"
    std::string port;       // device path
    std::string adapter;    // the port's identity as the port list gives it
    std::string outcome;    // "success", or what ended the operation otherwise
    bool success = false;
    std::optional<int> exitCode;  // torvctl's
    std::optional<int> deviceType;
    std::string date;     // identity texts as read
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
};

// Which rows to list; empty fields do not filter.
struct JournalQuery {
    std::string serial{};
    std::string since{};  // ISO 8601 date or time, compared with the row's UTC time
    std::string until{};
    std::optional<bool> success{};
    std::optional<std::string> operation{};
    int limit = 0;  // 0: all
};

class Journal {
public:
    // The journal's file: $TORV_JOURNAL, else $XDG_DATA_HOME/torv-programmer/journal.sqlite
    // (~/.local/share when XDG_DATA_HOME is unset).
    static std::string DefaultPath();

    // Opens the journal at path, creating it (mode 0600) and bringing its schema up to
    // date. Check Error() afterwards.
    explicit Journal(const std::string& path);
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
    // Newest first.
    std::vector<JournalEntry> Find(const JournalQuery& query);

    static constexpr int kSchemaVersion = 2;

private:
    bool Fail(const std::string& what, const std::string& why);
    bool Migrate();
    bool Insert(JournalEntry& entry);
    // Runs sql with the entry's values bound in column order, then more.
    bool Write(const QString& sql, JournalEntry& entry, const QList<QVariant>& more = {},
               long long* insertedId = nullptr);

    std::string connection_;
    std::string error_;
    bool open_ = false;
};

}  // namespace torv
