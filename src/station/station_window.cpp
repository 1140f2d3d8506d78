#include "station/station_window.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "station/run_report.h"
#include "station/setup_dialog.h"
#include "station/station_texts.h"
#include "station/station_tile.h"

namespace torv::station {
namespace {

QString EndText(BatchEnd why)
{
    switch (why) {
    case BatchEnd::PlanComplete:
        return QStringLiteral("Все передатчики плана запрограммированы. Ctrl+E — завершить партию и показать отчёт.");
    case BatchEnd::StationsFailed: return QStringLiteral("Все станции остановились из-за ошибок.");
    case BatchEnd::UnitsDone:
    case BatchEnd::IdleTimeout:
    case BatchEnd::Stopped: break;
    }
    return QStringLiteral("Партия остановлена.");
}

}  // namespace

StationWindow::StationWindow(StationWindowOptions options, QWidget* parent)
    : QMainWindow(parent),
      options_(std::move(options)),
      loaded_(LoadSetup()),
      model_(options_.journalPath),
      tileGrid_(new QGridLayout),
      header_(new QLabel(this)),
      programmed_(new QLabel(this)),
      failed_(new QLabel(this)),
      skipped_(new QLabel(this)),
      perHour_(new QLabel(this)),
      attempts_(new QLabel(this)),
      scan_(new QLabel(this)),
      server_(new QLabel(this)),
      lastUnits_(new QListWidget(this)),
      noStations_(new QLabel(QStringLiteral("Станции не выбраны. F2 — настройка партии."), this))
{
    setWindowTitle(texts::kWindowTitle);
    header_->setWordWrap(true);
    header_->setFont(Enlarged(font(), 1.2, false));
    for (QLabel* counter : {programmed_, failed_, skipped_, perHour_})
        counter->setFont(Enlarged(font(), 1.8, true));
    scan_->setWordWrap(true);
    scan_->setFont(Enlarged(font(), 1.3, true));
    lastUnits_->setFont(Enlarged(font(), 1.1, false));
    lastUnits_->setFocusPolicy(Qt::NoFocus);
    lastUnits_->setWordWrap(true);
    lastUnits_->setResizeMode(QListView::Adjust);
    lastUnits_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* counters = new QGroupBox(QStringLiteral("Счётчики партии"), this);
    auto* counterLayout = new QVBoxLayout(counters);
    for (QLabel* counter : {programmed_, failed_, skipped_, perHour_, attempts_})
        counterLayout->addWidget(counter);
    auto* side = new QVBoxLayout;
    side->addWidget(counters);
    side->addWidget(scan_);
    side->addWidget(new QLabel(QStringLiteral("Последние передатчики:"), this));
    side->addWidget(lastUnits_, 1);
    noStations_->setAlignment(Qt::AlignCenter);
    noStations_->setFont(Enlarged(font(), 1.6, false));
    tileGrid_->addWidget(noStations_, 0, 0);
    auto* tilesAndSide = new QHBoxLayout;
    tilesAndSide->addLayout(tileGrid_, 3);
    tilesAndSide->addLayout(side, 1);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(header_);
    layout->addLayout(tilesAndSide, 1);
    setCentralWidget(central);
    BuildMenu();

    connect(&model_, &RunModel::TileChanged, this, [this](int station) {
        if (station < TileCount())
            tiles_[static_cast<std::size_t>(station)]->Show(model_.Tiles()[static_cast<std::size_t>(station)]);
    });
    connect(&model_, &RunModel::CountersChanged, this, &StationWindow::ShowCounters);
    connect(&model_, &RunModel::RunningChanged, this, &StationWindow::ShowRunning);
    connect(&model_, &RunModel::ScanMatched, this, [this](int station, const QString& serial) {
        scan_->setStyleSheet(QStringLiteral("color: #1b5e20;"));
        scan_->setText(QStringLiteral("Этикетка %1 — %2: запись разрешена")
                           .arg(serial, model_.Tiles()[static_cast<std::size_t>(station)].name));
    });
    connect(&model_, &RunModel::ScanNotMatched, this, [this](const QString& digits) {
        scan_->setStyleSheet(QStringLiteral("color: #b71c1c;"));
        scan_->setText(QStringLiteral("Этикетка %1 не совпала ни с одним ожидающим передатчиком").arg(digits));
    });
    connect(&model_, &RunModel::Finished, this, [this](BatchEnd why) {
        statusBar()->showMessage(EndText(why));
        if (closeWhenStopped_)
            close();
    });
    connect(&scans_, &ScanFilter::Scanned, &model_, &RunModel::Scan);

    statusBar()->addPermanentWidget(server_);
    auto* serverLook = new QTimer(this);
    connect(serverLook, &QTimer::timeout, this, &StationWindow::ShowServer);
    serverLook->start(std::chrono::seconds(1));
    ShowServer();

    model_.OpenRun(UnfinishedRun());
    ShowSetup();
    ShowRunning(false);
    if (!model_.RunId().isEmpty())
        statusBar()->showMessage(QStringLiteral(
            "Продолжается партия, начатая ранее: F5 — продолжить, Ctrl+E — завершить и показать отчёт."));
    resize(1200, 720);
}

void StationWindow::ShowServer()
{
    const std::optional<JournalOutbox::Progress> progress = model_.ServerProgress();
    if (!progress) {
        server_->setVisible(!model_.ServerProblem().isEmpty());
        server_->setText(QStringLiteral("Сервер мастерской не используется: ") + model_.ServerProblem());
        return;
    }
    server_->setVisible(true);
    if (progress->waiting == 0 && progress->lastError.empty()) {
        server_->setStyleSheet({});
        server_->setText(QStringLiteral("Сервер мастерской: все строки журнала отправлены"));
        return;
    }
    server_->setStyleSheet(QStringLiteral("color: #b71c1c;"));
    server_->setText(QStringLiteral("Сервер мастерской: строк ждут отправки: %1").arg(progress->waiting) +
                     (progress->lastError.empty() ? QString() : QStringLiteral(" (сервер недоступен)")));
    server_->setToolTip(QString::fromStdString(progress->lastError));
}

void StationWindow::BuildMenu()
{
    QMenu* run = menuBar()->addMenu(QStringLiteral("&Партия"));
    setup_ = run->addAction(QStringLiteral("&Настройка…"), this, &StationWindow::EditSetup);
    setup_->setShortcut(Qt::Key_F2);
    start_ = run->addAction(QStringLiteral("Н&ачать"), this, &StationWindow::StartRun);
    start_->setShortcut(Qt::Key_F5);
    stop_ = run->addAction(QStringLiteral("&Остановить"), this, &StationWindow::StopRun);
    stop_->setShortcut(Qt::Key_F6);
    end_ = run->addAction(QStringLiteral("&Завершить партию и показать отчёт…"), this, &StationWindow::EndRun);
    end_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    run->addSeparator();
    QAction* quit = run->addAction(QStringLiteral("&Выход"), this, &QWidget::close);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Справка"));
    help->addAction(QStringLiteral("&О программе"), this, [this] {
        QMessageBox::about(this, QStringLiteral("О программе"),
                           texts::kWindowTitle + QStringLiteral("\n\nF5 — начать, F6 — остановить, F2 — настройка.\n"
                                                                "Сканер этикеток работает, где бы ни был фокус."));
    });
}

void StationWindow::LayOutTiles(const QStringList& names)
{
    for (StationTile* tile : tiles_)
        delete tile;
    tiles_.clear();
    noStations_->setVisible(names.isEmpty());
    // A row of up to four tiles; more make a square.
    const auto count = static_cast<int>(names.size());
    const int columns = count <= 4 ? std::max(1, count) : static_cast<int>(std::ceil(std::sqrt(count)));
    for (int i = 0; i < names.size(); ++i) {
        auto* tile = new StationTile(this);
        TileState idle;
        idle.name = names[i];
        tile->Show(idle);
        tileGrid_->addWidget(tile, i / columns, i % columns);
        tiles_.push_back(tile);
    }
    for (int column = 0; column < tileGrid_->columnCount(); ++column)
        tileGrid_->setColumnStretch(column, column < columns ? 1 : 0);
    for (int row = 0; row < tileGrid_->rowCount(); ++row)
        tileGrid_->setRowStretch(row, row < (count + columns - 1) / columns ? 1 : 0);
}

void StationWindow::ShowSetup()
{
    const StationSetup& setup = loaded_.setup;
    const QString scan = setup.scanRequired ? QStringLiteral("по скану этикетки (ждать до %1 с)").arg(setup.scanSeconds)
                                            : QStringLiteral("без скана этикетки");
    header_->setText(
        QStringLiteral("Заказ: <b>%1</b> &nbsp; Оператор: <b>%2</b> &nbsp; План: <b>%3</b> &nbsp; Запись: %4")
            .arg(setup.orderCode.toHtmlEscaped(), setup.operatorName.toHtmlEscaped(),
                 QFileInfo(setup.planPath).fileName().toHtmlEscaped(), scan));
    if (model_.Running())
        return;
    const std::vector<StationPort> ports = AvailablePorts(options_.demoPorts, options_.givenPorts);
    QStringList names;
    for (const QString& path : setup.ports) {
        const auto port = std::find_if(ports.begin(), ports.end(),
                                       [&](const StationPort& known) { return known.devicePath == path; });
        names << (port == ports.end() ? path : port->name);
    }
    LayOutTiles(names);
}

void StationWindow::ShowCounters()
{
    const Counters& counters = model_.CountersNow();
    programmed_->setText(QStringLiteral("Запрограммировано: %1").arg(counters.programmed));
    failed_->setText(QStringLiteral("Не записано: %1").arg(counters.failed));
    skipped_->setText(QStringLiteral("Пропущено: %1").arg(counters.skipped));
    perHour_->setText(QStringLiteral("В час: %1").arg(qRound(counters.unitsPerHour)));
    attempts_->setText(QStringLiteral("Попыток всего: %1").arg(counters.attempts));
    if (!model_.JournalError().isEmpty())
        statusBar()->showMessage(QStringLiteral("Журнал не читается, счётчики неполны: ") + model_.JournalError());
    lastUnits_->clear();
    for (const UnitLine& unit : model_.LastUnits()) {
        auto* item = new QListWidgetItem(QStringLiteral("%1  %2  № %3\n%4")
                                             .arg(unit.time.toString(QStringLiteral("HH:mm:ss")), unit.station,
                                                  unit.serial, OutcomeText(unit.outcome)),
                                         lastUnits_);
        item->setForeground(unit.outcome == StationOutcome::Programmed ? QColor("#1b5e20") : QColor("#b71c1c"));
    }
}

void StationWindow::ShowRunning(bool running)
{
    start_->setEnabled(!running);
    stop_->setEnabled(running);
    end_->setEnabled(!running);
    if (running)
        statusBar()->showMessage(QStringLiteral("Партия идёт. Подключайте передатчики."));
}

bool StationWindow::StartRun()
{
    if (model_.Running())
        return true;
    const StationSetup& setup = loaded_.setup;
    const PlanReading plan = ReadPlanFile(setup.planPath.toStdString(), setup.gridEditEnabled);
    QStringList problems = SetupProblems(setup, plan);
    const std::vector<StationPort> available = AvailablePorts(options_.demoPorts, options_.givenPorts);
    std::vector<StationPort> chosen;
    for (const QString& path : setup.ports) {
        const auto port = std::find_if(available.begin(), available.end(),
                                       [&](const StationPort& known) { return known.devicePath == path; });
        if (port == available.end())
            problems << QStringLiteral("Порт %1 не найден.").arg(path);
        else
            chosen.push_back(*port);
    }
    if (!problems.isEmpty()) {
        Tell(QStringLiteral("Партию нельзя начать:\n") + problems.join(QLatin1Char('\n')));
        return false;
    }
    QStringList names;
    for (const StationPort& port : chosen)
        names << port.name;
    LayOutTiles(names);
    model_.Start(setup, chosen, PlanWithOptions(plan.units, setup));
    SetUnfinishedRun(model_.RunId());
    return true;
}

void StationWindow::StopRun()
{
    if (!model_.Running())
        return;
    model_.Stop();
    statusBar()->showMessage(QStringLiteral("Станции заканчивают начатые передатчики…"));
}

bool StationWindow::EditSetup()
{
    SetupDialog dialog(loaded_, AvailablePorts(options_.demoPorts, options_.givenPorts), !model_.Running(), this);
    if (dialog.exec() != QDialog::Accepted || model_.Running())
        return false;
    SaveSetup(dialog.Setup(), loaded_.locked);
    loaded_ = LoadSetup();
    ShowSetup();
    return true;
}

void StationWindow::EndRun()
{
    if (model_.Running()) {
        Tell(QStringLiteral("Сначала остановите партию (F6)."));
        return;
    }
    if (model_.RunId().isEmpty()) {
        Tell(QStringLiteral("Партия ещё не начата."));
        return;
    }
    const std::vector<JournalEntry> rows = model_.RunRows();
    const StationSetup& setup = loaded_.setup;
    ReportDialog report({model_.RunId(), setup.orderCode, setup.operatorName, setup.planPath,
                         QDateTime::currentDateTime(), CountRun(rows), UnitsOfRun(rows)},
                        this);
    report.exec();
    SetUnfinishedRun({});
    model_.OpenRun({});
    statusBar()->showMessage(QStringLiteral("Партия завершена. F5 начинает новую."));
}

QString StationWindow::CountersShown() const
{
    return QStringList{programmed_->text(), failed_->text(), skipped_->text(), attempts_->text()}.join(
        QLatin1Char('\n'));
}

QString StationWindow::ScanShown() const
{
    return scan_->text();
}

void StationWindow::Tell(const QString& text)
{
    QMessageBox::warning(this, QStringLiteral("Внимание"), text);
}

void StationWindow::closeEvent(QCloseEvent* event)
{
    if (!model_.Running()) {
        event->accept();
        return;
    }
    // A write under way is finished and verified before the window goes.
    closeWhenStopped_ = true;
    StopRun();
    event->ignore();
}

}  // namespace torv::station
