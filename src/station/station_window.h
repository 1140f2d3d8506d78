#pragma once
// The production station window: one tile per station, the run's counters and its last
// units, a menu with keyboard shortcuts; label scans are taken from the keyboard whatever
// has the focus. The window starts, stops and ends runs; the set-up is changed in its
// dialog while no run goes on.

#include <QMainWindow>

#include <string>
#include <vector>

#include "station/run_model.h"
#include "station/scan_filter.h"
#include "station/station_ports.h"
#include "station/station_setup.h"

class QAction;
class QGridLayout;
class QLabel;
class QListWidget;

namespace torv::station {

class StationTile;

struct StationWindowOptions {
    std::string journalPath;             // the journal the runs are kept in
    std::vector<StationPort> demoPorts;  // emulated adapters, offered first
    QStringList givenPorts;              // --port: offered before the system's
};

class StationWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit StationWindow(StationWindowOptions options, QWidget* parent = nullptr);

    RunModel& Model() { return model_; }
    // Starts the stations of the set-up; false, with a message, when it cannot be used.
    bool StartRun();
    void StopRun();
    // Opens the set-up dialog; true when it was saved.
    bool EditSetup();
    // Shows the run's report and begins a new run (the run must be stopped).
    void EndRun();

    // What the window shows, for its tests.
    int TileCount() const { return static_cast<int>(tiles_.size()); }
    const StationTile& Tile(int station) const { return *tiles_[static_cast<std::size_t>(station)]; }
    QString CountersShown() const;
    QString ScanShown() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenu();
    // One tile for each station of the set-up.
    void LayOutTiles(const QStringList& names);
    void ShowSetup();
    void ShowCounters();
    void ShowRunning(bool running);
    // The rows that wait for the workshop's server, when one is configured.
    void ShowServer();
    // Tells the operator in a box.
    void Tell(const QString& text);

    StationWindowOptions options_;
    LoadedSetup loaded_;
    RunModel model_;
    ScanFilter scans_;
    std::vector<StationTile*> tiles_;
    QGridLayout* tileGrid_;
    QLabel* header_;
    QLabel* programmed_;
    QLabel* failed_;
    QLabel* skipped_;
    QLabel* perHour_;
    QLabel* attempts_;
    QLabel* scan_;
    QLabel* server_;
    QListWidget* lastUnits_;
    QLabel* noStations_;  // in place of the tiles while the set-up names no station
    QAction* start_;
    QAction* stop_;
    QAction* setup_;
    QAction* end_;
    bool closeWhenStopped_ = false;
};

}  // namespace torv::station
