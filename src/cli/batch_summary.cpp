#include "cli/batch_summary.h"

#include <ostream>

#include <QJsonArray>

#include "cli/arguments.h"
#include "cli/batch_unit.h"
#include "cli/cli_language.h"
#include "cli/cli_text.h"

namespace torv::cli {
namespace {

struct Counts {
    int programmed = 0;
    int skipped = 0;
    int failed = 0;

    void Add(const UnitReport& unit)
    {
        programmed += unit.end == UnitEnd::Programmed;
        skipped += unit.end == UnitEnd::Skipped;
        failed += unit.end == UnitEnd::Failed;
    }
    double PerHour(double seconds) const { return seconds > 0 ? programmed * 3600.0 / seconds : 0; }
    QString Text(double seconds) const
    {
        return CliText::tr("%1 programmed, %2 skipped, %3 failed in %4 s: %5 units programmed per hour")
            .arg(programmed)
            .arg(skipped)
            .arg(failed)
            .arg(seconds, 0, 'f', 1)
            .arg(PerHour(seconds), 0, 'f', 0);
    }
    QJsonObject Json(double seconds) const
    {
        return {{"programmed", programmed},
                {"skipped", skipped},
                {"failed", failed},
                {"seconds", seconds},
                {"unitsPerHour", PerHour(seconds)}};
    }
};

}  // namespace

BatchOutput OutputAsked(const Arguments& arguments)
{
    if (arguments.Has("--json"))
        return BatchOutput::Json;
    return arguments.Has("--json-lines") ? BatchOutput::JsonLines : BatchOutput::Lines;
}

int PrintBatchSummary(const std::vector<UnitReport>& units, const std::vector<std::string>& stations, double seconds,
                      BatchOutput output, std::ostream& out)
{
    const bool named = stations.size() > 1;
    Counts all;
    std::vector<Counts> perStation(stations.size());
    int exitCode = kExitOk;
    QJsonArray unitsJson;
    QJsonArray unknown;  // units a block was sent to without a verification
    std::string unknownText;
    for (const UnitReport& unit : units) {
        all.Add(unit);
        if (unit.station >= 0 && static_cast<std::size_t>(unit.station) < perStation.size())
            perStation[static_cast<std::size_t>(unit.station)].Add(unit);
        if (unit.end == UnitEnd::Failed && Weight(unit.exitCode) > Weight(exitCode))
            exitCode = unit.exitCode;
        if (unit.exitCode == kExitNotVerified) {
            const std::string serial = unit.serial.empty() ? "-" : unit.serial;
            unknown.append(QString::fromStdString(serial));
            unknownText += (unknownText.empty() ? "" : ", ") + serial;
        }
        QJsonObject json = UnitJson(unit);
        if (named)
            json.insert("station", QString::fromStdString(stations[static_cast<std::size_t>(unit.station)]));
        unitsJson.append(json);
    }
    // Nothing programmed is no success, even with nothing failed.
    if (all.failed == 0 && all.programmed == 0)
        exitCode = kExitRefused;
    if (output != BatchOutput::Lines) {
        QJsonObject summary = all.Json(seconds);
        summary.insert("exitCode", exitCode);
        summary.insert("unknown", unknown);
        if (named) {
            QJsonArray stationsJson;
            for (std::size_t i = 0; i < stations.size(); ++i) {
                QJsonObject station = perStation[i].Json(seconds);
                station.insert("station", QString::fromStdString(stations[i]));
                stationsJson.append(station);
            }
            summary.insert("stations", stationsJson);
        }
        if (output == BatchOutput::Json) {
            summary.insert("units", unitsJson);
            PrintJson(summary, out);
        } else {
            summary.insert("summary", true);
            PrintJsonLine(summary, out);
        }
        return exitCode;
    }
    if (named) {
        for (std::size_t i = 0; i < stations.size(); ++i)
            out << stations[i] << ": " << Utf8(perStation[i].Text(seconds)) << "\n";
        out << Utf8(CliText::tr("in all: %1").arg(all.Text(seconds))) << "\n";
    } else {
        out << Utf8(all.Text(seconds)) << "\n";
    }
    if (!unknownText.empty())
        out << Utf8(CliText::tr("state unknown, read these units again: %1").arg(ToQString(unknownText))) << "\n";
    return exitCode;
}

}  // namespace torv::cli
