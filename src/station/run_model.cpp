#include "station/run_model.h"

#include <QUuid>

#include <algorithm>
#include <utility>

#include "journal/journal_server.h"
#include "journal/journal_settings.h"
#include "station/station_texts.h"

namespace torv::station {
namespace {

QDateTime RowTime(const JournalEntry& row)
{
    return QDateTime::fromString(QString::fromStdString(row.timeUtc), Qt::ISODateWithMs);
}

QString MHzText(const std::optional<double>& mhz)
{
    return mhz ? QString::number(*mhz, 'f', 4) : QString();
}

// What the unit holds after the row, when a write confirmed it.
QString WrittenFrequencies(const JournalEntry& row)
{
    if (!row.success || !row.f1AfterMHz)
        return {};
    QString text = MHzText(row.f1AfterMHz);
    if (row.f2AfterMHz)
        text += QStringLiteral(" / ") + MHzText(row.f2AfterMHz);
    return text;
}

// Walks the run's finished rows oldest first, with each row's outcome, telling whether the
// row sets its unit's standing.
template <typename Visit>
void EachFinishedRow(const std::vector<JournalEntry>& rows, Visit visit)
{
    std::set<std::string> seen;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        if (row->state == RowState::InProgress)
            continue;
        const StationOutcome outcome = StationOutcomeOfRow(*row);
        const bool known = seen.contains(row->serial);
        const bool standing = !row->serial.empty() && !(known && outcome == StationOutcome::ProgrammedEarlier);
        seen.insert(row->serial);
        visit(*row, outcome, standing);
    }
}

}  // namespace

Counters CountRun(const std::vector<JournalEntry>& rows)
{
    Counters counters;
    std::map<std::string, StationOutcome> standing;
    EachFinishedRow(rows, [&](const JournalEntry& row, StationOutcome outcome, bool sets) {
        ++counters.attempts;
        if (sets)
            standing[row.serial] = outcome;
    });
    for (const auto& [serial, outcome] : standing) {
        if (outcome == StationOutcome::Programmed)
            ++counters.programmed;
        else if (IsSkip(outcome))
            ++counters.skipped;
        else
            ++counters.failed;
    }
    if (counters.programmed > 0 && !rows.empty()) {
        const JournalEntry& oldest = rows.back();
        const QDateTime began = RowTime(oldest).addMSecs(-oldest.durationMs.value_or(0));
        const qint64 spanMs = began.msecsTo(RowTime(rows.front()));
        if (spanMs > 0)
            counters.unitsPerHour = counters.programmed * 3'600'000.0 / static_cast<double>(spanMs);
    }
    return counters;
}

std::vector<UnitLine> UnitsOfRun(const std::vector<JournalEntry>& rows)
{
    std::vector<UnitLine> units;
    std::map<std::string, std::size_t> index;
    EachFinishedRow(rows, [&](const JournalEntry& row, StationOutcome outcome, bool sets) {
        if (row.serial.empty())
            return;
        const auto [at, added] = index.try_emplace(row.serial, units.size());
        if (added)
            units.push_back({});
        UnitLine& unit = units[at->second];
        ++unit.attempts;
        if (!sets)
            return;
        unit.time = RowTime(row).toLocalTime();
        unit.station = QString::fromStdString(row.station);
        unit.serial = QString::fromStdString(row.serial);
        unit.frequencies = WrittenFrequencies(row);
        unit.outcome = outcome;
    });
    std::stable_sort(units.begin(), units.end(), [](const UnitLine& a, const UnitLine& b) { return a.time < b.time; });
    return units;
}

void ScannedLabels::Put(int station, std::string serial)
{
    const std::lock_guard lock(mutex_);
    labels_[station] = std::move(serial);
}

std::string ScannedLabels::Take(int station)
{
    const std::lock_guard lock(mutex_);
    const auto label = labels_.find(station);
    if (label == labels_.end())
        return {};
    std::string serial = std::move(label->second);
    labels_.erase(label);
    return serial;
}

