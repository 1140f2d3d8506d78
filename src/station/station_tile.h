#pragma once
// One station on the run screen, to be read from two metres away: its name, its phase
// with a progress bar, the unit's serial number and planned frequencies, and the last
// result as a large colour field (green programmed and verified, red with the reason,
// grey while there is none).

#include <QFrame>

#include "station/run_model.h"

class QLabel;
class QProgressBar;

namespace torv::station {

// The station window's large type, to be read from two metres away: font made factor times
// as large.
QFont Enlarged(QFont font, double factor, bool bold = false);

class StationTile : public QFrame {
    Q_OBJECT

public:
    explicit StationTile(QWidget* parent = nullptr);

    void Show(const TileState& state);

    // What the tile shows, for its tests and for screen readers.
    QString PhaseShown() const;
    QString ResultShown() const;
    ResultColour ColourShown() const { return colour_; }
    int ProgressShown() const;

private:
    QLabel* name_;
    QLabel* phase_;
    QProgressBar* progress_;
    QLabel* serial_;
    QLabel* planned_;
    QLabel* result_;
    ResultColour colour_ = ResultColour::None;
};

}  // namespace torv::station
