#pragma once
// The workshop's PostgreSQL server (server/schema.sql), reached through Qt's QPSQL driver:
// journal rows sent to it and read back from it. The server is named by libpq key=value
// pairs ("host=torv-server dbname=torv user=bench1", "service=torv"); libpq finds the
// password in ~/.pgpass or pg_service.conf. Every text this class gives has its passwords
// masked. One object is used by one thread only, the one that made it.

#include <optional>
#include <string>
#include <vector>

#include "journal/journal.h"

namespace torv {

// Why a connection string cannot be used (a URI, which Qt's driver does not take), or empty.
std::string ServerStringProblem(const std::string& server);

class JournalServer {
public:
    explicit JournalServer(std::string server);
    ~JournalServer();
    JournalServer(const JournalServer&) = delete;
    JournalServer& operator=(const JournalServer&) = delete;

    // Connects unless connected. Error() says why not.
    bool Connect();
    // Closes the connection: the next Connect makes a new one.
    void Disconnect();

    // Stores an ended row once: a row the server has already is left as it is.
    bool Insert(const JournalEntry& row);
    // The server's rows, newest first; demo is never among them.
    std::optional<std::vector<JournalEntry>> Find(const JournalQuery& query);
    // Stores the plan of an order in one transaction: units new to it are added, planned
    // ones take the frequencies given. How many rows were added or changed.
    std::optional<long long> ImportPlan(const std::string& orderCode, const std::vector<PlannedUnit>& units);

    // An order's plan, by serial number (journal_server_claims.cpp).
    std::optional<std::vector<PlannedUnit>> Plan(const std::string& orderCode);
    // Claims a unit with the claim's id, or stores a claim made while the server was away
    // with the state it ended in. Unanswered: the server could not be asked (Error says why).
    enum class ClaimAnswer { Granted, Held, Unanswered };
    struct ServerClaim {
        ClaimAnswer answer = ClaimAnswer::Unanswered;
        std::string holder;  // Held: the bench whose claim holds the unit
    };
    ServerClaim Claim(const ClaimRecord& claim);
    // The end of a claim the server has granted.
    bool FinishClaim(const std::string& id, const std::string& state);

    // The server as it may be shown, and why the last step failed.
    std::string Shown() const;
    const std::string& Error() const { return error_; }

private:
    bool Fail(const std::string& why);

    std::string server_;
    std::string connection_;
    std::string error_;
};

}  // namespace torv