RunModel::RunModel(std::string journalPath, QObject* parent) : QObject(parent), journalPath_(std::move(journalPath))
{
    // With a workshop server, the journal's rows go to it from the outbox's own thread,
    // those left by earlier runs first.
    const std::string server = ReadJournalSettings().server;
    if (!journalPath_.empty() && !server.empty()) {
        if (const std::string problem = ServerStringProblem(server); !problem.empty()) {
            serverProblem_ = QString::fromStdString(problem);
        } else {
            server_ = server;
            outbox_ = std::make_unique<JournalOutbox>(journalPath_, server_);
        }
    }
}

std::optional<JournalOutbox::Progress> RunModel::ServerProgress()
{
    if (!outbox_)
        return std::nullopt;
    return outbox_->Current();
}

RunModel::~RunModel()
{
    delete engine_;  // abandons a write in progress: the window stops the run before it goes
}

void RunModel::OpenRun(const QString& runId)
{
    runId_ = runId;
    Recount();
}

void RunModel::Start(const StationSetup& setup, const std::vector<StationPort>& ports,
                     std::map<std::string, WantedFrequencies> plan)
{
    if (engine_ || ports.empty())
        return;
    if (runId_.isEmpty())
        runId_ = QUuid::createUuid().toString(QUuid::WithoutBraces);
    plan_ = std::move(plan);
    ports_ = ports;
    programmedBefore_.clear();
    for (const UnitLine& unit : UnitsOfRun(RunRows()))
        if (unit.outcome == StationOutcome::Programmed)
            programmedBefore_.insert(unit.serial.toStdString());
    tiles_.assign(ports_.size(), {});
    scanTimers_.clear();
    for (std::size_t i = 0; i < ports_.size(); ++i) {
        tiles_[i].name = ports_[i].name;
        tiles_[i].phase = StationPhase::Waiting;
        auto& timer = scanTimers_.emplace_back(std::make_unique<QTimer>());
        timer->setSingleShot(true);
        timer->setInterval(std::chrono::seconds(setup.scanSeconds));
        connect(timer.get(), &QTimer::timeout, this, [this, i] { CloseGate(static_cast<int>(i), false); });
    }

    const JournalSettings journalSettings = ReadJournalSettings();
    const RowOrigin origin{"torv-station",
                           BenchName(journalSettings.bench),
                           {},
                           setup.operatorName.toStdString(),
                           setup.orderCode.toStdString(),
                           runId_.toStdString()};
    const bool scan = setup.scanRequired;
    const auto factory = [this, origin, scan](int index) -> std::unique_ptr<StationWork> {
        const StationPort& port = ports_[static_cast<std::size_t>(index)];
        UnitStationSettings settings{port.devicePath.toStdString(),
                                     port.identity.toStdString(),
                                     port.demo,
                                     journalPath_,
                                     origin,
                                     false,
                                     {},
                                     server_};
        settings.origin.station = port.name.toStdString();
        if (scan)
            settings.labelScanned = [this, index] { return labels_.Take(index); };
        return std::make_unique<UnitStation>(std::move(settings), plan_, programmedBefore_);
    };
    EngineSettings engineSettings;
    engineSettings.planComplete = [this](const std::set<std::string>& programmed) {
        return std::all_of(plan_.begin(), plan_.end(), [&](const auto& unit) {
            return programmed.contains(unit.first) || programmedBefore_.contains(unit.first);
        });
    };
    engine_ = new BatchEngine(static_cast<int>(ports_.size()), factory, std::move(engineSettings));
    connect(engine_, &BatchEngine::PhaseChanged, this, &RunModel::OnPhase);
    connect(engine_, &BatchEngine::AdapterAnswering, this, [this](int station, bool answering) {
        tiles_[static_cast<std::size_t>(station)].adapterSilent = !answering;
        emit TileChanged(station);
    });
    connect(engine_, &BatchEngine::WriteWaiting, this, &RunModel::OnWriteWaiting);
    connect(engine_, &BatchEngine::UnitDone, this, &RunModel::OnUnitDone);
    connect(engine_, &BatchEngine::StationFailed, this, [this](int station) {
        tiles_[static_cast<std::size_t>(station)].stationFailed = true;
        emit TileChanged(station);
    });
    connect(engine_, &BatchEngine::Finished, this, &RunModel::OnFinished);
    engine_->HoldWrites(scan);
    engine_->Start();
    emit RunningChanged(true);
    Recount();
}

