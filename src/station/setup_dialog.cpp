#include "station/setup_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "station/station_texts.h"

namespace torv::station {
namespace {

const QString kLockedTip = QStringLiteral("Задано мастерской в общих настройках: изменить нельзя");

QString PortText(const StationPort& port)
{
    QString text = port.name;
    if (port.name != port.devicePath)
        text += QStringLiteral("  (") + port.devicePath + QLatin1Char(')');
    if (port.demo)
        text += QStringLiteral(" — эмулятор адаптера");
    else if (!port.identity.isEmpty())
        text += QStringLiteral(" — ") + port.identity;
    return text;
}

}  // namespace

SetupDialog::SetupDialog(const LoadedSetup& loaded, const std::vector<StationPort>& ports, bool runStopped,
                         QWidget* parent)
    : QDialog(parent),
      ports_(ports),
      locked_(loaded.locked),
      editable_(runStopped),
      planPath_(new QLineEdit(this)),
      planState_(new QLabel(this)),
      order_(new QLineEdit(this)),
      operator_(new QLineEdit(this)),
      stations_(new QListWidget(this)),
      step_(new QComboBox(this)),
      gridEdit_(new QCheckBox(QStringLiteral("Разрешить шаг 12,5 кГц в режиме сетки"), this)),
      second_(new QComboBox(this)),
      scanRequired_(new QCheckBox(QStringLiteral("Записывать только после сканирования этикетки"), this)),
      scanSeconds_(new QSpinBox(this)),
      problems_(new QLabel(this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(QStringLiteral("Настройка партии"));
    const StationSetup& setup = loaded.setup;

    auto* choose = new QPushButton(QStringLiteral("Выбрать…"), this);
    auto* planRow = new QHBoxLayout;
    planRow->addWidget(planPath_, 1);
    planRow->addWidget(choose);
    planPath_->setText(setup.planPath);
    planState_->setWordWrap(true);
    order_->setText(setup.orderCode);
    operator_->setText(setup.operatorName);
    for (const StationPort& port : ports_) {
        auto* item = new QListWidgetItem(PortText(port), stations_);
        item->setToolTip(port.devicePath);
        item->setCheckState(setup.ports.contains(port.devicePath) ? Qt::Checked : Qt::Unchecked);
    }
    step_->addItems({QStringLiteral("как в передатчике"), QStringLiteral("12,5 кГц"), QStringLiteral("25 кГц")});
    step_->setCurrentIndex(static_cast<int>(setup.step));
    gridEdit_->setChecked(setup.gridEditEnabled);
    second_->addItems({QStringLiteral("выключить вторую частоту"), QStringLiteral("оставить как в передатчике")});
    second_->setCurrentIndex(setup.keepSecondWhenEmpty ? 1 : 0);
    scanRequired_->setChecked(setup.scanRequired);
    scanSeconds_->setRange(kShortestScanWait, kLongestScanWait);
    scanSeconds_->setSuffix(QStringLiteral(" с"));
    scanSeconds_->setValue(setup.scanSeconds);
    problems_->setStyleSheet(QStringLiteral("color: #b71c1c;"));
    problems_->setWordWrap(true);
    buttons_->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Сохранить"));
    buttons_->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("План (CSV):"), planRow);
    form->addRow(QString(), planState_);
    form->addRow(QStringLiteral("Заказ или партия:"), order_);
    form->addRow(QStringLiteral("Оператор:"), operator_);
    form->addRow(QStringLiteral("Станции:"), stations_);
    form->addRow(QStringLiteral("Шаг сетки, если в плане не задан:"), step_);
    form->addRow(QString(), gridEdit_);
    form->addRow(QStringLiteral("Вторая частота, если в плане пусто:"), second_);
    form->addRow(QString(), scanRequired_);
    form->addRow(QStringLiteral("Ждать сканирования не дольше:"), scanSeconds_);
    auto* layout = new QVBoxLayout(this);
    if (!editable_) {
        auto* stopped = new QLabel(QStringLiteral("Идёт партия: чтобы изменить настройки, остановите её."), this);
        stopped->setStyleSheet(QStringLiteral("font-weight: bold;"));
        layout->addWidget(stopped);
    } else if (!locked_.isEmpty()) {
        layout->addWidget(new QLabel(QStringLiteral("Серые поля заданы мастерской и не меняются."), this));
    }
    layout->addLayout(form);
    layout->addWidget(problems_);
    layout->addWidget(buttons_);

    Lock(planPath_, keys::kPlan);
    Lock(choose, keys::kPlan);
    Lock(order_, keys::kOrder);
    Lock(operator_, keys::kOperator);
    Lock(stations_, keys::kPorts);
    Lock(step_, keys::kStep);
    Lock(gridEdit_, keys::kGridEdit);
    Lock(second_, keys::kKeepSecond);
    Lock(scanRequired_, keys::kScanRequired);
    Lock(scanSeconds_, keys::kScanSeconds);

    connect(choose, &QPushButton::clicked, this, &SetupDialog::ChoosePlan);
    connect(planPath_, &QLineEdit::editingFinished, this, &SetupDialog::ReadPlan);
    connect(order_, &QLineEdit::textChanged, this, &SetupDialog::Check);
    connect(operator_, &QLineEdit::textChanged, this, &SetupDialog::Check);
    connect(stations_, &QListWidget::itemChanged, this, &SetupDialog::Check);
    connect(gridEdit_, &QCheckBox::toggled, this, &SetupDialog::ReadPlan);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ReadPlan();
}

QPushButton* SetupDialog::AcceptButton() const
{
    return buttons_->button(QDialogButtonBox::Ok);
}

void SetupDialog::Lock(QWidget* control, const QString& key)
{
    const bool locked = locked_.contains(key);
    control->setEnabled(editable_ && !locked);
    if (locked)
        control->setToolTip(kLockedTip);
}

void SetupDialog::ChoosePlan()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("План партии"), planPath_->text(),
                                                      QStringLiteral("План (*.csv);;Все файлы (*)"));
    if (path.isEmpty())
        return;
    planPath_->setText(path);
    ReadPlan();
}

