#include "ui/window_journal.h"

#include <iostream>
#include <utility>

#include <QTimer>

#include "exchange/exchange_texts.h"
#include "journal/journal_outbox.h"
#include "journal/journal_server.h"
#include "journal/journal_settings.h"

namespace torv {

TWindowJournal::TWindowJournal(JournalingHost& notes, ProgrammingExchange& exchange, std::string path,
                               std::function<std::string()> adapter)
    : notes_(notes),
      exchange_(exchange),
      path_(std::move(path)),
      settings_(ReadJournalSettings()),
      server_(settings_.server),
      adapter_(std::move(adapter))
{
    if (const std::string problem = ServerStringProblem(server_); !problem.empty() && !path_.empty()) {
        Warn("the journal's rows are not sent to the workshop's server: " + problem);
        server_.clear();
    }
    notes_.OnFinished = [this](ControlState end) { Finished(end); };
}

TWindowJournal::~TWindowJournal()
{
    notes_.OnFinished = nullptr;
    WritePending();
}

JournalEntry TWindowJournal::NewEntry(const std::string& operation) const
{
    JournalEntry entry;
    entry.program = "window";
    entry.operation = operation;
    entry.port = exchange_.PortDevicePath();
    entry.adapter = adapter_ ? adapter_() : "";
    entry.demo = !demoPort_.empty() && entry.port == demoPort_;
    entry.operatorName = settings_.operatorName;
    return entry;
}

void TWindowJournal::BeginRead()
{
    notes_.Begin();
    operation_ = "read";
}

void TWindowJournal::BeginWrite(const ParameterBlock& block, const std::string& operation)
{
    notes_.Begin();
    operation_ = operation;
    infoBefore_ = exchange_.Info();
    blockBefore_ = exchange_.Block();
    written_ = block;
    // Made now, before the block goes out: a write cut short (the program killed, the power
    // gone) stays on record, as interrupted.
    writeRow_.reset();
    JournalEntry entry = NewEntry(operation_);
    entry.outcome = "in progress";
    DescribeRead(entry, infoBefore_, blockBefore_);
    DescribeWrite(entry, written_, std::nullopt);
    if (Journal* journal = Opened()) {
        writeRow_ = journal->BeginWrite(entry);
        if (!writeRow_)
            Warn(journal->Error());
    }
}

void TWindowJournal::Refused(const Message& refusal, const std::string& operation)
{
    Refused("refused (" + texts::MessageName(refusal) + ")", operation);
}

void TWindowJournal::Refused(const std::string& outcome, const std::string& operation)
{
    JournalEntry entry = NewEntry(operation);
    entry.outcome = outcome;
    DescribeRead(entry, exchange_.Info(), exchange_.Block());
    WriteLater(std::move(entry));
}

void TWindowJournal::Finished(ControlState end)
{
    if (operation_.empty())
        return;
    JournalEntry entry = NewEntry(operation_);
    entry.outcome = notes_.Outcome(end);
    entry.success = notes_.Succeeded(end);
    if (operation_ == "read") {
        if (notes_.InfoReached())
            DescribeRead(entry, exchange_.Info(), exchange_.Block());
    } else {
        DescribeRead(entry, infoBefore_, blockBefore_);
        DescribeWrite(entry, written_, exchange_.ReadBack());
        // A success reached through a read (Retry after a time-out) verifies the write
        // only when the transmitter now holds the block sent.
        if (entry.success && exchange_.Block() != written_) {
            entry.success = false;
            entry.outcome = "not verified: " + entry.outcome;
        }
    }
    operation_.clear();
    WriteLater(std::move(entry), std::exchange(writeRow_, std::nullopt));
}

void TWindowJournal::WriteLater(JournalEntry entry, std::optional<long long> id)
{
    if (path_.empty())
        return;
    // Written after the exchange's handler has returned.
    if (pending_.empty())
        QTimer::singleShot(0, this, [this] { WritePending(); });
    pending_.push_back({std::move(entry), id});
}

void TWindowJournal::WritePending()
{
    bool toSend = false;
    for (PendingRow& row : std::exchange(pending_, {})) {
        Journal* journal = Opened();
        if (journal && !(row.id ? journal->Complete(*row.id, row.entry) : journal->Append(row.entry)))
            Warn(journal->Error());
        else if (journal)
            toSend = toSend || !row.entry.demo;
    }
    // The workshop's server gets the rows from the outbox's own thread, never from this one.
    if (toSend && !server_.empty()) {
        if (!outbox_)
            outbox_ = std::make_unique<JournalOutbox>(path_, server_);
        outbox_->Nudge();
    }
}

Journal* TWindowJournal::Opened()
{
    if (path_.empty())
        return nullptr;
    if (!journal_) {
        journal_ = std::make_unique<Journal>(path_);
        if (!journal_->IsOpen())
            Warn("the journal is off: " + journal_->Error());
    }
    return journal_->IsOpen() ? journal_.get() : nullptr;
}

void TWindowJournal::Warn(const std::string& text) const
{
    std::cerr << "torv-programmer: " << text << "\n";
}

}  // namespace torv
