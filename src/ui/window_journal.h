#pragma once
// The window's journal rows: one for every read and write the operator starts, and one
// for a write the checks refused. A write's row is made before its block goes out and
// completed once the exchange has come to rest; other rows are appended then. Rows are
// written after the exchange's handler has returned, and at the latest when the window
// goes. A journal that cannot be opened costs one line on standard error. With a workshop
// server configured ($TORV_JOURNAL_SERVER or the setting journal/server), the rows go to
// it through the journal's outbox.

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exchange/programming_exchange.h"
#include "journal/journal.h"
#include "journal/journal_settings.h"
#include "production/operation_record.h"

namespace torv {

class JournalOutbox;

class TWindowJournal : public QObject {
public:
    // path empty: nothing is recorded. adapter gives the chosen port's identity.
    TWindowJournal(JournalingHost& notes, ProgrammingExchange& exchange, std::string path,
                   std::function<std::string()> adapter);
    ~TWindowJournal() override;

    // Rows made on this device are marked as runs on the built-in emulated adapter.
    void SetDemoPort(std::string path) { demoPort_ = std::move(path); }

    void BeginRead();
    // Before the exchange sends block: the transmitter as last read is the "before".
    // operation: "write", or "restore" for a block brought back from the journal.
    void BeginWrite(const ParameterBlock& block, const std::string& operation = "write");
    // A write the checks refused (W1 to W4): nothing was sent.
    void Refused(const Message& refusal, const std::string& operation = "write");
    // A write refused for another reason, told in the journal's words.
    void Refused(const std::string& outcome, const std::string& operation);

private:
    struct PendingRow {
        JournalEntry entry;
        std::optional<long long> id;  // the write's row to complete; nothing: a new row
    };

    JournalEntry NewEntry(const std::string& operation) const;
    void Finished(ControlState end);
    void WriteLater(JournalEntry entry, std::optional<long long> id = std::nullopt);
    void WritePending();
    // The journal, opened on first use; nothing when it cannot be used.
    Journal* Opened();
    void Warn(const std::string& text) const;

    JournalingHost& notes_;
    ProgrammingExchange& exchange_;
    std::string path_;
    JournalSettings settings_;  // as read when the window started
    std::string server_;        // the workshop's server; empty: none
    std::string demoPort_;
    std::function<std::string()> adapter_;
    std::unique_ptr<Journal> journal_;
    std::unique_ptr<JournalOutbox> outbox_;  // made with the first row to send
    std::vector<PendingRow> pending_;
    std::string operation_;              // the operation running, empty when none
    std::optional<long long> writeRow_;  // the running write's row
    InfoBlock infoBefore_{};
    ParameterBlock blockBefore_{};
    ParameterBlock written_{};
};

}  // namespace torv
