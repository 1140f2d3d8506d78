#include "production/unit_journal.h"

#include <utility>

namespace torv {

UnitJournal::UnitJournal(RowOrigin origin, std::string operation, bool demo)
    : origin_(std::move(origin)), operation_(std::move(operation)), demo_(demo)
{
}

void UnitJournal::NoteRead(ProgrammingExchange& exchange)
{
    info_ = exchange.Info();
    read_ = exchange.Block();
}

JournalEntry UnitJournal::Entry(const UnitOnLine& unit) const
{
    JournalEntry entry;
    entry.program = origin_.program;
    entry.operation = operation_;
    entry.demo = demo_;
    entry.port = unit.devicePath;
    entry.adapter = unit.adapter;
    entry.bench = origin_.bench;
    entry.station = origin_.station;
    entry.operatorName = origin_.operatorName;
    entry.orderCode = origin_.orderCode;
    entry.runId = origin_.runId;
    entry.durationMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
    if (unit.notes.InfoReached() || read_)
        DescribeRead(entry, info_.value_or(unit.exchange.Info()), read_.value_or(unit.exchange.Block()));
    return entry;
}

bool UnitJournal::BeginWrite(Journal* journal, const UnitOnLine& unit, const ParameterBlock& block)
{
    written_ = block;
    writeRow_.reset();
    if (!journal)
        return true;
    JournalEntry entry = Entry(unit);
    entry.outcome = "in progress";
    DescribeWrite(entry, block, std::nullopt);
    writeRow_ = journal->BeginWrite(entry);
    return writeRow_.has_value();
}

bool UnitJournal::Finish(Journal* journal, const UnitOnLine& unit, const UnitEnding& ending)
{
    const std::optional<long long> row = std::exchange(writeRow_, std::nullopt);
    if (!journal)
        return true;
    JournalEntry entry = Entry(unit);
    entry.exitCode = ending.exitCode;
    entry.success = ending.exitCode == 0;
    entry.outcome = ending.failure               ? *ending.failure
                    : ending.damagedDataAccepted ? "success, damaged data accepted"
                                                 : "success";
    if (written_)
        DescribeWrite(entry, *written_, unit.exchange.ReadBack());
    if (ending.interrupted)
        entry.state = RowState::Interrupted;
    return row ? journal->Complete(*row, entry) : journal->Append(entry);
}

}  // namespace torv
