#pragma once
// The station window's set-up: plan, order, operator, stations and options, kept per user
// (QSettings). A workshop can lock any of them in the system-wide file
// (/etc/xdg/torv-programmer/torv-station.conf), which operators cannot change: a key found
// there holds, and the window shows it without letting it be changed.

#include <QSet>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <string>

#include "production/plan_file.h"

namespace torv::station {

// The grid step a unit gets when its plan row gives none.
enum class DefaultStep { AsRead, Step12_5, Step25 };

struct StationSetup {
    QString planPath;
    QString orderCode;
    QString operatorName;
    QStringList ports;  // device paths of the stations
    DefaultStep step = DefaultStep::AsRead;
    bool gridEditEnabled = false;      // a 12.5 kHz grid may be written, not forced to 25 kHz
    bool keepSecondWhenEmpty = false;  // an empty f2 keeps the unit's second frequency instead of switching it off
    bool scanRequired = true;          // a unit is written only after its label is scanned
    int scanSeconds = 60;              // how long a station waits for the scan
};

// The names of the settings, as the files hold them.
namespace keys {
inline const QString kPlan = QStringLiteral("plan");
inline const QString kOrder = QStringLiteral("order");
inline const QString kOperator = QStringLiteral("operator");
inline const QString kPorts = QStringLiteral("ports");
inline const QString kStep = QStringLiteral("step");
inline const QString kGridEdit = QStringLiteral("grid_edit");
inline const QString kKeepSecond = QStringLiteral("keep_second");
inline const QString kScanRequired = QStringLiteral("scan_required");
inline const QString kScanSeconds = QStringLiteral("scan_seconds");
}  // namespace keys

inline constexpr int kShortestScanWait = 5;
inline constexpr int kLongestScanWait = 600;

struct LoadedSetup {
    StationSetup setup;
    QSet<QString> locked;  // keys the system-wide file sets
};

// The user's settings over the defaults, the system-wide file's over both.
LoadedSetup LoadSetup();
// Keeps the set-up for the user; locked keys are not written.
void SaveSetup(const StationSetup& setup, const QSet<QString>& locked);

// The production run that was under way when the program ended, to be continued: its id,
// or empty.
QString UnfinishedRun();
void SetUnfinishedRun(const QString& runId);

// What keeps the set-up from being used with this reading of its plan, one line each, in
// the operator's words; empty when it can be used.
QStringList SetupProblems(const StationSetup& setup, const PlanReading& plan);

// The plan's units with the set-up's options applied to each row.
std::map<std::string, WantedFrequencies> PlanWithOptions(std::map<std::string, WantedFrequencies> units,
                                                         const StationSetup& setup);

}  // namespace torv::station
