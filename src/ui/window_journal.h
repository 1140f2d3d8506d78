#pragma once
// The window's journal rows: one for every read and write the operator starts, appended
// once the exchange has come to rest (never while it runs), and one for a write the
// checks refused. A journal that cannot be opened costs one line on standard error.

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "exchange/programming_exchange.h"
#include "journal/journal.h"
#include "journal/operation_record.h"

namespace torv {

class TWindowJournal : public QObject {
public:
    // path empty: nothing is recorded. adapter gives the chosen port's identity.
    TWindowJournal(JournalingHost& notes, ProgrammingExchange& exchange, std::string path,
                   std::function<std::string()> adapter);
    ~TWindowJournal() override;

    void BeginRead();
    // Before the exchange sends block: the transmitter as last read is the "before".
    void BeginWrite(const ParameterBlock& block);
    // A write the checks refused (W1 to W4): nothing was sent.
    void Refused(const Message& refusal);

private:
    JournalEntry NewEntry(const std::string& operation) const;
    void Finished(ControlState end);
    void AppendLater(JournalEntry entry);

    JournalingHost& notes_;
    ProgrammingExchange& exchange_;
    std::string path_;
    std::function<std::string()> adapter_;
    std::unique_ptr<Journal> journal_;
    std::string operation_;  // the operation running, empty when none
    InfoBlock infoBefore_{};
    ParameterBlock blockBefore_{};
    ParameterBlock written_{};
};

}  // namespace torv
