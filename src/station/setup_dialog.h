#pragma once
// The set-up of a production run in one dialog: the plan file (its faults shown with the
// row and the reason), the order or lot, the operator, the stations ticked from the port
// list with their adapters' identity, the grid step and second-frequency options, and
// whether a label scan is required. Settings the workshop locked are shown and cannot be
// changed; while a run goes on, nothing can.

#include <QDialog>
#include <QStringList>

#include <vector>

#include "production/plan_file.h"
#include "station/station_ports.h"
#include "station/station_setup.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace torv::station {

class SetupDialog : public QDialog {
    Q_OBJECT

public:
    SetupDialog(const LoadedSetup& loaded, const std::vector<StationPort>& ports, bool runStopped,
                QWidget* parent = nullptr);

    // The set-up as shown.
    StationSetup Setup() const;
    // The plan file as last read.
    const PlanReading& Plan() const { return plan_; }
    // What keeps the set-up from being used, one line each; empty when it can be.
    QStringList Problems() const;

    // The controls, for the tests.
    QLineEdit* PlanField() const { return planPath_; }
    QLineEdit* OrderField() const { return order_; }
    QLineEdit* OperatorField() const { return operator_; }
    QListWidget* StationList() const { return stations_; }
    QCheckBox* ScanBox() const { return scanRequired_; }
    QPushButton* AcceptButton() const;

private:
    void ChoosePlan();
    void ReadPlan();
    void Check();
    // Disables the control of a locked key, and says why.
    void Lock(QWidget* control, const QString& key);

    const std::vector<StationPort> ports_;
    const QSet<QString> locked_;
    const bool editable_;
    PlanReading plan_;
    QLineEdit* planPath_;
    QLabel* planState_;
    QLineEdit* order_;
    QLineEdit* operator_;
    QListWidget* stations_;
    QComboBox* step_;
    QCheckBox* gridEdit_;
    QComboBox* second_;
    QCheckBox* scanRequired_;
    QSpinBox* scanSeconds_;
    QLabel* problems_;
    QDialogButtonBox* buttons_;
};

}  // namespace torv::station
