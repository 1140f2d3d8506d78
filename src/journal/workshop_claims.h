#pragma once
// The claims of one station of a batch on the units of an order: each unit is claimed
// before it is written, so that while the workshop's server answers two benches never
// program the same serial of an order. A claim is made in this bench's journal first (a
// unit this bench holds is not claimed again), then on the server. While the server is
// away the journal's claim alone stands, and the server is asked again after a pause that
// doubles up to a minute; the journal's outbox sends such claims once it answers, and a
// unit that another bench held meanwhile is kept as a conflict. A claim whose write fails
// ends "failed", which frees the unit. Used by the thread that made it only.

#include <chrono>
#include <string>

#include "journal/journal.h"
#include "journal/journal_server.h"

namespace torv {

class WorkshopClaims {
public:
    WorkshopClaims(std::string server, std::string orderCode, std::string bench, Journal& journal);

    enum class Answer {
        Granted,        // by the server
        GrantedHere,    // by this bench's journal alone: the server is away
        HeldHere,       // this bench has programmed the unit, or is programming it
        HeldElsewhere,  // another bench has, or is
        NotKept,        // the journal could not keep the claim
    };
    struct Claimed {
        Answer answer = Answer::NotKept;
        std::string id;
        // HeldElsewhere: the bench; GrantedHere: why the server did not answer; NotKept:
        // why the journal did not keep the claim.
        std::string detail;
        bool Granted() const { return answer == Answer::Granted || answer == Answer::GrantedHere; }
    };
    Claimed Claim(const std::string& serial);
    // The claimed unit was programmed (done) or not (failed). False when the journal did
    // not keep the claim's end (its Error says why).
    bool Finish(const Claimed& claim, bool programmed);

    const std::string& OrderCode() const { return orderCode_; }
    const std::string& JournalError() const { return journal_.Error(); }

private:
    bool ServerDue() const { return std::chrono::steady_clock::now() >= askAgainAt_; }
    void ServerAway();

    JournalServer server_;
    std::string orderCode_;
    std::string bench_;
    Journal& journal_;
    std::chrono::milliseconds pause_;
    std::chrono::steady_clock::time_point askAgainAt_{};
};

}  // namespace torv
