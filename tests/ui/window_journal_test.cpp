// The window's reads and writes in the journal, written once each operation has ended.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "main_form_fixture.h"
#include "exchange/exchange_texts.h"
#include "journal/journal.h"
#include "journal/outcome_kind.h"
#include "ui/controls/drop_combo.h"
#include "ui/controls/spin_edit.h"
#include "ui/port_choice.h"
#include "ui/unit_history_dialog.h"

namespace torv {
namespace {

class WindowJournalTest : public MainFormTest {
protected:
    WindowJournalTest() { journalPath = dir.filePath("journal.sqlite").toStdString(); }

    std::vector<JournalEntry> Rows(std::size_t expected)
    {
        std::vector<JournalEntry> rows;
        RunUntil([&] {
            rows = Journal(journalPath).Find({}).value_or(std::vector<JournalEntry>{});
            return rows.size() >= expected;
        });
        return rows;
    }

    QTemporaryDir dir;
};

TEST_F(WindowJournalTest, ReadRefusedWriteVerifiedWriteAndAbortEachLeaveARow)
{
    Create();
    ASSERT_TRUE(Read());
    ui.SpinEdit1->setText("146.0125");  // needs tuning: W1, nothing sent
    form->WriteButtonClick(ui.WriteButton);
    ASSERT_EQ(messages.size(), 1u);
    ui.SpinEdit1->setText("150.0000");
    ASSERT_TRUE(Write());
    EmulatorFaults silent;
    silent.silent[AdapterCommand::InfoRequest] = kAlways;
    emulator->SetFaults(silent);
    EXPECT_FALSE(Read());  // prompt I, answered Cancel

    const std::vector<JournalEntry> rows = Rows(4);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].operation, "read");
    EXPECT_EQ(rows[0].outcome, "prompt I: Cancel");
    EXPECT_FALSE(rows[0].success);

    const JournalEntry& write = rows[1];
    EXPECT_EQ(write.program, "window");
    EXPECT_TRUE(write.success) << write.outcome;
    EXPECT_EQ(write.port, emulator->SlavePath());
    EXPECT_EQ(write.f1BeforeMHz, 146.0);
    EXPECT_EQ(write.f1AfterMHz, 150.0);
    EXPECT_EQ(write.readBackHex, write.blockWrittenHex);

    EXPECT_EQ(rows[2].outcome, "refused (W1)");
    EXPECT_TRUE(rows[2].blockWrittenHex.empty());
    EXPECT_EQ(rows[3].operation, "read");
    EXPECT_EQ(rows[3].outcome, "success");
    EXPECT_EQ(rows[3].serial, "13071234");
}

// «Выход» while a block is on its way into the transmitter: the window stays until the
// write has ended, shows no prompt meanwhile, and its row tells how the write ended.
TEST_F(WindowJournalTest, ClosingDuringAWriteWaitsForTheWriteToEnd)
{
    struct Case {
        const char* what;
        int corruptReadbacks;
        bool verified;
    };
    for (const Case& c : {Case{"verified", 0, true}, Case{"read-back differs", kAlways, false}}) {
        SCOPED_TRACE(c.what);
        QFile::remove(QString::fromStdString(journalPath));
        Create();
        form->show();
        ASSERT_TRUE(Read());
        EmulatorFaults faults;
        faults.corruptReadbackCount = c.corruptReadbacks;
        emulator->SetFaults(faults);
        messages.clear();
        ui.SpinEdit1->setText("150.0000");
        form->WriteButtonClick(ui.WriteButton);
        EXPECT_FALSE(form->close());  // refused while the block is on its way
        EXPECT_TRUE(form->isVisible());
        ASSERT_TRUE(RunUntil([&] { return !form->isVisible(); }, 10000));
        EXPECT_TRUE(messages.empty());  // prompt H, had it come, was answered Cancel unseen
        form.reset();                   // the window's rows are written as it goes
        const std::vector<JournalEntry> rows = Journal(journalPath).Find({}).value();
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0].operation, "write");
        EXPECT_EQ(rows[0].state, RowState::Done);
        EXPECT_EQ(rows[0].success, c.verified) << rows[0].outcome;
        EXPECT_EQ(rows[0].outcome, c.verified ? "success" : "prompt H: Cancel");
    }
}

}  // namespace
}  // namespace torv

