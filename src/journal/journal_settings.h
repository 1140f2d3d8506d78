#pragma once
// What the user configures about the journal, in the programs' settings file
// (~/.config/torv-programmer/torv-programmer.ini, group [journal]) and the environment:
// the bench's name, the operator, the workshop's server and the journal mode. Nothing is
// written there by the programs, and no password belongs there: libpq reads it from
// ~/.pgpass or pg_service.conf.

#include <string>

namespace torv {

struct JournalSettings {
    std::string bench;         // journal/bench: this PC's name in the shared record; empty: its host name
    std::string operatorName;  // journal/operator: who works at this bench
    std::string server;        // $TORV_JOURNAL_SERVER, else journal/server: libpq key=value pairs
    std::string mode;          // journal/mode: "wal" (the default) or "delete"
};

JournalSettings ReadJournalSettings();

// The bench's name: configured, else the host name.
std::string BenchName(const std::string& configured);

// A connection string fit to show: every password=... value replaced by ***.
std::string MaskPasswords(const std::string& text);

}  // namespace torv