void RunModel::Stop()
{
    if (engine_)
        engine_->Stop();
}

void RunModel::Scan(const QString& digits)
{
    for (std::size_t i = 0; i < tiles_.size(); ++i) {
        if (tiles_[i].waitingForScan && tiles_[i].serial == digits) {
            labels_.Put(static_cast<int>(i), digits.toStdString());
            CloseGate(static_cast<int>(i), true);
            emit ScanMatched(static_cast<int>(i), digits);
            return;
        }
    }
    emit ScanNotMatched(digits);
}

void RunModel::CloseGate(int station, bool write)
{
    TileState& tile = tiles_[static_cast<std::size_t>(station)];
    if (!tile.waitingForScan)
        return;
    tile.waitingForScan = false;
    scanTimers_[static_cast<std::size_t>(station)]->stop();
    if (engine_)
        engine_->ReleaseWrite(station, write);
    emit TileChanged(station);
}

void RunModel::OnPhase(int station, StationPhase phase, const QString& serial)
{
    TileState& tile = tiles_[static_cast<std::size_t>(station)];
    tile.phase = phase;
    if (phase == StationPhase::Reading && serial != tile.serial) {
        // A new unit: its serial and plan, and no result yet.
        tile.serial = serial;
        tile.planned = Planned(serial);
        tile.result = ResultColour::None;
        tile.outcome.reset();
    }
    if (phase == StationPhase::Stopped)
        CloseGate(station, false);
    emit TileChanged(station);
}

void RunModel::OnWriteWaiting(int station)
{
    tiles_[static_cast<std::size_t>(station)].waitingForScan = true;
    scanTimers_[static_cast<std::size_t>(station)]->start();
    emit TileChanged(station);
}

void RunModel::OnUnitDone(const UnitReport& report)
{
    if (outbox_)
        outbox_->Nudge();
    TileState& tile = tiles_[static_cast<std::size_t>(report.station)];
    tile.waitingForScan = false;
    scanTimers_[static_cast<std::size_t>(report.station)]->stop();
    tile.serial = QString::fromStdString(report.serial);
    tile.planned = Planned(tile.serial);
    tile.outcome = StationOutcomeNamed(report.kind).value_or(StationOutcome::ReadFailed);
    tile.result = *tile.outcome == StationOutcome::Programmed ? ResultColour::Good : ResultColour::Bad;
    emit TileChanged(report.station);
    Recount();
}

void RunModel::OnFinished(BatchEnd why)
{
    engine_->deleteLater();
    engine_ = nullptr;
    for (std::size_t i = 0; i < tiles_.size(); ++i) {
        tiles_[i].phase = StationPhase::Stopped;
        tiles_[i].waitingForScan = false;
        emit TileChanged(static_cast<int>(i));
    }
    emit RunningChanged(false);
    emit Finished(why);
}

QString RunModel::Planned(const QString& serial) const
{
    const auto unit = plan_.find(serial.toStdString());
    if (unit == plan_.end())
        return {};
    return FrequenciesText(PlannedFrequenciesText(unit->second));
}

std::vector<JournalEntry> RunModel::RunRows()
{
    if (runId_.isEmpty() || journalPath_.empty())
        return {};
    if (!journal_)
        journal_.emplace(journalPath_);
    std::optional<std::vector<JournalEntry>> rows =
        journal_->IsOpen() ? journal_->Find(JournalQuery{.runId = runId_.toStdString()}) : std::nullopt;
    journalError_ = rows ? QString() : QString::fromStdString(journal_->Error());
    return rows.value_or(std::vector<JournalEntry>{});
}

void RunModel::Recount()
{
    const std::vector<JournalEntry> rows = RunRows();
    counters_ = CountRun(rows);
    std::vector<UnitLine> units = UnitsOfRun(rows);
    std::reverse(units.begin(), units.end());
    if (units.size() > kLastUnits)
        units.resize(kLastUnits);
    lastUnits_ = std::move(units);
    emit CountersChanged();
}

}  // namespace torv::station
