#pragma once
// The journal's operations table, column by column: how each column is declared, which
// schema version added it, and which field of a row it holds. The schema, its migrations
// and every statement that reads or writes rows are made from this one list.

#include <functional>
#include <vector>

#include <QString>
#include <QStringList>
#include <QVariant>

#include "journal/journal.h"
#include "journal/writer_process.h"

namespace torv {

// A row as stored: the entry and, for a write's row, the process writing it.
struct StoredRow {
    JournalEntry entry;
    WriterProcess writer;
};

// Which stores of a row set a column.
enum class SetBy {
    Every,       // every insert and every completion
    Insert,      // only the insert that makes the row: its identity
    BeginWrite,  // only the insert of a write's row: its writer
};

// One column of the operations table: its name, its type and constraints, the schema
// version that added it, and the field of a stored row it holds.
struct Column {
    QString name;
    QString declaration;
    int since;
    SetBy setBy;
    std::function<QVariant(const StoredRow&)> get;
    std::function<void(StoredRow&, const QVariant&)> set;
};

// The columns in the table's order.
const std::vector<Column>& JournalColumns();

// The statements that bring a journal of schema version - 1 to version.
QStringList MigrationStep(int version);

// The columns a row's insert (with its writer or not) or completion sets.
std::vector<const Column*> ColumnsToSet(bool insert, bool withWriter);

// A row's state from the name the journal stores.
RowState StateNamed(const QString& name);

}  // namespace torv
