#pragma once
// The history of one unit as the journal holds it: when, what was done, its frequencies
// before and after, and how it ended, in plain Russian words. A row whose block is known
// can be chosen to be written back («Вернуть эти частоты»).

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

#include "device/blocks.h"
#include "journal/journal.h"

class QPushButton;
class QTableWidget;

namespace torv {

// The outcome of a row as the operator reads it: «Записано и проверено», ...
QString OutcomeText(const JournalEntry& row);
// The row's operation: «Чтение», «Запись», ...
QString OperationText(const std::string& operation);
// The row's frequencies, "146,0000 / 160,0000 → 150,0000"; decimalSeparator as the window shows them.
QString FrequencyChangeText(const JournalEntry& row, const QString& decimalSeparator);

class TUnitHistoryDialog : public QDialog {
public:
    // rows newest first, all of the unit serial.
    TUnitHistoryDialog(const std::string& serial, std::vector<JournalEntry> rows, const QString& decimalSeparator,
                       QWidget* parent = nullptr);

    // After exec() returned Accepted: the block of the row chosen to be written back.
    const std::optional<ParameterBlock>& Chosen() const { return chosen_; }

    QTableWidget* Table = nullptr;
    QPushButton* WriteBackButton = nullptr;

private:
    void SelectionChanged();
    void WriteBackClick();

    std::vector<JournalEntry> rows_;
    std::optional<ParameterBlock> chosen_;
};

}  // namespace torv
