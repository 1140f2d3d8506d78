#include "journal/workshop_claims.h"

#include <algorithm>
#include <utility>

#include <QUuid>

namespace torv {
namespace {

constexpr std::chrono::milliseconds kFirstPause{250};
constexpr std::chrono::milliseconds kLongestPause{60000};

}  // namespace

WorkshopClaims::WorkshopClaims(std::string server, std::string orderCode, std::string bench, Journal& journal)
    : server_(std::move(server)),
      orderCode_(std::move(orderCode)),
      bench_(std::move(bench)),
      journal_(journal),
      pause_(kFirstPause)
{
}

void WorkshopClaims::ServerAway()
{
    askAgainAt_ = std::chrono::steady_clock::now() + pause_;
    pause_ = std::min(pause_ * 2, kLongestPause);
}

WorkshopClaims::Claimed WorkshopClaims::Claim(const std::string& serial)
{
    ClaimRecord claim;
    claim.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
    claim.orderCode = orderCode_;
    claim.serial = serial;
    claim.bench = bench_;
    const std::optional<bool> taken = journal_.TakeClaim(claim);
    if (!taken)
        return {Answer::NotKept, claim.id, journal_.Error()};
    if (!*taken)
        return {Answer::HeldHere, claim.id, {}};
    if (!ServerDue())
        return {Answer::GrantedHere, claim.id, server_.Error()};
    const JournalServer::ServerClaim answer = server_.Claim(claim);
    switch (answer.answer) {
    case JournalServer::ClaimAnswer::Granted:
        pause_ = kFirstPause;
        journal_.MarkClaimOnServer(claim.id, claim.state);  // else sent again later, and known as its own
        return {Answer::Granted, claim.id, {}};
    case JournalServer::ClaimAnswer::Held:
        pause_ = kFirstPause;
        if (!journal_.DropClaim(claim.id))
            return {Answer::NotKept, claim.id, journal_.Error()};
        return {Answer::HeldElsewhere, claim.id, answer.holder};
    case JournalServer::ClaimAnswer::Unanswered: break;
    }
    ServerAway();
    return {Answer::GrantedHere, claim.id, server_.Error()};
}

bool WorkshopClaims::Finish(const Claimed& claim, bool programmed)
{
    if (!claim.Granted())
        return true;
    const std::string state = programmed ? "done" : "failed";
    if (!journal_.FinishClaim(claim.id, state))
        return false;
    // A claim the server has not got is sent, ended, by the outbox; so is an end the
    // server does not take now.
    if (claim.answer == Answer::Granted && ServerDue()) {
        if (server_.FinishClaim(claim.id, state))
            journal_.MarkClaimOnServer(claim.id, state);
        else
            ServerAway();
    }
    return true;
}

}  // namespace torv
