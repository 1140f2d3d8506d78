#pragma once
// A unit's history as the journal tells it: which block each row shows the unit holding,
// and the block to go back to before the last verified write.

#include <optional>
#include <string>
#include <vector>

#include "device/blocks.h"
#include "journal/journal.h"

namespace torv {

// A block as the journal stores it (64 hex digits); nothing for anything else.
std::optional<ParameterBlock> BlockFromHex(const std::string& hex);

// The block the unit held when the row's operation had ended, where the row tells it:
// the block read, the block a verified write left, or the block read before a write that
// sent nothing. Nothing for a row without a block, and for a write whose end is unknown.
std::optional<ParameterBlock> BlockAfter(const JournalEntry& row);

// The newest verified write among rows (newest first) whose block before it is known and
// passes its check; nothing when there is none.
std::optional<JournalEntry> LastVerifiedWrite(const std::vector<JournalEntry>& rows);

// True when the block's records pass their check (record 2 only while in use).
bool BlockSound(const ParameterBlock& block);

}  // namespace torv
