#include "journal/journal_outbox.h"

#include <algorithm>
#include <utility>

#include "journal/journal_server.h"

namespace torv {
namespace {

constexpr std::chrono::milliseconds kFirstPause{250};
constexpr std::chrono::milliseconds kLongestPause{60000};
constexpr int kRowsAPass = 200;

// The journal's row for a unit that this bench programmed while the server was away and
// another bench claimed meanwhile: told, never resolved.
JournalEntry ConflictRow(const ClaimRecord& claim, const std::string& otherBench)
{
    JournalEntry row;
    row.program = "outbox";
    row.operation = "claim";
    row.serial = claim.serial;
    row.orderCode = claim.orderCode;
    row.bench = claim.bench;
    row.outcome = "conflict: unit " + claim.serial + " of order " + claim.orderCode + " was claimed at bench " +
                  otherBench + " too, while this bench's claim waited for the server";
    return row;
}

}  // namespace

JournalOutbox::JournalOutbox(std::string journalPath, std::string server, std::optional<JournalMode> mode)
    : journalPath_(std::move(journalPath)), server_(std::move(server)), mode_(mode), thread_([this] { Work(); })
{
}

JournalOutbox::~JournalOutbox()
{
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void JournalOutbox::Nudge()
{
    {
        const std::lock_guard lock(mutex_);
        nudged_ = true;
        progress_.drained = false;
    }
    wake_.notify_all();
}

JournalOutbox::Progress JournalOutbox::Drain(std::chrono::milliseconds within)
{
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, within, [this] { return progress_.drained && !nudged_; });
    return progress_;
}

JournalOutbox::Progress JournalOutbox::Current()
{
    const std::lock_guard lock(mutex_);
    return progress_;
}

void JournalOutbox::Work()
{
    // Both connections belong to this thread: made, used and closed here.
    Journal journal(journalPath_, JournalAccess::Write, mode_);
    JournalServer server(server_);
    std::chrono::milliseconds pause = kFirstPause;
    std::unique_lock lock(mutex_);
    while (!stop_) {
        nudged_ = false;
        lock.unlock();
        const bool passed = SendWaiting(journal, server);
        lock.lock();
        changed_.notify_all();
        if (passed) {
            pause = kFirstPause;
            wake_.wait(lock, [this] { return stop_.load() || nudged_; });
        } else {
            // The server is away, or refused a row: try again later, whatever nudges.
            wake_.wait_for(lock, pause, [this] { return stop_.load(); });
            pause = std::min(pause * 2, kLongestPause);
        }
    }
}

std::string JournalOutbox::SendClaims(Journal& journal, JournalServer& server)
{
    const std::optional<std::vector<ClaimRecord>> claims = journal.ClaimsToSend();
    if (!claims)
        return journal.Error();
    for (const ClaimRecord& claim : *claims) {
        if (stop_)
            break;
        if (!claim.onServer.empty()) {  // granted by the server; its end was not sent
            if (!server.FinishClaim(claim.id, claim.state))
                return server.Error();
        } else {  // made while the server was away
            const JournalServer::ServerClaim answer = server.Claim(claim);
            if (answer.answer == JournalServer::ClaimAnswer::Unanswered)
                return server.Error();
            if (answer.answer == JournalServer::ClaimAnswer::Held) {
                if (!journal.NoteClaimConflict(claim.id, answer.holder) ||
                    !journal.Append(ConflictRow(claim, answer.holder)))
                    return journal.Error();
                continue;
            }
        }
        if (!journal.MarkClaimOnServer(claim.id, claim.state))
            return journal.Error();
    }
    return {};
}

bool JournalOutbox::SendWaiting(Journal& journal, JournalServer& server)
{
    std::string error = journal.IsOpen() ? SendClaims(journal, server) : std::string();
    long long sent = 0;
    long long waiting = 0;  // ended rows left unsent by the last look
    for (bool more = true; more && error.empty() && !stop_;) {
        const std::optional<std::vector<Journal::LocalRow>> rows =
            journal.IsOpen() ? journal.Unsent(kRowsAPass) : std::nullopt;
        if (!rows) {
            error = journal.Error();
            break;
        }
        waiting = 0;
        long long sentNow = 0;
        for (const Journal::LocalRow& row : *rows) {
            if (row.entry.state == RowState::InProgress)
                continue;  // sent once the write has ended
            if (error.empty() && !stop_) {
                if (!server.Insert(row.entry))
                    error = server.Error();
                else if (!journal.MarkSent(row.id))
                    error = journal.Error();
                else
                    ++sentNow;
            }
            waiting += error.empty() && !stop_ ? 0 : 1;
        }
        sent += sentNow;
        // A full pass with rows sent may have more behind it.
        more = rows->size() == static_cast<std::size_t>(kRowsAPass) && sentNow > 0;
    }
    if (journal.IsOpen())
        journal.NoteServerAttempt({server.Shown(), error, ""});
    const std::lock_guard lock(mutex_);
    progress_.sent += sent;
    progress_.waiting = waiting;
    progress_.lastError = error;
    progress_.drained = error.empty() && waiting == 0;
    return error.empty();
}

}  // namespace torv
