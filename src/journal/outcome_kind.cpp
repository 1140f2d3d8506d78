#include "journal/outcome_kind.h"

#include <utility>

namespace torv {
namespace {

bool Has(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

// The letter of the last exchange prompt the notes name, or 0.
char LastPromptLetter(const std::string& outcome)
{
    const std::size_t at = outcome.rfind("prompt ");
    return at == std::string::npos || at + 7 >= outcome.size() ? 0 : outcome[at + 7];
}

OutcomeKind ByPrompt(char letter)
{
    switch (letter) {
    case 'A':
    case 'B':
    case 'C': return OutcomeKind::NoAdapter;
    case 'D': return OutcomeKind::DeviceTypeRefused;
    case 'E': return OutcomeKind::NoTransmitter;
    case 'F': return OutcomeKind::NotATransmitter;
    case 'G': return OutcomeKind::RefusedDamagedData;
    case 'H': return OutcomeKind::WriteNotVerified;
    case 'I': return OutcomeKind::TransmitterNotResponding;
    default: return OutcomeKind::ExchangeFailed;
    }
}

const std::pair<OutcomeKind, const char*> kNames[] = {
    {OutcomeKind::Read, "read"},
    {OutcomeKind::ReadDamagedAccepted, "read-damaged-accepted"},
    {OutcomeKind::WriteVerified, "write-verified"},
    {OutcomeKind::WriteNotVerified, "write-not-verified"},
    {OutcomeKind::WriteInProgress, "write-in-progress"},
    {OutcomeKind::WriteInterrupted, "write-interrupted"},
    {OutcomeKind::RefusedNeedsTuning, "refused-needs-tuning"},
    {OutcomeKind::RefusedOutOfRange, "refused-out-of-range"},
    {OutcomeKind::RefusedDamagedData, "refused-damaged-data"},
    {OutcomeKind::RefusedWriteLocked, "refused-write-locked"},
    {OutcomeKind::RefusedWrongUnit, "refused-wrong-unit"},
    {OutcomeKind::RefusedWrongType, "refused-wrong-type"},
    {OutcomeKind::Declined, "declined"},
    {OutcomeKind::PortUnavailable, "port-unavailable"},
    {OutcomeKind::NoAdapter, "no-adapter"},
    {OutcomeKind::DeviceTypeRefused, "device-type-refused"},
    {OutcomeKind::NoTransmitter, "no-transmitter"},
    {OutcomeKind::NotATransmitter, "not-a-transmitter"},
    {OutcomeKind::TransmitterNotResponding, "transmitter-not-responding"},
    {OutcomeKind::ExchangeFailed, "exchange-failed"},
};

}  // namespace

OutcomeKind OutcomeOf(const JournalEntry& row)
{
    const std::string& outcome = row.outcome;
    if (row.state == RowState::InProgress)
        return OutcomeKind::WriteInProgress;
    if (row.state == RowState::Interrupted)
        return OutcomeKind::WriteInterrupted;
    const bool read = row.operation == "read";
    if (read && Has(outcome, "damaged data accepted"))
        return OutcomeKind::ReadDamagedAccepted;
    if (row.success)
        return read ? OutcomeKind::Read : OutcomeKind::WriteVerified;
    if (Has(outcome, "(W1)") || Has(outcome, "(W2)"))
        return OutcomeKind::RefusedNeedsTuning;
    if (Has(outcome, "(W3)") || Has(outcome, "(W4)"))
        return OutcomeKind::RefusedOutOfRange;
    if (outcome.starts_with("wrong-unit"))
        return OutcomeKind::RefusedWrongUnit;
    if (outcome.starts_with("wrong-type"))
        return OutcomeKind::RefusedWrongType;
    if (outcome.starts_with("declined"))
        return OutcomeKind::Declined;
    if (outcome.starts_with("write-locked"))
        return OutcomeKind::RefusedWriteLocked;
    if (outcome.starts_with("damaged-data"))
        return OutcomeKind::RefusedDamagedData;
    if (outcome.starts_with("port-unavailable") || outcome == "port busy")
        return OutcomeKind::PortUnavailable;
    // torvctl's exit code tells whether a block went out; the window's write sends its
    // block on the port its read left open, so a write of its that failed is unconfirmed.
    const bool sent = row.exitCode ? *row.exitCode == 5 : !read && !row.blockWrittenHex.empty();
    if (sent || outcome.starts_with("not-verified") || outcome.starts_with("not verified"))
        return OutcomeKind::WriteNotVerified;
    return ByPrompt(LastPromptLetter(outcome));
}

const char* OutcomeKindName(OutcomeKind kind)
{
    for (const auto& [value, name] : kNames)
        if (value == kind)
            return name;
    return "exchange-failed";
}

}  // namespace torv
