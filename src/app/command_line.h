#pragma once
// The programmer's command line. Only the first argument is examined for the classic
// switches ("-s", "/s" exactly; "-enablegridedit" in any letter case), so the two cannot
// be combined; the additions (--port, --demo, --local-keys, --no-journal, --help, --version) may
// stand anywhere.

#include <QStringList>

namespace torv {

struct CommandLine {
    bool showStatusMessages = true;  // cleared by "-s" or "/s" as the first argument
    bool gridEditEnabled = false;    // "-enablegridedit", any case, as the first argument
    QStringList extraPorts;          // every --port PATH, in order
    bool demo = false;
    bool localKeys = false;  // "--local-keys": Ctrl+R and Ctrl+W only while the window is active
    bool journal = true;     // cleared by "--no-journal"
    bool help = false;
    bool version = false;
};

// arguments: the command line without the program name.
CommandLine ParseCommandLine(const QStringList& arguments);

// The options given that only this copy could apply (a running copy takes none), as
// they would be typed.
QStringList OptionsForThisCopyOnly(const CommandLine& line);

}  // namespace torv
