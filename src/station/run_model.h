#pragma once
// A production run of the station window: the batch engine with one station per port,
// the state each tile shows, the label scans handed to the station waiting for them, and
// the counters and units computed from the run's journal rows, so that they equal the
// record whenever they are looked at, also after a restart that continues the run.

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "journal/journal.h"
#include "journal/journal_outbox.h"
#include "production/batch_engine.h"
#include "production/unit_station.h"
#include "station/station_ports.h"
#include "station/station_setup.h"

namespace torv::station {

enum class ResultColour { None, Good, Bad };

struct TileState {
    QString name;
    StationPhase phase = StationPhase::Stopped;
    bool waitingForScan = false;
    bool adapterSilent = false;
    bool stationFailed = false;  // its port could not be used: the station has ended
    QString serial;
    QString planned;  // the unit's planned frequencies, in words
    ResultColour result = ResultColour::None;
    std::optional<StationOutcome> outcome;
};

struct Counters {
    int programmed = 0;
    int failed = 0;
    int skipped = 0;
    int attempts = 0;  // every finished row of the run
    double unitsPerHour = 0;
};

// A unit of the run by its last outcome.
struct UnitLine {
    QDateTime time;  // of its last row, local
    QString station;
    QString serial;
    QString frequencies;  // as written; empty when nothing was
    StationOutcome outcome = StationOutcome::ReadFailed;
    int attempts = 0;
};

// From a run's rows: each unit counted by its last outcome (a unit skipped as programmed
// earlier keeps its standing), every finished row an attempt; units per hour over the time
// the rows cover. Rows without a serial number are attempts only.
Counters CountRun(const std::vector<JournalEntry>& rows);
// Each unit once, by its last outcome, oldest first.
std::vector<UnitLine> UnitsOfRun(const std::vector<JournalEntry>& rows);

// The labels scanned for the stations waiting at their write gates: put by the window's
// thread, taken by the station's right before its write.
class ScannedLabels {
public:
    void Put(int station, std::string serial);
    // The label scanned for the station since it was last asked; "" when none.
    std::string Take(int station);

private:
    std::mutex mutex_;
    std::map<int, std::string> labels_;
};

class RunModel : public QObject {
    Q_OBJECT

public:
    static constexpr std::size_t kLastUnits = 20;

    // journalPath: where the stations write their rows and the counters are read from.
    explicit RunModel(std::string journalPath, QObject* parent = nullptr);
    ~RunModel() override;

    // The run whose rows are counted: one to continue, or empty for a new one at Start.
    void OpenRun(const QString& runId);
    const QString& RunId() const { return runId_; }
    // Starts the stations (at least one); a run is made when none is open.
    void Start(const StationSetup& setup, const std::vector<StationPort>& ports,
               std::map<std::string, WantedFrequencies> plan);
    // The stations end once the unit each is handling is done.
    void Stop();
    bool Running() const { return engine_ != nullptr; }
    // A label scanned: goes to the station waiting with the unit of that serial number.
    void Scan(const QString& digits);

    const std::vector<TileState>& Tiles() const { return tiles_; }
    const Counters& CountersNow() const { return counters_; }
    // Newest first.
    const std::vector<UnitLine>& LastUnits() const { return lastUnits_; }
    // The run's rows, newest first; empty when the journal cannot be read (JournalError says why).
    std::vector<JournalEntry> RunRows();
    const QString& JournalError() const { return journalError_; }
    // The journal's rows on their way to the workshop's server; nothing when none is
    // configured. ServerProblem: why a configured one cannot be used.
    std::optional<JournalOutbox::Progress> ServerProgress();
    const QString& ServerProblem() const { return serverProblem_; }

signals:
    void TileChanged(int station);
    void CountersChanged();
    void ScanMatched(int station, const QString& serial);
    void ScanNotMatched(const QString& digits);
    void RunningChanged(bool running);
    void Finished(torv::BatchEnd why);

private:
    void Recount();
    void OnPhase(int station, StationPhase phase, const QString& serial);
    void OnWriteWaiting(int station);
    void OnUnitDone(const UnitReport& report);
    void OnFinished(BatchEnd why);
    void CloseGate(int station, bool write);
    QString Planned(const QString& serial) const;

    std::string journalPath_;
    std::optional<Journal> journal_;
    QString journalError_;
    QString runId_;
    std::map<std::string, WantedFrequencies> plan_;
    std::set<std::string> programmedBefore_;
    std::vector<StationPort> ports_;
    std::vector<TileState> tiles_;
    std::vector<std::unique_ptr<QTimer>> scanTimers_;
    ScannedLabels labels_;
    Counters counters_;
    std::vector<UnitLine> lastUnits_;
    BatchEngine* engine_ = nullptr;  // while running; deleted later once finished
    std::string server_;             // the workshop's server; empty: none
    QString serverProblem_;
    std::unique_ptr<JournalOutbox> outbox_;
};

}  // namespace torv::station
