#include "cli/station_board.h"

#include <algorithm>
#include <ostream>
#include <utility>

#include "cli/cli_language.h"
#include "cli/cli_text.h"

namespace torv::cli {
namespace {

QString PhaseText(StationPhase phase)
{
    switch (phase) {
    case StationPhase::Waiting: return CliText::tr("waiting");
    case StationPhase::Reading: return CliText::tr("reading");
    case StationPhase::Writing: return CliText::tr("writing");
    case StationPhase::Verifying: return CliText::tr("verifying");
    case StationPhase::Stopped: return CliText::tr("stopped");
    }
    return {};
}

QString EndText(UnitEnd end)
{
    switch (end) {
    case UnitEnd::Programmed: return CliText::tr("programmed");
    case UnitEnd::Skipped: return CliText::tr("skipped");
    case UnitEnd::Failed: return CliText::tr("FAILED");
    }
    return {};
}

}  // namespace

StationBoard::StationBoard(std::vector<std::string> stations, std::ostream& out, std::ostream& err, bool live)
    : stations_(std::move(stations)), rows_(stations_.size()), out_(out), err_(err), live_(live)
{
    Draw();
}

void StationBoard::Phase(int station, StationPhase phase, const std::string& serial)
{
    Row& row = rows_.at(static_cast<std::size_t>(station));
    if (row.phase == phase && row.serial == serial)
        return;
    row.phase = phase;
    row.serial = serial;
    Erase();
    Draw();
}

void StationBoard::Unit(const UnitReport& unit)
{
    Row& row = rows_.at(static_cast<std::size_t>(unit.station));
    row.last = (unit.serial.empty() ? "-" : unit.serial) + " " + Utf8(EndText(unit.end));
    ++row.units;
    Erase();
    Draw();
}

void StationBoard::Print(const std::string& line)
{
    Erase();
    out_ << line << std::endl;
    Draw();
}

void StationBoard::Note(const std::string& line)
{
    Erase();
    err_ << "torvctl: " << line << std::endl;
    Draw();
}

void StationBoard::LineTyped()
{
    if (drawn_)
        ++typedLines_;
}

void StationBoard::Close()
{
    live_ = false;
    drawn_ = false;
}

void StationBoard::Erase()
{
    if (!drawn_)
        return;
    // To the start of the first status line, and everything below it cleared.
    out_ << "\x1b[" << rows_.size() + static_cast<std::size_t>(typedLines_) << "F\x1b[J";
    drawn_ = false;
    typedLines_ = 0;
}

void StationBoard::Draw()
{
    if (!live_ || rows_.empty())
        return;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        out_ << RowText(i) << "\n";
    out_ << std::flush;
    drawn_ = true;
}

std::string StationBoard::RowText(std::size_t station) const
{
    const Row& row = rows_[station];
    std::size_t width = 0;
    for (const std::string& name : stations_)
        width = std::max(width, name.size());
    std::string name = stations_[station];
    name.resize(width, ' ');
    return name + "  " +
           Utf8(CliText::tr("%1 %2  last: %3  units: %4")
                    .arg(PhaseText(row.phase), -8)
                    .arg(ToQString(row.serial.empty() ? "-" : row.serial), -8)
                    .arg(ToQString(row.last.empty() ? "-" : row.last))
                    .arg(row.units));
}

}  // namespace torv::cli
