#include "production/batch_engine.h"

#include <QEventLoop>
#include <QScopeGuard>
#include <QThread>

#include <exception>
#include <utility>

namespace torv {

bool SharedUnits::TakeUnit()
{
    const std::lock_guard lock(mutex_);
    if (unitsLimit_ && unitsTaken_ >= *unitsLimit_)
        return false;
    ++unitsTaken_;
    return true;
}

bool SharedUnits::Claim(const std::string& serial)
{
    const std::lock_guard lock(mutex_);
    return claimed_.insert(serial).second;
}

void SharedUnits::Done(const std::string& serial, bool programmed)
{
    const std::lock_guard lock(mutex_);
    if (programmed)
        programmed_.insert(serial);
    else
        claimed_.erase(serial);
}

std::set<std::string> SharedUnits::Programmed() const
{
    const std::lock_guard lock(mutex_);
    return programmed_;
}

struct BatchEngine::Station {
    int index = 0;
    std::unique_ptr<QThread> thread;
    std::mutex mutex;
    QObject* waker = nullptr;     // lives on the station's thread while it runs; guarded by mutex
    StationWork* work = nullptr;  // used on the station's thread only
    std::atomic<int> gate{0};     // the answer at the write gate: 0 none yet, 1 write, 2 do not
};

namespace {

constexpr int kGateOpen = 1;
constexpr int kGateShut = 2;

// Runs the calling thread's events until stop says so or the time is up.
void RunEventsUntil(std::chrono::milliseconds most, const std::function<bool()>& stop)
{
    QTimer timer;
    timer.setSingleShot(true);
    timer.start(most);
    QEventLoop loop;
    while (!stop() && timer.isActive())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace

BatchEngine::BatchEngine(int stations, WorkFactory factory, EngineSettings settings, QObject* parent)
    : QObject(parent), factory_(std::move(factory)), settings_(std::move(settings)), units_(settings_.units)
{
    for (int i = 0; i < stations; ++i) {
        stations_.push_back(std::make_unique<Station>());
        stations_.back()->index = i;
    }
    idleTimer_.setSingleShot(true);
    connect(&idleTimer_, &QTimer::timeout, this, [this] { Stop(BatchEnd::IdleTimeout); });
}

BatchEngine::~BatchEngine()
{
    stopping_ = true;
    Abandon();
    for (const std::unique_ptr<Station>& station : stations_) {
        if (station->thread)
            station->thread->wait();
    }
}

void BatchEngine::Start()
{
    if (started_)
        return;
    started_ = true;
    running_ = static_cast<int>(stations_.size());
    for (const std::unique_ptr<Station>& station : stations_) {
        Station* const running = station.get();
        station->thread.reset(QThread::create([this, running] { RunStation(*running); }));
        station->thread->start();
    }
    if (settings_.idle)
        idleTimer_.start(*settings_.idle);
    if (stations_.empty())
        emit Finished(end_);
}

void BatchEngine::Stop(BatchEnd why)
{
    if (stopping_.exchange(true))
        return;
    end_ = why;
    idleTimer_.stop();
    for (const std::unique_ptr<Station>& station : stations_)
        Post(*station, [] {});
}

void BatchEngine::Abandon()
{
    Stop();
    for (const std::unique_ptr<Station>& station : stations_) {
        Station* const target = station.get();
        Post(*station, [target] {
            if (target->work)
                target->work->Abandon();
        });
    }
}

void BatchEngine::HoldWrites(bool hold)
{
    holdWrites_ = hold;
}

void BatchEngine::ReleaseWrite(int station, bool write)
{
    if (station < 0 || station >= static_cast<int>(stations_.size()))
        return;
    Station& target = *stations_[static_cast<std::size_t>(station)];
    target.gate = write ? kGateOpen : kGateShut;
    Post(target, [] {});
}

void BatchEngine::Post(Station& station, std::function<void()> call)
{
    const std::lock_guard lock(station.mutex);
    if (station.waker)
        QMetaObject::invokeMethod(station.waker, std::move(call), Qt::QueuedConnection);
}

void BatchEngine::RunStation(Station& station)
{
    const int index = station.index;
    const auto report = [this](std::function<void()> call) {
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    };
    const auto phase = [&](StationPhase now, const std::string& serial) {
        report([this, index, now, serial] { emit PhaseChanged(index, now, QString::fromStdString(serial)); });
    };
    QObject waker;
    {
        const std::lock_guard lock(station.mutex);
        station.waker = &waker;
    }
    std::string failure;
    try {
        std::unique_ptr<StationWork> work = factory_(index);
        station.work = work.get();
        // Forgotten before the work goes, however the loop ends: a call posted to the
        // station meanwhile finds no work.
        const auto forget = qScopeGuard([&station] { station.work = nullptr; });
        std::string last;  // the unit handled last at this station, while it stays connected
        bool silent = false;
        const auto mayWrite = [&]() {
            if (!holdWrites_)
                return true;
            station.gate = 0;
            const QString serial = QString::fromStdString(last);
            report([this, index, serial] { emit WriteWaiting(index, serial); });
            const auto answered = [&] { return station.gate != 0 || stopping_; };
            while (!answered())
                RunEventsUntil(std::chrono::hours(1), answered);
            return station.gate == kGateOpen && !stopping_;
        };
        while (!stopping_) {
            phase(StationPhase::Waiting, "");
            const Sighting sighting = work->Look();
            if (stopping_)
                break;
            if (sighting.kind == Sighting::Kind::AdapterSilent) {
                if (!silent) {
                    silent = true;
                    const QString why = QString::fromStdString(sighting.why);
                    report([this, index, why] { emit AdapterAnswering(index, false, why); });
                }
                RunEventsUntil(settings_.silentPause, [this] { return stopping_.load(); });
                continue;
            }
            if (silent) {
                silent = false;
                report([this, index] { emit AdapterAnswering(index, true, {}); });
            }
            if (sighting.kind == Sighting::Kind::NoTransmitter) {
                last.clear();  // the unit was taken away: one put back is a new try
                continue;
            }
            if (sighting.serial == last)
                continue;  // not swapped yet
            if (!units_.TakeUnit())
                break;
            last = sighting.serial;
            phase(StationPhase::Reading, last);
            const bool claimed = units_.Claim(last);
            const StationHooks hooks{[&](StationPhase now) { phase(now, last); }, mayWrite};
            UnitReport unit = work->Handle(claimed, hooks);
            unit.station = index;
            if (claimed)
                units_.Done(last, unit.end == UnitEnd::Programmed);
            report([this, unit] { OnUnitDone(unit); });
        }
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = "unknown error";
    }
    {
        const std::lock_guard lock(station.mutex);
        station.waker = nullptr;
    }
    phase(StationPhase::Stopped, "");
    report([this, index, failure] {
        if (!failure.empty())
            emit StationFailed(index, QString::fromStdString(failure));
        StationEnded();
    });
}

void BatchEngine::OnUnitDone(const UnitReport& report)
{
    ++reported_;
    if (settings_.idle && !stopping_)
        idleTimer_.start(*settings_.idle);
    emit UnitDone(report);
    if (settings_.units && reported_ >= *settings_.units)
        Stop(BatchEnd::UnitsDone);
    else if (settings_.planComplete && settings_.planComplete(units_.Programmed()))
        Stop(BatchEnd::PlanComplete);
}

void BatchEngine::StationEnded()
{
    if (--running_ > 0)
        return;
    if (!stopping_.exchange(true))
        end_ = BatchEnd::StationsFailed;  // every station ended by itself
    idleTimer_.stop();
    for (const std::unique_ptr<Station>& station : stations_)
        station->thread->wait();
    emit Finished(end_);
}

}  // namespace torv
