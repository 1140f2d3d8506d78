#pragma once
// The outbox: sends the journal's ended rows to the workshop's server, in the background.
// The journal stays the record of this PC and is written as before; a thread of the
// outbox's own reads the rows the server does not have yet, oldest first, sends each one
// (the server keeps a row sent twice once), and marks it sent in the journal, so that a
// program started later goes on where this one stopped. While the server is away it tries
// again after a pause that doubles up to a minute. Rows of demo runs are never sent, and a
// write's row is sent once the write has ended.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "journal/journal.h"

namespace torv {

class JournalOutbox {
public:
    // Starts sending the rows that wait in the journal at journalPath (opened in mode, as
    // Journal does) to server (libpq key=value pairs).
    JournalOutbox(std::string journalPath, std::string server, std::optional<JournalMode> mode = std::nullopt);
    // Ends the thread once the row in hand is sent or has failed.
    ~JournalOutbox();
    JournalOutbox(const JournalOutbox&) = delete;
    JournalOutbox& operator=(const JournalOutbox&) = delete;

    // A row may have been added or ended: look again now.
    void Nudge();

    struct Progress {
        bool drained = false;   // nothing that has ended waits
        long long sent = 0;     // rows sent since the outbox started
        long long waiting = 0;  // ended rows the server does not have, as last counted
        std::string lastError;  // why the last attempt failed; empty when it went well
    };
    // Waits until every ended row is sent or the time is up; where things stand then.
    Progress Drain(std::chrono::milliseconds within);
    // Where things stand now.
    Progress Current();

private:
    void Work();
    // The claims made or ended while the server was away; why it stopped, empty when it
    // went through.
    std::string SendClaims(Journal& journal, class JournalServer& server);
    // One pass over the claims and rows that wait; true when it ended without an error.
    bool SendWaiting(Journal& journal, class JournalServer& server);

    std::string journalPath_;
    std::string server_;
    std::optional<JournalMode> mode_;
    std::mutex mutex_;
    std::condition_variable wake_;     // the worker: a nudge, or the end
    std::condition_variable changed_;  // a drain: a pass ended
    std::atomic<bool> stop_ = false;
    bool nudged_ = true;  // the rows that wait at the start are looked at first
    Progress progress_;
    std::thread thread_;  // last: started once everything it uses is made
};

}  // namespace torv
