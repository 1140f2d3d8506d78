#pragma once
// Where the journal lives, and its file handled as a careful Unix program handles a file
// that holds a record others might want to read or forge: created by the program itself
// in a folder of the user's own, and an existing file checked before SQLite touches it.

#include <string>

namespace torv {

// $TORV_JOURNAL, else $XDG_DATA_HOME/torv-programmer/journal.sqlite, with XDG_DATA_HOME
// taken only as an absolute path and $HOME/.local/share (HOME absolute too) in its place.
// Empty when neither gives a folder.
std::string JournalPathFromEnvironment();

// Why there is no journal path.
extern const char* const kNoJournalPath;

struct JournalFileCheck {
    std::string problem;  // why the file cannot be used as the journal; empty when it can
    bool empty = false;   // a file with nothing in it yet: SQLite sets it up on first write
};

// Readies path for SQLite. The folder must belong to this user (or root) and be writable
// by no one else; an existing file must be a regular file (not a symbolic link) of this
// user's, and empty or an SQLite database holding the journal's tables or no table at
// all. A missing file is created when create is set (missing folders made 0700, the file
// 0600, whatever the umask), and is a problem otherwise. Nothing that was not created here
// is changed.
JournalFileCheck CheckJournalFile(const std::string& path, bool create);

}  // namespace torv
