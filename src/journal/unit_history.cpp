#include "journal/unit_history.h"

#include <algorithm>
#include <cctype>

#include <QByteArray>

#include "device/checksum.h"
#include "journal/outcome_kind.h"

namespace torv {
namespace {

std::span<const std::uint8_t, kRecordSize> RecordAt(const ParameterBlock& block, std::size_t offset)
{
    return std::span<const std::uint8_t, kRecordSize>(block.data() + offset, kRecordSize);
}

}  // namespace

std::optional<ParameterBlock> BlockFromHex(const std::string& hex)
{
    ParameterBlock block{};
    const QByteArray text = QByteArray::fromStdString(hex);
    if (static_cast<std::size_t>(text.size()) != 2 * block.size())
        return std::nullopt;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
    const QByteArray bytes = QByteArray::fromHex(text);
    std::copy(bytes.begin(), bytes.end(), block.begin());
    return block;
}

std::optional<ParameterBlock> BlockAfter(const JournalEntry& row)
{
    switch (OutcomeOf(row)) {
    case OutcomeKind::WriteVerified:
        return BlockFromHex(row.readBackHex.empty() ? row.blockWrittenHex : row.readBackHex);
    case OutcomeKind::WriteNotVerified:
    case OutcomeKind::WriteInProgress:
    case OutcomeKind::WriteInterrupted: return std::nullopt;
    default: return BlockFromHex(row.blockReadHex);
    }
}

std::optional<JournalEntry> LastVerifiedWrite(const std::vector<JournalEntry>& rows)
{
    for (const JournalEntry& row : rows) {
        if (OutcomeOf(row) != OutcomeKind::WriteVerified)
            continue;
        if (const std::optional<ParameterBlock> before = BlockFromHex(row.blockReadHex); before && BlockSound(*before))
            return row;
    }
    return std::nullopt;
}

bool BlockSound(const ParameterBlock& block)
{
    return RecordIntact(RecordAt(block, kRecord1Offset)) &&
           (!Record2(block).InUse() || RecordIntact(RecordAt(block, kRecord2Offset)));
}

}  // namespace torv
