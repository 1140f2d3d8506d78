// The window's reads and writes in the journal, written once each operation has ended.
#include <gtest/gtest.h>

#include <QFile>

#include "exchange/exchange_texts.h"
#include "journal/journal.h"
#include "main_form_fixture.h"
#include "ui/spin_edit.h"

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
    form->SpinEdit1->setText("146.0125");  // needs tuning: W1, nothing sent
    form->WriteButtonClick(form->WriteButton);
    ASSERT_EQ(messages.size(), 1u);
    form->SpinEdit1->setText("150.0000");
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
        form->SpinEdit1->setText("150.0000");
        form->WriteButtonClick(form->WriteButton);
        EXPECT_FALSE(form->close());  // refused while the block is on its way
        EXPECT_TRUE(form->isVisible());
        ASSERT_TRUE(RunUntil([&] { return !form->isVisible(); }, 10000));
        EXPECT_TRUE(messages.empty());  // prompt H, had it come, was answered Cancel unseen
        form.reset();  // the window's rows are written as it goes
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
