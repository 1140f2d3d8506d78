#include "station/station_tile.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "station/station_texts.h"

namespace torv::station {
namespace {

// How far a unit has come, for the progress bar.
int Progress(const TileState& state)
{
    if (state.waitingForScan)
        return 50;
    switch (state.phase) {
    case StationPhase::Reading: return 25;
    case StationPhase::Writing: return 70;
    case StationPhase::Verifying: return 90;
    case StationPhase::Waiting:
    case StationPhase::Stopped: break;
    }
    return state.result == ResultColour::None ? 0 : 100;
}

QString PhaseOf(const TileState& state)
{
    if (state.stationFailed)
        return texts::kStationFailed;
    if (state.adapterSilent)
        return texts::kAdapterSilent;
    if (state.waitingForScan)
        return texts::kWaitingForScan;
    return PhaseText(state.phase);
}

QString ResultOf(const TileState& state)
{
    if (state.outcome)
        return OutcomeText(*state.outcome);
    if (state.waitingForScan)
        return texts::kWaitingForScanResult;
    const bool working = state.phase != StationPhase::Waiting && state.phase != StationPhase::Stopped;
    return working ? texts::kWorking : texts::kNoResult;
}

QString FieldStyle(ResultColour colour)
{
    const char* background = colour == ResultColour::Good  ? "#2e9e44"
                             : colour == ResultColour::Bad ? "#c62828"
                                                           : "#9e9e9e";
    return QStringLiteral("QLabel { background: %1; color: white; border-radius: 6px; padding: 8px; }")
        .arg(QLatin1String(background));
}

}  // namespace

QFont Enlarged(QFont font, double factor, bool bold)
{
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setBold(bold);
    return font;
}

StationTile::StationTile(QWidget* parent)
    : QFrame(parent),
      name_(new QLabel(this)),
      phase_(new QLabel(this)),
      progress_(new QProgressBar(this)),
      serial_(new QLabel(this)),
      planned_(new QLabel(this)),
      result_(new QLabel(this))
{
    setFrameShape(QFrame::StyledPanel);
    name_->setFont(Enlarged(font(), 1.4, true));
    phase_->setFont(Enlarged(font(), 1.6));
    serial_->setFont(Enlarged(font(), 2.0, true));
    planned_->setFont(Enlarged(font(), 1.4));
    result_->setFont(Enlarged(font(), 1.8, true));
    result_->setAlignment(Qt::AlignCenter);
    result_->setWordWrap(true);
    result_->setMinimumHeight(110);
    // The reason's length never widens the tile: it wraps.
    result_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name_);
    layout->addWidget(phase_);
    layout->addWidget(progress_);
    layout->addWidget(serial_);
    layout->addWidget(planned_);
    layout->addWidget(result_, 1);
    Show({});
}

void StationTile::Show(const TileState& state)
{
    name_->setText(state.name);
    phase_->setText(PhaseOf(state));
    progress_->setValue(Progress(state));
    serial_->setText(state.serial.isEmpty() ? QStringLiteral("№ —") : QStringLiteral("№ ") + state.serial);
    planned_->setText(state.planned.isEmpty() ? QStringLiteral("Частоты: —")
                                              : QStringLiteral("Частоты: ") + state.planned);
    result_->setText(ResultOf(state));
    colour_ = state.result;
    result_->setStyleSheet(FieldStyle(colour_));
}

QString StationTile::PhaseShown() const
{
    return phase_->text();
}

QString StationTile::ResultShown() const
{
    return result_->text();
}

int StationTile::ProgressShown() const
{
    return progress_->value();
}

}  // namespace torv::station