namespace torv {
namespace {

// The window menu: a right-click on the caption and Alt+Space open it, with the unit's
// history and its undo between the window commands and «Закрыть».
TEST_F(WindowJournalTest, WindowMenuOpensFromTheCaptionWithTheHistoryItems)
{
    Create();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const auto itemTexts = [this] {
        QStringList texts;
        for (const QAction* action : form->WindowMenu()->actions())
            texts << action->text();
        return texts;
    };
    QTest::mouseClick(form.get(), Qt::RightButton, {}, QPoint(100, 12));
    ASSERT_TRUE(form->WindowMenu());
    EXPECT_EQ(itemTexts(), (QStringList{"&Восстановить", "&Свернуть", "", "Журнал устройства…",
                                        "Вернуть прежние частоты…", "", "&Закрыть   ALt + F4"}));
    EXPECT_EQ(ui.JournalItem->shortcut(), QKeySequence("Ctrl+J"));
    EXPECT_EQ(ui.RestoreItem->shortcut(), QKeySequence("Ctrl+Alt+Z"));
    form->WindowMenu()->hide();
    QTest::mouseClick(form.get(), Qt::LeftButton, {}, QPoint(100, 100));  // outside: the menu goes
    EXPECT_FALSE(form->WindowMenu());
    form->activateWindow();
    QTest::keyClick(form.get(), Qt::Key_Space, Qt::AltModifier);
    EXPECT_TRUE(form->WindowMenu());
}

// Undo, declined and confirmed; the history with its rows in words; a row's block
// written back; another unit refused. Each is journaled.
TEST_F(WindowJournalTest, HistoryAndUndoWriteAJournaledBlockBackAfterAReadAndAConfirmation)
{
    Create();
    const ParameterBlock original = emulator->StoredBlock();
    ASSERT_TRUE(Read());
    ui.SpinEdit1->setText("190.0000");  // out of the band: W3, nothing sent
    form->WriteButtonClick(ui.WriteButton);
    ui.SpinEdit1->setText("150.0000");
    ASSERT_TRUE(Write());
    const ParameterBlock written = emulator->StoredBlock();
    ASSERT_NE(written, original);
    Rows(3);

    const auto writeBackEnded = [this](const ParameterBlock& expected) {
        return RunUntil([&] { return ui.ReadButton->isEnabled() && emulator->StoredBlock() == expected; });
    };
    messages.clear();
    answers = {Answer::Cancel};  // at the confirmation
    form->RestoreItemClick(ui.RestoreItem);
    ASSERT_TRUE(RunUntil([&] { return messages.size() == 1 && ui.ReadButton->isEnabled(); }));
    EXPECT_EQ(messages[0].flags, MessageFlags::kOkCancelQuestion);
    EXPECT_NE(messages[0].text.find("Частота №1: 150.0000 → 146.0000 МГц"), std::string::npos) << messages[0].text;
    EXPECT_EQ(emulator->StoredBlock(), written);

    answers = {Answer::Ok};
    form->RestoreItemClick(ui.RestoreItem);
    ASSERT_TRUE(writeBackEnded(original));
    EXPECT_EQ(ui.SpinEdit1->text(), "146.0000");

    // The history: newest first, in words; the verified write's row gives back 150 MHz.
    QStringList outcomes;
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<TUnitHistoryDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->windowTitle(), "Журнал устройства № 13071234");
        for (int row = 0; row < dialog->Table->rowCount(); ++row)
            outcomes << dialog->Table->item(row, 3)->text();
        dialog->Table->selectRow(static_cast<int>(outcomes.indexOf("Записано и проверено", 3)));
        EXPECT_TRUE(dialog->WriteBackButton->isEnabled());
        dialog->WriteBackButton->click();
    });
    answers = {Answer::Ok};
    form->JournalItemClick(ui.JournalItem);
    EXPECT_EQ(outcomes, (QStringList{"Записано и проверено", "Считано", "Не подтверждено: ничего не записано",
                                     "Считано", "Записано и проверено", "Отказано: частота вне диапазона", "Считано"}));
    ASSERT_TRUE(writeBackEnded(written));

    // Another unit on the line: refused after its read, nothing written.
    TransmitterIdentity other;
    other.serial = 4321;
    emulator->SetContents(MakeContents(other));
    const ParameterBlock otherBlock = emulator->StoredBlock();
    messages.clear();
    form->RestoreItemClick(ui.RestoreItem);
    ASSERT_TRUE(RunUntil([&] { return !messages.empty(); }));
    EXPECT_NE(messages[0].text.find("Подключён передатчик № 13074321"), std::string::npos) << messages[0].text;
    EXPECT_EQ(emulator->StoredBlock(), otherBlock);

    const std::vector<JournalEntry> rows = Rows(11);
    EXPECT_EQ(OutcomeOf(rows[0]), OutcomeKind::RefusedWrongUnit);
    EXPECT_EQ(rows[0].operation, "restore");
    EXPECT_EQ(OutcomeOf(rows[2]), OutcomeKind::WriteVerified);
    EXPECT_EQ(rows[2].operation, "restore");
}

// The demo line is offered as «Демо», marked in the journal, never remembered.
TEST_F(WindowJournalTest, TheDemoLineIsNamedMarkedAndNotRemembered)
{
    RememberPort("ttyUSB5");
    demo = true;
    Create();
    EXPECT_EQ(ui.CommComboBox->Text(), "Демо");
    EXPECT_TRUE(ui.CommComboBox->ItemToolTip(0).endsWith(QString::fromStdString(emulator->SlavePath())));
    ASSERT_TRUE(Read());
    EXPECT_EQ(RememberedPort(), "ttyUSB5");
    const std::vector<JournalEntry> rows = Rows(1);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0].demo);
    EXPECT_EQ(rows[0].port, emulator->SlavePath());
}

}  // namespace
}  // namespace torv
