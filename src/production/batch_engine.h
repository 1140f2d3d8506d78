#pragma once
// A production line of several stations: each station (one adapter on one port) runs on
// a thread of its own that owns its exchange, its port and its timers, since the
// exchange's pauses are nested event loops and stations sharing a thread would wait for
// each other. Between units a station polls its adapter: no transmitter, or the unit
// just handled at this station, means wait; a new serial number is programmed. A serial
// number is programmed once per batch, whichever station it appears at. The engine
// lives on the thread that made it and reports there by Qt signals.

#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace torv {

enum class StationPhase { Waiting, Reading, Writing, Verifying, Stopped };

enum class UnitEnd { Programmed, Skipped, Failed };

// One unit a station handled.
struct UnitReport {
    int station = 0;
    std::string serial;       // empty when the read did not get that far
    std::string frequencies;  // written, or to be written; empty when none
    UnitEnd end = UnitEnd::Failed;
    int exitCode = 0;
    std::string kind;          // why it was skipped or failed ("refused", "not-verified", ...), "" when programmed
    std::string outcome;       // one line for the operator
    double seconds = 0;        // from the read to the journal row
    std::string journalError;  // why its journal row was not written; "" when it was, or the journal is off
    bool readFailed = false;   // the unit could not be read
};

// What a station's poll found on its adapter.
struct Sighting {
    enum class Kind {
        NoTransmitter,  // the adapter answers, with nothing plugged into it
        AdapterSilent,  // the adapter (or its port) does not answer
        Unit,           // a transmitter, read as far as its serial number
    };
    Kind kind = Kind::NoTransmitter;
    std::string serial;  // for a unit
    std::string why;     // for a silent adapter: what the read ran into
};

// What the engine lets a station's work know and ask while it handles a unit.
struct StationHooks {
    std::function<void(StationPhase phase)> phase;
    // Called once the write's checks have passed, before the block is sent: false keeps
    // the block from being sent.
    std::function<bool()> mayWrite;
};

// The unit handling of one station, made and used on the station's thread only.
class StationWork {
public:
    virtual ~StationWork() = default;
    // A read of whatever the adapter holds, not journaled.
    virtual Sighting Look() = 0;
    // The unit Look found last, journaled: programmed when claimed, else reported as
    // programmed elsewhere in this batch.
    virtual UnitReport Handle(bool claimed, const StationHooks& hooks) = 0;
    // A second stop: a write in progress is abandoned before its verification.
    virtual void Abandon() = 0;
};

// The serial numbers of one batch, shared by its stations.
class SharedUnits {
public:
    explicit SharedUnits(std::optional<int> unitsLimit) : unitsLimit_(unitsLimit) {}
    // A unit is about to be handled: false once the batch's number of units is taken.
    bool TakeUnit();
    // True for the station that is first to ask for serial: it programs it.
    bool Claim(const std::string& serial);
    // The claimed unit's end: a failed one may be tried again at another station.
    void Done(const std::string& serial, bool programmed);
    std::set<std::string> Programmed() const;

private:
    mutable std::mutex mutex_;
    std::optional<int> unitsLimit_;
    int unitsTaken_ = 0;
    std::set<std::string> claimed_;
    std::set<std::string> programmed_;
};

enum class BatchEnd { Stopped, PlanComplete, UnitsDone, IdleTimeout, StationsFailed };

struct EngineSettings {
    std::optional<int> units;                       // in all, over every station
    std::optional<std::chrono::milliseconds> idle;  // ends the batch with no new unit anywhere for this long
    std::chrono::milliseconds silentPause{1000};    // between polls of an adapter that does not answer
    std::function<bool(const std::set<std::string>& programmed)> planComplete;  // on the engine's thread
};

class BatchEngine : public QObject {
    Q_OBJECT

public:
    // Makes a station's work on the station's thread; it may throw, which ends that station.
    using WorkFactory = std::function<std::unique_ptr<StationWork>(int station)>;

    BatchEngine(int stations, WorkFactory factory, EngineSettings settings, QObject* parent = nullptr);
    // Stops the stations and waits for their threads.
    ~BatchEngine() override;
    BatchEngine(const BatchEngine&) = delete;
    BatchEngine& operator=(const BatchEngine&) = delete;

    void Start();
    // The stations end once the unit each is handling is done; Finished follows.
    void Stop(BatchEnd why = BatchEnd::Stopped);
    // A second stop: writes in progress are abandoned before their verification.
    void Abandon();
    // While held, every station waits before each write until ReleaseWrite.
    void HoldWrites(bool hold);
    void ReleaseWrite(int station, bool write);

    std::set<std::string> Programmed() const { return units_.Programmed(); }

signals:
    void PhaseChanged(int station, torv::StationPhase phase, const QString& serial);
    void AdapterAnswering(int station, bool answering, const QString& why);
    void UnitDone(const torv::UnitReport& report);
    // The station's work could not be made, or failed: the station has ended.
    void StationFailed(int station, const QString& why);
    // A station waits at the write gate with this unit.
    void WriteWaiting(int station, const QString& serial);
    // Every station has ended.
    void Finished(torv::BatchEnd why);

private:
    struct Station;

    void RunStation(Station& station);
    void Post(Station& station, std::function<void()> call);
    void StationEnded();
    void OnUnitDone(const UnitReport& report);

    WorkFactory factory_;
    EngineSettings settings_;
    SharedUnits units_;
    std::vector<std::unique_ptr<Station>> stations_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> holdWrites_{false};
    BatchEnd end_ = BatchEnd::Stopped;
    int running_ = 0;
    bool started_ = false;
    int reported_ = 0;
    QTimer idleTimer_;
};

}  // namespace torv
