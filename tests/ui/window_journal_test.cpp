// The window's reads and writes in the journal, written once each operation has ended.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace torv
