#pragma once
// What the operator of a batch on several stations sees: the lines of the units as they
// end, and on a terminal one status line per station under them, redrawn in place
// (station, phase, serial, the last unit's result, units handled).

#include <iosfwd>
#include <string>
#include <vector>

#include "production/batch_engine.h"

namespace torv::cli {

class StationBoard {
public:
    // live: out is a terminal, and the status lines are drawn.
    StationBoard(std::vector<std::string> stations, std::ostream& out, std::ostream& err, bool live);

    void Phase(int station, StationPhase phase, const std::string& serial);
    void Unit(const UnitReport& unit);
    // A line above the status lines: on standard output, or on standard error.
    void Print(const std::string& line);
    void Note(const std::string& line);
    // The operator typed a line: the terminal's echo of it stands under the status lines.
    void LineTyped();
    // The status lines stay as last drawn, and what follows goes under them.
    void Close();

private:
    struct Row {
        StationPhase phase = StationPhase::Waiting;
        std::string serial;
        std::string last;  // the last unit's serial and result
        int units = 0;
    };

    void Erase();
    void Draw();
    std::string RowText(std::size_t station) const;

    std::vector<std::string> stations_;
    std::vector<Row> rows_;
    std::ostream& out_;
    std::ostream& err_;
    bool live_;
    bool drawn_ = false;
    int typedLines_ = 0;  // echoed under the status lines since they were drawn
};

}  // namespace torv::cli
