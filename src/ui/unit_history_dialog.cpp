#include "ui/unit_history_dialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <utility>

#include "device/frequency_codec.h"
#include "journal/outcome_kind.h"
#include "journal/unit_history.h"

namespace torv {
namespace {

QString LocalTime(const std::string& stored)
{
    const QDateTime time = QDateTime::fromString(QString::fromStdString(stored), Qt::ISODateWithMs);
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))
                          : QString::fromStdString(stored);
}

QString Frequencies(const std::optional<double>& f1, const std::optional<double>& f2, const QString& separator)
{
    const auto text = [&separator](double mhz) {
        return QString::fromStdString(FormatMHz(mhz * 1e6, separator.toStdString()));
    };
    if (!f1)
        return QStringLiteral("—");
    return f2 ? text(*f1) + QStringLiteral(" / ") + text(*f2) : text(*f1);
}

QString ProgramText(const std::string& program)
{
    return program == "window" ? QStringLiteral("окно") : QString::fromStdString(program);
}

}  // namespace

QString OutcomeText(const JournalEntry& row)
{
    switch (OutcomeOf(row)) {
    case OutcomeKind::Read: return QStringLiteral("Считано");
    case OutcomeKind::ReadDamagedAccepted: return QStringLiteral("Считано, данные повреждены (приняты)");
    case OutcomeKind::WriteVerified: return QStringLiteral("Записано и проверено");
    case OutcomeKind::WriteNotVerified: return QStringLiteral("Записано, не проверено: состояние неизвестно");
    case OutcomeKind::WriteInProgress: return QStringLiteral("Идёт запись");
    case OutcomeKind::WriteInterrupted: return QStringLiteral("Запись прервана: состояние неизвестно");
    case OutcomeKind::RefusedNeedsTuning: return QStringLiteral("Отказано: частоту нельзя запрограммировать");
    case OutcomeKind::RefusedOutOfRange: return QStringLiteral("Отказано: частота вне диапазона");
    case OutcomeKind::RefusedDamagedData: return QStringLiteral("Отказано: данные повреждены");
    case OutcomeKind::RefusedWriteLocked: return QStringLiteral("Отказано: запись заблокирована адаптером");
    case OutcomeKind::RefusedWrongUnit: return QStringLiteral("Отказано: подключён другой передатчик");
    case OutcomeKind::RefusedWrongType: return QStringLiteral("Отказано: образ другого типа устройства");
    case OutcomeKind::Declined: return QStringLiteral("Не подтверждено: ничего не записано");
    case OutcomeKind::PortUnavailable: return QStringLiteral("Порт недоступен");
    case OutcomeKind::NoAdapter: return QStringLiteral("Адаптер не обнаружен");
    case OutcomeKind::DeviceTypeRefused: return QStringLiteral("Не удалось установить тип устройства");
    case OutcomeKind::NoTransmitter: return QStringLiteral("Передатчик не подключен");
    case OutcomeKind::NotATransmitter: return QStringLiteral("Устройство не является передатчиком");
    case OutcomeKind::TransmitterNotResponding: return QStringLiteral("Передатчик не отвечает");
    case OutcomeKind::ExchangeFailed: break;
    }
    return QStringLiteral("Обмен не завершён");
}

QString OperationText(const std::string& operation)
{
    if (operation == "read")
        return QStringLiteral("Чтение");
    if (operation == "write")
        return QStringLiteral("Запись");
    if (operation == "restore")
        return QStringLiteral("Возврат частот");
    if (operation == "load")
        return QStringLiteral("Запись из файла");
    if (operation == "batch")
        return QStringLiteral("Запись в партии");
    return QString::fromStdString(operation);
}

QString FrequencyChangeText(const JournalEntry& row, const QString& decimalSeparator)
{
    const QString before = Frequencies(row.f1BeforeMHz, row.f2BeforeMHz, decimalSeparator);
    if (!row.f1AfterMHz)
        return before;
    return before + QStringLiteral(" → ") + Frequencies(row.f1AfterMHz, row.f2AfterMHz, decimalSeparator);
}

TUnitHistoryDialog::TUnitHistoryDialog(const std::string& serial, std::vector<JournalEntry> rows,
                                       const QString& decimalSeparator, QWidget* parent)
    : QDialog(parent), rows_(std::move(rows))
{
    setWindowTitle(QStringLiteral("Журнал устройства № %1").arg(QString::fromStdString(serial)));
    setSizeGripEnabled(true);
    Table = new QTableWidget(static_cast<int>(rows_.size()), 5, this);
    Table->setHorizontalHeaderLabels({QStringLiteral("Дата и время"), QStringLiteral("Действие"),
                                      QStringLiteral("Частоты, МГц: до → после"), QStringLiteral("Итог"),
                                      QStringLiteral("Программа, порт")});
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->verticalHeader()->hide();
    Table->setWordWrap(false);
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
        const JournalEntry& row = rows_[static_cast<std::size_t>(i)];
        const QString port = row.port.empty() ? QString() : QStringLiteral(", ") + QString::fromStdString(row.port);
        const QString where = ProgramText(row.program) + port;
        const QStringList cells = {LocalTime(row.timeUtc), OperationText(row.operation),
                                   FrequencyChangeText(row, decimalSeparator), OutcomeText(row), where};
        for (int column = 0; column < cells.size(); ++column)
            Table->setItem(i, column, new QTableWidgetItem(cells[column]));
    }
    Table->resizeColumnsToContents();
    Table->horizontalHeader()->setStretchLastSection(true);

    auto* buttons = new QDialogButtonBox(this);
    WriteBackButton = buttons->addButton(QStringLiteral("Вернуть эти частоты"), QDialogButtonBox::ActionRole);
    WriteBackButton->setEnabled(false);
    WriteBackButton->setToolTip(
        QStringLiteral("Записать в передатчик частоты, которые он держал после выбранной "
                       "операции, и проверить их чтением"));
    buttons->addButton(QStringLiteral("Закрыть"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(WriteBackButton, &QPushButton::clicked, this, &TUnitHistoryDialog::WriteBackClick);
    connect(Table, &QTableWidget::itemSelectionChanged, this, &TUnitHistoryDialog::SelectionChanged);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Table);
    layout->addWidget(buttons);
    resize(std::max(640, Table->horizontalHeader()->length() + 40), 320);
}

void TUnitHistoryDialog::SelectionChanged()
{
    const int row = Table->currentRow();
    const bool known = row >= 0 && Table->selectionModel()->hasSelection() &&
                       BlockAfter(rows_[static_cast<std::size_t>(row)]).has_value();
    WriteBackButton->setEnabled(known);
}

void TUnitHistoryDialog::WriteBackClick()
{
    const int row = Table->currentRow();
    if (row < 0)
        return;
    chosen_ = BlockAfter(rows_[static_cast<std::size_t>(row)]);
    if (chosen_)
        accept();
}

}  // namespace torv
