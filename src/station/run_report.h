#pragma once
// The end of a run: its counters and units, shown in a dialog and saved as CSV (one line
// per unit) and as PDF (the counters and the unit list), all from the run's journal rows.

#include <QDateTime>
#include <QDialog>
#include <QString>

#include <vector>

#include "station/run_model.h"

namespace torv::station {

struct RunSummary {
    QString runId;
    QString orderCode;
    QString operatorName;
    QString planPath;
    QDateTime made;  // local
    Counters counters;
    std::vector<UnitLine> units;  // oldest first
};

// The units, one line each after a header; "" when written, else why not.
QString WriteReportCsv(const RunSummary& summary, const QString& path);
QString WriteReportPdf(const RunSummary& summary, const QString& path);

class ReportDialog : public QDialog {
    Q_OBJECT

public:
    explicit ReportDialog(RunSummary summary, QWidget* parent = nullptr);

private:
    void Save(bool pdf);

    RunSummary summary_;
};

}  // namespace torv::station
