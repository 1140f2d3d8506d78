#include "journal/outcome_kind.h"

#include <gtest/gtest.h>

#include "device/blocks.h"
#include "journal/unit_history.h"

namespace torv {
namespace {

// The journal's notes, of the window and of torvctl, read as one kind each; and the block
// each row shows the unit holding afterwards.
TEST(OutcomeOf, EachRowsNotesReadAsOneKind)
{
    const std::string blockRead(64, '1'), written(64, '2');
    const struct {
        const char* operation;
        const char* outcome;
        bool success;
        std::optional<int> exitCode;
        RowState state;
        OutcomeKind kind;
        const std::string* blockAfter;
    } cases[] = {
        {"read", "success", true, std::nullopt, RowState::Done, OutcomeKind::Read, &blockRead},
        {"read", "prompt G: Cancel (damaged data accepted)", false, std::nullopt, RowState::Done,
         OutcomeKind::ReadDamagedAccepted, &blockRead},
        {"write", "success after prompt C: Retry", true, std::nullopt, RowState::Done, OutcomeKind::WriteVerified,
         &written},
        {"write", "refused (W1)", false, std::nullopt, RowState::Done, OutcomeKind::RefusedNeedsTuning, &blockRead},
        {"write", "refused (W4): out", false, 1, RowState::Done, OutcomeKind::RefusedOutOfRange, &blockRead},
        {"write", "prompt H: Cancel", false, std::nullopt, RowState::Done, OutcomeKind::WriteNotVerified, nullptr},
        {"write", "exchange-failed (prompt I): x", false, 3, RowState::Done, OutcomeKind::TransmitterNotResponding,
         &blockRead},
        {"restore", "not-verified (prompt H): x", false, 5, RowState::Done, OutcomeKind::WriteNotVerified, nullptr},
        {"restore", "wrong-unit: x", false, 1, RowState::Done, OutcomeKind::RefusedWrongUnit, &blockRead},
        {"load", "wrong-type: x", false, 1, RowState::Done, OutcomeKind::RefusedWrongType, &blockRead},
        {"write", "declined: x", false, 1, RowState::Done, OutcomeKind::Declined, &blockRead},
        {"write", "write-locked: x", false, 1, RowState::Done, OutcomeKind::RefusedWriteLocked, &blockRead},
        {"write", "damaged-data (prompt G): x", false, 1, RowState::Done, OutcomeKind::RefusedDamagedData, &blockRead},
        {"read", "port busy", false, std::nullopt, RowState::Done, OutcomeKind::PortUnavailable, &blockRead},
        {"read", "port-unavailable: x", false, 4, RowState::Done, OutcomeKind::PortUnavailable, &blockRead},
        {"read", "prompt A: Retry; prompt B: Cancel", false, std::nullopt, RowState::Done, OutcomeKind::NoAdapter,
         &blockRead},
        {"read", "prompt E: Cancel", false, std::nullopt, RowState::Done, OutcomeKind::NoTransmitter, &blockRead},
        {"read", "ended without a reply", false, std::nullopt, RowState::Done, OutcomeKind::ExchangeFailed, &blockRead},
        {"write", "in progress", false, std::nullopt, RowState::InProgress, OutcomeKind::WriteInProgress, nullptr},
        {"write", "success", true, 0, RowState::Interrupted, OutcomeKind::WriteInterrupted, nullptr},
    };
    for (const auto& c : cases) {
        JournalEntry row;
        row.operation = c.operation;
        row.outcome = c.outcome;
        row.success = c.success;
        row.exitCode = c.exitCode;
        row.state = c.state;
        row.blockReadHex = blockRead;
        if (row.operation != "read")
            row.blockWrittenHex = row.readBackHex = written;
        EXPECT_EQ(OutcomeOf(row), c.kind) << c.outcome;
        const std::optional<ParameterBlock> after = BlockAfter(row);
        EXPECT_EQ(after.has_value(), c.blockAfter != nullptr) << c.outcome;
        if (after && c.blockAfter) {
            EXPECT_EQ(HexText(*after), *c.blockAfter) << c.outcome;
        }
    }
    EXPECT_STREQ(OutcomeKindName(OutcomeKind::RefusedOutOfRange), "refused-out-of-range");
}

}  // namespace
}  // namespace torv