void SetupDialog::ReadPlan()
{
    const QString path = planPath_->text().trimmed();
    plan_ = path.isEmpty() ? PlanReading{} : ReadPlanFile(path.toStdString(), gridEdit_->isChecked());
    if (path.isEmpty())
        planState_->clear();
    else if (plan_.problem)
        planState_->setText(PlanProblemText(*plan_.problem));
    else
        planState_->setText(QStringLiteral("В плане передатчиков: %1").arg(plan_.units.size()));
    planState_->setStyleSheet(plan_.problem ? QStringLiteral("color: #b71c1c;") : QString());
    Check();
}

QStringList SetupDialog::Problems() const
{
    return SetupProblems(Setup(), plan_);
}

void SetupDialog::Check()
{
    const QStringList problems = Problems();
    problems_->setText(problems.join(QLatin1Char('\n')));
    AcceptButton()->setEnabled(editable_ && problems.isEmpty());
}

StationSetup SetupDialog::Setup() const
{
    StationSetup setup;
    setup.planPath = planPath_->text().trimmed();
    setup.orderCode = order_->text().trimmed();
    setup.operatorName = operator_->text().trimmed();
    for (int i = 0; i < stations_->count(); ++i)
        if (stations_->item(i)->checkState() == Qt::Checked)
            setup.ports << ports_[static_cast<std::size_t>(i)].devicePath;
    setup.step = static_cast<DefaultStep>(step_->currentIndex());
    setup.gridEditEnabled = gridEdit_->isChecked();
    setup.keepSecondWhenEmpty = second_->currentIndex() == 1;
    setup.scanRequired = scanRequired_->isChecked();
    setup.scanSeconds = scanSeconds_->value();
    return setup;
}

}  // namespace torv::station
