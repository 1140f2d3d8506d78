#include "ui/window_journal.h"

#include <iostream>

#include <QTimer>

#include "exchange/exchange_texts.h"

namespace torv {

TWindowJournal::TWindowJournal(JournalingHost& notes, ProgrammingExchange& exchange, std::string path,
                               std::function<std::string()> adapter)
    : notes_(notes), exchange_(exchange), path_(std::move(path)), adapter_(std::move(adapter))
{
    notes_.OnFinished = [this](ControlState end) { Finished(end); };
}

TWindowJournal::~TWindowJournal()
{
    notes_.OnFinished = nullptr;
}

JournalEntry TWindowJournal::NewEntry(const std::string& operation) const
{
    JournalEntry entry;
    entry.program = "window";
    entry.operation = operation;
    entry.port = exchange_.PortDevicePath();
    entry.adapter = adapter_ ? adapter_() : "";
    return entry;
}

void TWindowJournal::BeginRead()
{
    notes_.Begin();
    operation_ = "read";
}

void TWindowJournal::BeginWrite(const ParameterBlock& block)
{
    notes_.Begin();
    operation_ = "write";
    infoBefore_ = exchange_.Info();
    blockBefore_ = exchange_.Block();
    written_ = block;
}

void TWindowJournal::Refused(const Message& refusal)
{
    JournalEntry entry = NewEntry("write");
    entry.outcome = "refused (" + texts::MessageName(refusal) + ")";
    DescribeRead(entry, exchange_.Info(), exchange_.Block());
    AppendLater(std::move(entry));
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
        DescribeWrite(entry, entry.deviceType.value_or(0), written_, exchange_.ReadBack());
        // A success reached through a read (Retry after a time-out) verifies the write
        // only when the transmitter now holds the block sent.
        if (entry.success && exchange_.Block() != written_) {
            entry.success = false;
            entry.outcome = "not verified: " + entry.outcome;
        }
    }
    operation_.clear();
    AppendLater(std::move(entry));
}

void TWindowJournal::AppendLater(JournalEntry entry)
{
    if (path_.empty())
        return;
    // Posted, so that the row is written after the exchange's handler has returned.
    QTimer::singleShot(0, this, [this, entry = std::move(entry)] {
        if (!journal_) {
            journal_ = std::make_unique<Journal>(path_);
            if (!journal_->IsOpen())
                std::cerr << "torv-programmer: the journal is off: " << journal_->Error() << "\n";
        }
        if (journal_->IsOpen() && !journal_->Append(entry))
            std::cerr << "torv-programmer: " << journal_->Error() << "\n";
    });
}

}  // namespace torv
